// Two-body motion on a closed (elliptic) orbit, in closed form.
//
// The state after any time follows from the epoch state alone, so a
// coasting orbit computed step after step from the same epoch keeps its
// energy, and thus its period, exactly.
#pragma once

#include "standin/world/state_vector.h"

namespace standin {

// Specific orbital energy is negative: the orbit is an ellipse (or a circle).
bool is_closed_orbit(const StateVector& s, double mu);

// The state dt seconds after s (dt may be negative or span many orbits), for
// a closed orbit about a body of gravitational parameter mu [m^3/s^2].
StateVector kepler_propagate(const StateVector& s, double dt, double mu);

}  // namespace standin
