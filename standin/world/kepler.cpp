#include "standin/world/kepler.h"

#include <cmath>

#include "standin/core/standin_constants.h"
#include "standin/world/vec3.h"

namespace standin {

bool is_closed_orbit(const StateVector& s, double mu) {
    const double r = norm(s.r);
    return r > 0.0 && 0.5 * dot(s.v, s.v) - mu / r < 0.0;
}

StateVector kepler_propagate(const StateVector& s, double dt, double mu) {
    const double r0 = norm(s.r);
    const double a = 1.0 / (2.0 / r0 - dot(s.v, s.v) / mu);  // vis-viva [m]
    const double n = std::sqrt(mu / (a * a * a));            // mean motion [rad/s]
    // Whole orbits change nothing: reduce first, so that the anomaly to solve
    // for stays within one turn however long the interval.
    const double period = kTwoPi / n;
    const double t = std::fmod(dt, period);
    const double mean = n * t;
    // Kepler's equation in the eccentric-anomaly difference dE, written
    // relative to the epoch state so that circular and equatorial orbits
    // need no special case: n t = dE + sigma0/sqrt(a) (1 - cos dE)
    //                                 - (1 - r0/a) sin dE.
    const double sigma0 = dot(s.r, s.v) / std::sqrt(mu);
    const double c1 = sigma0 / std::sqrt(a);
    const double c2 = 1.0 - r0 / a;
    double de = mean;
    for (int i = 0; i < 50; ++i) {
        const double f = de + c1 * (1.0 - std::cos(de)) - c2 * std::sin(de) - mean;
        const double fp = 1.0 + c1 * std::sin(de) - c2 * std::cos(de);
        const double step = f / fp;
        de -= step;
        if (std::fabs(step) < 1e-15) break;
    }
    const double cos_de = std::cos(de);
    const double sin_de = std::sin(de);
    const double r = a + (r0 - a) * cos_de + sigma0 * std::sqrt(a) * sin_de;
    // Lagrange's f and g: the new state as a combination of the old.
    const double f = 1.0 - a / r0 * (1.0 - cos_de);
    const double g = t + (sin_de - de) / n;
    const double fdot = -std::sqrt(mu * a) * sin_de / (r * r0);
    const double gdot = 1.0 - a / r * (1.0 - cos_de);
    return {f * s.r + g * s.v, fdot * s.r + gdot * s.v};
}

}  // namespace standin
