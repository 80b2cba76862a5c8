// The Earth as the world knows it: at the global origin, turning about the
// global z axis. The global frame is the Earth's equator of the date with
// its x axis along the direction from which the Earth rotation angle is
// counted (the celestial intermediate origin), so that an orbit's longitude
// minus the rotation angle is a longitude on the Earth's surface.
#pragma once

#include "host/types.h"
#include "standin/core/standin_constants.h"

namespace standin {

// [m] the reference ellipsoid's polar radius (flattening 1/298.257223563)
constexpr double kEarthPolarRadius = kEarthRadius * (1.0 - 1.0 / 298.257223563);
constexpr double kSecondsPerDay = 86400.0;  // [s]

// The Earth rotation angle [rad] in [0, 2pi) at a Modified Julian Date,
// taken as UT1 (the stand-in host keeps one time scale).
double earth_rotation_angle(double mjd);

// The unit direction from the Earth's centre to the Sun, in the global
// frame, at a UTC Modified Julian Date (read by ERFA at TT, leap seconds
// counted).
VECTOR3 sun_direction(double mjd);

// The Sun's distance from the Earth [m] at a UTC Modified Julian Date.
double sun_distance(double mjd);

// The obliquity of the ecliptic [rad] at a Modified Julian Date.
double ecliptic_obliquity(double mjd);

}  // namespace standin
