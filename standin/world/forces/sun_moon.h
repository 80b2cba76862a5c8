// Where the Sun and the Moon are, seen from the Earth's centre in the global
// frame, at a UTC date: from ERFA at TT (leap seconds through ERFA; TDB
// taken as TT, 1.7 ms apart at most), sampled hourly and interpolated, so
// that an integrator may ask thousands of times per orbit.
#pragma once

#include <unordered_map>

#include "host/types.h"

namespace standin {

constexpr double kSunGm = 1.32712440018e20;           // [m^3/s^2]
constexpr double kMoonGm = 4.9028000661e12;           // [m^3/s^2]
constexpr double kSunRadius = 6.957e8;                // [m] nominal photospheric radius
constexpr double kAstronomicalUnit = 1.495978707e11;  // [m]

// The TT date (MJD) of a UTC date (MJD).
double tt_from_utc(double mjd_utc);

class SunMoon {
public:
    VECTOR3 sun_m(double mjd_utc) const;   // [m] global frame
    VECTOR3 moon_m(double mjd_utc) const;  // [m] global frame

private:
    struct Node {
        VECTOR3 sun, moon;
    };
    struct Turn {
        double m[3][3];
    };
    const Node& node(long hour) const;
    const Turn& turn(long day) const;
    VECTOR3 interpolate(double mjd_utc, bool sun) const;
    mutable std::unordered_map<long, Node> nodes_;
    mutable std::unordered_map<long, Turn> turns_;  // daily; precession-nutation is slow
};

}  // namespace standin
