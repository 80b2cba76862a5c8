// A rigid motion of space: a rotation followed by a translation, acting on
// points as p' = R p + t and on directions as d' = R d.
#pragma once

#include "host/types.h"

namespace standin {

struct RigidMotion {
    double r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    VECTOR3 t{0, 0, 0};

    VECTOR3 point(const VECTOR3& p) const;
    VECTOR3 direction(const VECTOR3& d) const;

    // The turn by angle [rad] about the line through `through` along `axis`
    // (right-handed about the axis). A zero axis gives no motion.
    static RigidMotion rotation_about(const VECTOR3& through, const VECTOR3& axis, double angle);
};

// First `inner`, then `outer`: (outer * inner)(p) = outer(inner(p)).
RigidMotion operator*(const RigidMotion& outer, const RigidMotion& inner);

}  // namespace standin
