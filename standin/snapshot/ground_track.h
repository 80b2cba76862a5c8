// Where a vessel stands over the turning Earth, as small pure functions:
// the one place the host works these figures out.
#pragma once

#include "host/types.h"

namespace standin {

// [deg] east, 0..360: the sub-satellite longitude of a global position.
double sub_satellite_lon_deg(const VECTOR3& r, double earth_rotation);

// [deg] east, 0..360: an orbit's mean longitude [rad] over the ground.
double mean_surface_lon_deg(double mean_lon, double earth_rotation);

// [deg per orbit] east positive: how far an orbit of this period [s]
// drifts against the ground in one sidereal day.
double drift_deg_per_orbit(double period);

// [deg] 0..180: the tilt of the orbit through a global state to the Earth's
// equator of the date (the global frame's); 0 for a state with no orbit
// plane (at rest, or moving straight up or down).
double inclination_deg(const VECTOR3& r, const VECTOR3& v);

}  // namespace standin
