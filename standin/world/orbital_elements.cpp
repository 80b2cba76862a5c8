#include "standin/world/orbital_elements.h"

#include <cmath>

#include "standin/core/standin_constants.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

double wrap_turn(double a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0.0) a += kTwoPi;
    // fmod of a value just below zero can round the sum up to a full turn.
    return a >= kTwoPi ? 0.0 : a;
}

// Below this, the node or the periapsis is taken as undefined and counted
// from the reference direction instead: the sums stay continuous.
constexpr double kDegenerate = 1e-11;

}  // namespace

void elements_from_state(const StateVector& s, double mu, double epoch_offset, ELEMENTS& el,
                         ORBITPARAM& prm) {
    const double r = norm(s.r);
    const double v2 = dot(s.v, s.v);
    const VECTOR3 h = cross(s.r, s.v);
    const double hn = norm(h);
    const VECTOR3 w = unit(h);  // orbit normal
    const VECTOR3 e_vec = (1.0 / mu) * cross(s.v, h) - (1.0 / r) * s.r;
    const double e = norm(e_vec);
    const double a = 1.0 / (2.0 / r - v2 / mu);

    const double inclination = std::acos(std::fmax(-1.0, std::fmin(1.0, h.z / hn)));
    const double node_len = std::hypot(h.x, h.y);
    const double node = node_len > kDegenerate * hn ? wrap_turn(std::atan2(h.x, -h.y)) : 0.0;
    // In-plane basis: n toward the ascending node, m 90 degrees on in the
    // direction of motion. Angles from n plus the node are longitudes.
    const VECTOR3 n{std::cos(node), std::sin(node), 0.0};
    const VECTOR3 m = cross(w, n);
    const double true_lon = wrap_turn(node + std::atan2(dot(s.r, m), dot(s.r, n)));
    const double periapsis_lon =
        e > kDegenerate ? wrap_turn(node + std::atan2(dot(e_vec, m), dot(e_vec, n))) : 0.0;
    const double nu = true_lon - periapsis_lon;  // true anomaly

    el.semi_major_axis = a;
    el.eccentricity = e;
    el.inclination = inclination;
    el.ascending_node = node;
    el.periapsis_lon = periapsis_lon;
    prm = ORBITPARAM{};
    prm.periapsis_dist = a * (1.0 - e);
    prm.true_anomaly = wrap_turn(nu);
    prm.true_lon = true_lon;

    if (e < 1.0 && a > 0.0) {
        const double big_e = std::atan2(std::sqrt(1.0 - e * e) * std::sin(nu), e + std::cos(nu));
        const double mean = wrap_turn(big_e - e * std::sin(big_e));
        const double motion = std::sqrt(mu / (a * a * a));  // [rad/s]
        const double period = kTwoPi / motion;
        prm.semi_minor_axis = a * std::sqrt(1.0 - e * e);
        prm.apoapsis_dist = a * (1.0 + e);
        prm.eccentric_anomaly = wrap_turn(big_e);
        prm.mean_anomaly = mean;
        prm.mean_lon = wrap_turn(periapsis_lon + mean);
        prm.period = period;
        prm.time_to_periapsis = std::fmod(kTwoPi - mean, kTwoPi) / motion;
        prm.time_to_apoapsis = wrap_turn(3.141592653589793 - mean) / motion;
        el.mean_lon_epoch = wrap_turn(prm.mean_lon + motion * epoch_offset);
    } else {
        // An open orbit: no period, and no mean longitude that repeats.
        prm.apoapsis_dist = INFINITY;
        prm.mean_lon = true_lon;
        el.mean_lon_epoch = true_lon;
    }
}

StateVector state_from_elements(double a, double e, double inclination, double node,
                                double periapsis_lon, double mean_lon, double mu) {
    const double omega = periapsis_lon - node;  // argument of periapsis
    const double mean = mean_lon - periapsis_lon;
    double big_e = mean;
    for (int i = 0; i < 50; ++i) {
        const double step = (big_e - e * std::sin(big_e) - mean) / (1.0 - e * std::cos(big_e));
        big_e -= step;
        if (std::fabs(step) < 1e-15) break;
    }
    // Perifocal position and velocity, then into the reference frame.
    const double b = a * std::sqrt(1.0 - e * e);
    const double r = a * (1.0 - e * std::cos(big_e));
    const double edot = std::sqrt(mu / (a * a * a)) * a / r;
    const double px = a * (std::cos(big_e) - e), py = b * std::sin(big_e);
    const double vx = -a * std::sin(big_e) * edot, vy = b * std::cos(big_e) * edot;
    const double co = std::cos(omega), so = std::sin(omega);
    const double cn = std::cos(node), sn = std::sin(node);
    const double ci = std::cos(inclination), si = std::sin(inclination);
    const VECTOR3 p{cn * co - sn * so * ci, sn * co + cn * so * ci, so * si};
    const VECTOR3 q{-cn * so - sn * co * ci, -sn * so + cn * co * ci, co * si};
    return {px * p + py * q, vx * p + vy * q};
}

}  // namespace standin
