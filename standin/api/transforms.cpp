#include "host/transforms.h"

#include "standin/core/host.h"

MGROUP_TRANSFORM::MGROUP_TRANSFORM(std::uint32_t mesh_index, const std::uint32_t* group_list,
                                   std::uint32_t count)
    : mesh(mesh_index), groups(group_list), group_count(count) {
    if (standin::Host* host = standin::current_host_if_any()) {
        const std::size_t calls = host->log() != nullptr ? host->log()->size() : 0;
        host->transform_births.push_back({this, calls});
    }
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
