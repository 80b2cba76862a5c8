#include "standin/station/relocation_plan.h"

#include <cmath>

#include "host/types.h"
#include "standin/core/standin_constants.h"
#include "standin/world/earth.h"
#include "standin/world/orbital_elements.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

double wrap360(double deg) {
    const double w = std::fmod(deg, 360.0);
    return w < 0.0 ? w + 360.0 : w;
}

double semi_major_axis_for_period(double period) {
    const double n = kTwoPi / period;
    return std::cbrt(kEarthMu / (n * n));
}

// Speed on an orbit of semi-major axis a at radius r; NaN where none reaches.
double vis_viva(double r, double a) {
    const double e = kEarthMu * (2.0 / r - 1.0 / a);
    return e > 0.0 ? std::sqrt(e) : std::nan("");
}

}  // namespace

double burn_duration(double mass, double dv, double thrust, double exhaust_velocity) {
    const double flow = thrust / exhaust_velocity;  // [kg/s]
    return mass * (1.0 - std::exp(-std::fabs(dv) / exhaust_velocity)) / flow;
}

RelocationOutcome plan_relocation(const RelocationRequest& q) {
    RelocationOutcome out;
    if (q.orbits <= 0) {
        out.refusal = "the number of drift orbits must be positive";
        return out;
    }
    if (!(q.target_lon >= 0.0 && q.target_lon < 360.0)) {
        out.refusal = "the target is not a longitude";
        return out;
    }
    if (!(q.thrust > 0.0 && q.exhaust_velocity > 0.0 && q.mass > 0.0)) {
        out.refusal = "the vessel has no working main engine";
        return out;
    }
    const double r = norm(q.state.r);
    const double v = norm(q.state.v);
    const double a_now = 1.0 / (2.0 / r - v * v / kEarthMu);
    if (!(r > 0.0 && a_now > 0.0 && std::isfinite(a_now))) {
        out.refusal = "the vessel is not on a closed orbit about the Earth";
        return out;
    }
    const VECTOR3 along = unit(q.state.v);

    // Where the orbit made geostationary at the burn point has its mean
    // longitude: the true longitude of that point plus the small offset a
    // not quite circular orbit gives.
    const double a_sync = semi_major_axis_for_period(kSiderealDay);
    const double v_final = vis_viva(r, a_sync);
    if (std::isnan(v_final)) {
        out.refusal = "the vessel is too far out for a geostationary orbit through it";
        return out;
    }
    ELEMENTS el;
    ORBITPARAM prm;
    elements_from_state({q.state.r, v_final * along}, kEarthMu, 0.0, el, prm);
    const double start_lon = wrap360(prm.mean_lon * kDegPerRad - q.earth_rotation * kDegPerRad);

    RelocationPlan p;
    p.start_lon = start_lon;
    p.gap = std::fmod(wrap360(q.target_lon - start_lon) + 180.0, 360.0) - 180.0;
    p.drift_per_orbit = p.gap / q.orbits;
    p.drift_period = kSiderealDay * (1.0 - p.drift_per_orbit / 360.0);
    p.drift_a = semi_major_axis_for_period(p.drift_period);
    p.delta_a = p.drift_a - a_now;
    const double v_drift = vis_viva(r, p.drift_a);
    if (std::isnan(v_drift)) {
        out.refusal = "no drift orbit through the vessel's position has that period";
        return out;
    }
    const double dv1 = v_drift - v;
    p.prograde = dv1 >= 0.0;
    p.start_dv = std::fabs(dv1);
    p.stop_dv = std::fabs(v_final - v_drift);
    p.start_duration = burn_duration(q.mass, p.start_dv, q.thrust, q.exhaust_velocity);
    const double mass_after = q.mass * std::exp(-p.start_dv / q.exhaust_velocity);
    p.stop_duration = burn_duration(mass_after, p.stop_dv, q.thrust, q.exhaust_velocity);
    p.stop_offset = q.orbits * p.drift_period;
    p.propellant = q.mass * (1.0 - std::exp(-(p.start_dv + p.stop_dv) / q.exhaust_velocity));
    if (p.propellant > q.propellant) {
        out.refusal = "not enough propellant: the burns need " + std::to_string(p.propellant) +
                      " kg, the tank holds " + std::to_string(q.propellant) + " kg";
        return out;
    }
    out.plan = p;
    return out;
}

}  // namespace standin
