// Unit quaternions for a vessel's attitude: q turns vessel-frame vectors
// into global-frame ones.
#pragma once

#include "host/types.h"

namespace standin {

struct Quaternion {
    double w = 1.0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

Quaternion operator*(const Quaternion& a, const Quaternion& b);
Quaternion conjugate(const Quaternion& q);
double norm(const Quaternion& q);
// Zero stays zero; callers reject it.
Quaternion normalized(const Quaternion& q);

// q v q*: a vessel-frame vector in the global frame.
VECTOR3 rotate(const Quaternion& q, const VECTOR3& v);
// q* v q: a global-frame vector in the vessel frame.
VECTOR3 unrotate(const Quaternion& q, const VECTOR3& v);

// The attitude whose vessel axes x, y, z are the given orthonormal global
// directions (a right-handed triad).
Quaternion from_axes(const VECTOR3& x, const VECTOR3& y, const VECTOR3& z);

// The attitude after turning for dt [s] at the constant body rate omega
// [rad/s] (vessel frame): exact, q * exp(omega dt / 2).
Quaternion turned(const Quaternion& q, const VECTOR3& omega, double dt);

}  // namespace standin
