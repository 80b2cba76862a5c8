// Arithmetic on the host's VECTOR3, for the world's mechanics.
#pragma once

#include <cmath>

#include "host/types.h"

namespace standin {

inline VECTOR3 operator+(const VECTOR3& a, const VECTOR3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline VECTOR3 operator-(const VECTOR3& a, const VECTOR3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline VECTOR3 operator-(const VECTOR3& a) {
    return {-a.x, -a.y, -a.z};
}
inline VECTOR3 operator*(double s, const VECTOR3& a) {
    return {s * a.x, s * a.y, s * a.z};
}
inline double dot(const VECTOR3& a, const VECTOR3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline VECTOR3 cross(const VECTOR3& a, const VECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(const VECTOR3& a) {
    return std::sqrt(dot(a, a));
}
inline VECTOR3 unit(const VECTOR3& a) {
    const double n = norm(a);
    return n > 0.0 ? (1.0 / n) * a : VECTOR3{0.0, 0.0, 0.0};
}
// Angle between two directions [rad], robust near 0 and pi.
inline double angle_between(const VECTOR3& a, const VECTOR3& b) {
    return std::atan2(norm(cross(a, b)), dot(a, b));
}

}  // namespace standin
