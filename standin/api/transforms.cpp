#include "host/transforms.h"

#include "standin/core/host.h"

MGROUP_TRANSFORM::MGROUP_TRANSFORM(std::uint32_t mesh_index, const std::uint32_t* group_list,
                                   std::uint32_t count)
    : mesh(mesh_index), groups(group_list), group_count(count) {
    // A module's static records may be built at load time, outside any host.
    if (standin::Host* host = standin::current_host_if_any())
        host->record(nullptr, "MGROUP_TRANSFORM", "mesh groups count", mesh_index, group_list,
                     count)
            .result(static_cast<const MGROUP_TRANSFORM*>(this));
}

int MGROUP_TRANSFORM::Kind() const {
    return 0;
}

MGROUP_ROTATE::MGROUP_ROTATE(std::uint32_t mesh_index, const std::uint32_t* group_list,
                             std::uint32_t count, const VECTOR3& ref_point, const VECTOR3& axis_dir,
                             float full_angle)
    : MGROUP_TRANSFORM(mesh_index, group_list, count),
      ref(ref_point),
      axis(axis_dir),
      angle(full_angle) {}

int MGROUP_ROTATE::Kind() const {
    return 1;
}
