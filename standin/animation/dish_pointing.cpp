#include "standin/animation/dish_pointing.h"

namespace standin {

// Placeholder until the animation engine reads the mesh: the stowed faces.
VECTOR3 dish_boresight(const VesselRecord& /*vessel*/, int dish) {
    return dish == 1 ? VECTOR3{0, 1, 0} : VECTOR3{0, -1, 0};
}

}  // namespace standin
