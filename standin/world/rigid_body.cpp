#include "standin/world/rigid_body.h"

#include <cmath>

#include "standin/world/vec3.h"

namespace standin {

namespace {

struct Derivative {
    VECTOR3 dr, dv;
    Quaternion dq;
    VECTOR3 domega;
};

Derivative derivative(const RigidBodyState& s, const ThrustLoad& load, double mass,
                      const VECTOR3& pmi, double mu, const VECTOR3& perturbation) {
    const double r = norm(s.orbit.r);
    const VECTOR3 gravity = (-mu / (r * r * r)) * s.orbit.r;
    const VECTOR3 thrust = (1.0 / mass) * rotate(s.attitude, load.force);
    const Quaternion w{0.0, s.omega.x, s.omega.y, s.omega.z};
    const Quaternion qd = s.attitude * w;
    // Euler's equations with a diagonal inertia I = mass * pmi.
    const VECTOR3 inertia = mass * pmi;
    const VECTOR3 iw{inertia.x * s.omega.x, inertia.y * s.omega.y, inertia.z * s.omega.z};
    const VECTOR3 net = load.torque - cross(s.omega, iw);
    return {s.orbit.v,
            gravity + thrust + perturbation,
            {0.5 * qd.w, 0.5 * qd.x, 0.5 * qd.y, 0.5 * qd.z},
            {net.x / inertia.x, net.y / inertia.y, net.z / inertia.z}};
}

RigidBodyState advanced(const RigidBodyState& s, const Derivative& d, double h) {
    return {{s.orbit.r + h * d.dr, s.orbit.v + h * d.dv},
            {s.attitude.w + h * d.dq.w, s.attitude.x + h * d.dq.x, s.attitude.y + h * d.dq.y,
             s.attitude.z + h * d.dq.z},
            s.omega + h * d.domega};
}

}  // namespace

RigidBodyState integrate_step(const RigidBodyState& s, const ThrustLoad& load, double mass0,
                              const VECTOR3& pmi, double h, double mu,
                              const VECTOR3& perturbation) {
    const double m_mid = mass0 - 0.5 * h * load.mass_flow;
    const double m_end = mass0 - h * load.mass_flow;
    const Derivative k1 = derivative(s, load, mass0, pmi, mu, perturbation);
    const Derivative k2 = derivative(advanced(s, k1, 0.5 * h), load, m_mid, pmi, mu, perturbation);
    const Derivative k3 = derivative(advanced(s, k2, 0.5 * h), load, m_mid, pmi, mu, perturbation);
    const Derivative k4 = derivative(advanced(s, k3, h), load, m_end, pmi, mu, perturbation);
    auto combine = [h](double a, double b, double c, double d) {
        return h / 6.0 * (a + 2.0 * b + 2.0 * c + d);
    };
    auto combine3 = [&](const VECTOR3& a, const VECTOR3& b, const VECTOR3& c, const VECTOR3& d) {
        return VECTOR3{combine(a.x, b.x, c.x, d.x), combine(a.y, b.y, c.y, d.y),
                       combine(a.z, b.z, c.z, d.z)};
    };
    RigidBodyState out;
    out.orbit.r = s.orbit.r + combine3(k1.dr, k2.dr, k3.dr, k4.dr);
    out.orbit.v = s.orbit.v + combine3(k1.dv, k2.dv, k3.dv, k4.dv);
    out.attitude = normalized({s.attitude.w + combine(k1.dq.w, k2.dq.w, k3.dq.w, k4.dq.w),
                               s.attitude.x + combine(k1.dq.x, k2.dq.x, k3.dq.x, k4.dq.x),
                               s.attitude.y + combine(k1.dq.y, k2.dq.y, k3.dq.y, k4.dq.y),
                               s.attitude.z + combine(k1.dq.z, k2.dq.z, k3.dq.z, k4.dq.z)});
    out.omega = s.omega + combine3(k1.domega, k2.domega, k3.domega, k4.domega);
    return out;
}

}  // namespace standin
