#include "standin/animation/rigid_motion.h"

#include <cmath>

namespace standin {

VECTOR3 RigidMotion::direction(const VECTOR3& d) const {
    return {r[0][0] * d.x + r[0][1] * d.y + r[0][2] * d.z,
            r[1][0] * d.x + r[1][1] * d.y + r[1][2] * d.z,
            r[2][0] * d.x + r[2][1] * d.y + r[2][2] * d.z};
}

VECTOR3 RigidMotion::point(const VECTOR3& p) const {
    const VECTOR3 q = direction(p);
    return {q.x + t.x, q.y + t.y, q.z + t.z};
}

RigidMotion RigidMotion::rotation_about(const VECTOR3& through, const VECTOR3& axis, double angle) {
    RigidMotion m;
    const double n = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    if (!(n > 0.0) || angle == 0.0) return m;
    const double ux = axis.x / n, uy = axis.y / n, uz = axis.z / n;
    const double c = std::cos(angle), s = std::sin(angle), k = 1.0 - c;
    // Rodrigues' formula as a matrix.
    m.r[0][0] = c + ux * ux * k;
    m.r[0][1] = ux * uy * k - uz * s;
    m.r[0][2] = ux * uz * k + uy * s;
    m.r[1][0] = uy * ux * k + uz * s;
    m.r[1][1] = c + uy * uy * k;
    m.r[1][2] = uy * uz * k - ux * s;
    m.r[2][0] = uz * ux * k - uy * s;
    m.r[2][1] = uz * uy * k + ux * s;
    m.r[2][2] = c + uz * uz * k;
    // Points on the axis stay put: t = through - R through.
    const VECTOR3 moved = m.direction(through);
    m.t = {through.x - moved.x, through.y - moved.y, through.z - moved.z};
    return m;
}

RigidMotion operator*(const RigidMotion& outer, const RigidMotion& inner) {
    RigidMotion m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m.r[i][j] = outer.r[i][0] * inner.r[0][j] + outer.r[i][1] * inner.r[1][j] +
                        outer.r[i][2] * inner.r[2][j];
    m.t = outer.point(inner.t);
    return m;
}

}  // namespace standin
