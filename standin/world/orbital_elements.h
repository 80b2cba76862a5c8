// Conversions between a state vector and the host's orbital elements.
#pragma once

#include "host/types.h"
#include "standin/world/state_vector.h"

namespace standin {

// The orbit through state s about a body of gravitational parameter mu,
// referred to the frame s is given in (its x-y plane the reference plane,
// longitudes from its x axis). epoch_offset [s] is the time from now to the
// epoch of el.mean_lon_epoch. Angles in radians, longitudes in [0, 2pi).
// An orbit that is not closed has period, times and semi-minor axis 0.
void elements_from_state(const StateVector& s, double mu, double epoch_offset, ELEMENTS& el,
                         ORBITPARAM& prm);

// The state on a closed orbit given by its semi-major axis a [m],
// eccentricity e (0 <= e < 1), inclination, longitude of the ascending node,
// longitude of periapsis and mean longitude [rad].
StateVector state_from_elements(double a, double e, double inclination, double node,
                                double periapsis_lon, double mean_lon, double mu);

}  // namespace standin
