// The stand-in host's shared constants, declared once.
#pragma once

namespace standin {

// [s] the Earth's rotation period: one turn of the Earth rotation angle
// (IAU 2000), whose rate is 1.00273781191135448 turns per UT1 day.
constexpr double kSiderealDay = 86400.0 / 1.00273781191135448;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegPerRad = 57.29577951308232;  // [deg/rad]

}  // namespace standin
