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

double drift_semi_major_axis(const DriftAcceleration& drift, double drift_deg_day) {
    const double n =
        drift.mean_motion() * (1.0 + drift_deg_day / 360.0 * kSiderealDay / kSecondsPerDay);
    // The true mean motion is the Keplerian one of the osculating a, scaled
    // so that the synchronous orbit's is the Earth's rate.
    return drift.osculating_semi_major_axis() * std::pow(drift.mean_motion() / n, 2.0 / 3.0);
}

ArcFlight fly_arc(const DriftAcceleration& drift, double start_lon, double gap, int orbits) {
    // The drift at the start whose arc ends on the target after `orbits`
    // periods of the drift orbit: secant steps from the Keplerian guess.
    auto flight = [&](double start_drift) {
        ArcFlight f;
        f.start_drift_deg_day = start_drift;
        f.start_a = drift_semi_major_axis(drift, start_drift);
        f.period = kTwoPi * std::sqrt(f.start_a * f.start_a * f.start_a / kEarthMu);
        const ArcMotion end = coast_along_arc(drift, {start_lon, start_drift}, orbits * f.period);
        f.miss_deg = end.lon_deg - (start_lon + gap);
        f.stop_drift_deg_day = end.drift_deg_day;
        f.stop_a = drift_semi_major_axis(drift, end.drift_deg_day);
        return f;
    };
    double x0 = gap / orbits * kSecondsPerDay / kSiderealDay;
    ArcFlight f0 = flight(x0);
    double x1 = x0 - f0.miss_deg / (orbits * kSiderealDay / kSecondsPerDay);
    ArcFlight f1 = flight(x1);
    for (int i = 0; i < 20 && std::fabs(f1.miss_deg) > 1e-9 && f1.miss_deg != f0.miss_deg; ++i) {
        const double x2 = x1 - f1.miss_deg * (x1 - x0) / (f1.miss_deg - f0.miss_deg);
        x0 = x1;
        f0 = f1;
        x1 = x2;
        f1 = flight(x1);
    }
    return f1;
}

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
    const double a_sync = q.drift != nullptr ? q.drift->osculating_semi_major_axis()
                                             : semi_major_axis_for_period(kSiderealDay);
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
    double v_stop = vis_viva(r, p.drift_a);  // on the drift orbit at the point of return
    if (q.drift != nullptr) {
        const ArcFlight f = fly_arc(*q.drift, start_lon, p.gap, q.orbits);
        p.drift_per_orbit = f.start_drift_deg_day * f.period / kSecondsPerDay;
        p.drift_period = f.period;
        p.drift_a = f.start_a;
        v_stop = vis_viva(r, f.stop_a);
    }
    p.delta_a = p.drift_a - a_now;
    const double v_drift = vis_viva(r, p.drift_a);
    if (std::isnan(v_drift) || std::isnan(v_stop)) {
        out.refusal = "no drift orbit through the vessel's position has that period";
        return out;
    }
    const double dv1 = v_drift - v;
    p.prograde = dv1 >= 0.0;
    p.start_dv = std::fabs(dv1);
    p.stop_dv = std::fabs(v_final - v_stop);
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
