// Records that describe how an animation component moves mesh groups.
//
// The host reads these records through the pointers it is given and keeps
// the pointers; the module owns the storage. Neither class has a virtual
// destructor: a record is never deleted through its base.
#pragma once

#include <cstdint>

#include "host_export.h"
#include "types.h"

class HOSTAPI MGROUP_TRANSFORM {
public:
    MGROUP_TRANSFORM(std::uint32_t mesh, const std::uint32_t* groups, std::uint32_t group_count);

    // The kind of transform: 0 for this base, 1 for a rotation.
    virtual int Kind() const;

    std::uint32_t mesh;           // index of the vessel mesh holding the groups
    const std::uint32_t* groups;  // indices of the groups this component moves
    std::uint32_t group_count;    // entries of groups to use; 0 allowed
};

class HOSTAPI MGROUP_ROTATE : public MGROUP_TRANSFORM {
public:
    MGROUP_ROTATE(std::uint32_t mesh, const std::uint32_t* groups, std::uint32_t group_count,
                  const VECTOR3& ref, const VECTOR3& axis, float angle);

    int Kind() const override;

    VECTOR3 ref;   // [m] a point on the axis, mesh frame, all animations at 0
    VECTOR3 axis;  // unit direction of the axis
    float angle;   // [rad] rotation at animation state 1
};
