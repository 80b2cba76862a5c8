#include "standin/world/quaternion.h"

#include <cmath>

#include "standin/world/vec3.h"

namespace standin {

Quaternion operator*(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion conjugate(const Quaternion& q) {
    return {q.w, -q.x, -q.y, -q.z};
}

double norm(const Quaternion& q) {
    return std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
}

Quaternion normalized(const Quaternion& q) {
    const double n = norm(q);
    if (!(n > 0.0)) return {0.0, 0.0, 0.0, 0.0};
    return {q.w / n, q.x / n, q.y / n, q.z / n};
}

VECTOR3 rotate(const Quaternion& q, const VECTOR3& v) {
    // v + 2 u x (u x v + w v), u the vector part: cheaper than two products.
    const VECTOR3 u{q.x, q.y, q.z};
    const VECTOR3 t = cross(u, v) + q.w * v;
    return v + 2.0 * cross(u, t);
}

VECTOR3 unrotate(const Quaternion& q, const VECTOR3& v) {
    return rotate(conjugate(q), v);
}

Quaternion from_axes(const VECTOR3& x, const VECTOR3& y, const VECTOR3& z) {
    // The rotation matrix has the axes as columns; Shepperd's choice of the
    // largest diagonal term keeps the square root away from zero.
    const double m00 = x.x, m11 = y.y, m22 = z.z;
    const double trace = m00 + m11 + m22;
    Quaternion q;
    if (trace > 0.0) {
        const double s = 2.0 * std::sqrt(1.0 + trace);
        q = {0.25 * s, (y.z - z.y) / s, (z.x - x.z) / s, (x.y - y.x) / s};
    } else if (m00 > m11 && m00 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
        q = {(y.z - z.y) / s, 0.25 * s, (y.x + x.y) / s, (z.x + x.z) / s};
    } else if (m11 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
        q = {(z.x - x.z) / s, (y.x + x.y) / s, 0.25 * s, (z.y + y.z) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
        q = {(x.y - y.x) / s, (z.x + x.z) / s, (z.y + y.z) / s, 0.25 * s};
    }
    return normalized(q);
}

Quaternion turned(const Quaternion& q, const VECTOR3& omega, double dt) {
    const double rate = norm(omega);
    const double half = 0.5 * rate * dt;
    if (!(half != 0.0)) return q;
    const double s = std::sin(half) / rate;
    return normalized(q * Quaternion{std::cos(half), s * omega.x, s * omega.y, s * omega.z});
}

}  // namespace standin
