#include "standin/animation/dish_pointing.h"

#include <cmath>

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
    if (dish != 1 && dish != 2) return {0, 0, 0};
    const DishGroups groups = dish == 1 ? kDish1Groups : kDish2Groups;
    const AnimatedMesh mesh(vessel, 0, states);
    const Mesh* geometry = mesh.geometry();
    if (geometry != nullptr && geometry->group(groups.reflector) != nullptr &&
        geometry->group(groups.feed) != nullptr) {
        const VECTOR3 from = mesh.group_centroid(groups.reflector);
        const VECTOR3 to = mesh.group_centroid(groups.feed);
        return unit({to.x - from.x, to.y - from.y, to.z - from.z});
    }
    // Without the mesh file, carry the dish's stowed facing (outward from
    // its side of the bus) through the reflector's motion.
    const VECTOR3 stowed = dish == 1 ? VECTOR3{0, 1, 0} : VECTOR3{0, -1, 0};
    return unit(mesh.group_motion(groups.reflector).direction(stowed));
}

}  // namespace standin
