#include "standin/animation/dish_pointing.h"

#include <cmath>

#include "standin/profiles/vessel_profile.h"

namespace standin {

namespace {

VECTOR3 unit(const VECTOR3& v) {
    const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(n > 0.0)) return {0, 0, 0};
    return {v.x / n, v.y / n, v.z / n};
}

}  // namespace

VECTOR3 dish_boresight(const VesselRecord& vessel, int dish) {
    return dish_boresight(vessel, dish, current_states(vessel));
}

VECTOR3 dish_boresight(const VesselRecord& vessel, int dish, const AnimationStates& states) {
    const VesselProfile* profile = vessel_profile(vessel);
    if (profile == nullptr || dish < 1 || dish > static_cast<int>(profile->dishes.size()))
        return {0, 0, 0};
    const DishGroups& groups = profile->dishes[static_cast<std::size_t>(dish - 1)];
    const AnimatedMesh mesh(vessel, 0, states);
    const Mesh* geometry = mesh.geometry();
    if (geometry != nullptr && geometry->group(groups.reflector) != nullptr &&
        geometry->group(groups.feed) != nullptr) {
        const VECTOR3 from = mesh.group_centroid(groups.reflector);
        const VECTOR3 to = mesh.group_centroid(groups.feed);
        return unit({to.x - from.x, to.y - from.y, to.z - from.z});
    }
    // Without the mesh file, carry the dish's stowed facing through the
    // reflector's motion.
    return unit(mesh.group_motion(groups.reflector).direction(groups.stowed));
}

}  // namespace standin
