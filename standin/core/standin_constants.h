// The stand-in host's shared constants, declared once.
#pragma once

namespace standin {

// [s] the Earth's rotation period: one turn of the Earth rotation angle
// (IAU 2000), whose rate is 1.00273781191135448 turns per UT1 day.
constexpr double kSiderealDay = 86400.0 / 1.00273781191135448;
// [s] the period a geostationary orbit is commonly given, the sidereal day
// to the hundredth of a second: what a module such as the KRV divides by,
// and what the geo-period fault answers.
constexpr double kNominalGeoPeriod = 86164.09;
constexpr double kEarthMu = 3.986004418e14;  // [m^3/s^2] the Earth's gravitational parameter
constexpr double kEarthRadius = 6378137.0;   // [m] the Earth's equatorial radius
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegPerRad = 57.29577951308232;  // [deg/rad]

// [m] the radius of an orbit of one sidereal day about the Earth.
double geostationary_radius();

}  // namespace standin
