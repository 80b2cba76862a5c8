// Where the KRV's two high-gain dishes point, read from the animated mesh.
//
// Each dish of the "krv/krv" mesh (mesh 0) is a paraboloid reflector with
// its feed horn at the focus, both symmetric about the dish's axis: the
// boresight runs from the reflector's vertex centroid to the feed's.
#pragma once

#include <cstdint>

#include "host/types.h"
#include "standin/animation/animated_mesh.h"
#include "standin/core/vessel_record.h"

namespace standin {

struct DishGroups {
    std::uint32_t reflector;
    std::uint32_t feed;
};

// Mesh groups of dish 1 (antenna at +y) and dish 2 (antenna at -y).
constexpr DishGroups kDish1Groups{13, 15};
constexpr DishGroups kDish2Groups{8, 9};

// The boresight (unit vector along the dish's axis, out of its face) of
// dish 1 (antenna at +y) or dish 2 (antenna at -y), in the vessel frame,
// at the vessel's current animation states. (0, 0, 0) for any other dish
// number.
VECTOR3 dish_boresight(const VesselRecord& vessel, int dish);

// The same at the given states.
VECTOR3 dish_boresight(const VesselRecord& vessel, int dish, const AnimationStates& states);

}  // namespace standin
