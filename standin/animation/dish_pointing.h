// Where a vessel's dishes point, read from the animated mesh.
//
// Each dish its profile names in mesh 0 is a paraboloid reflector with its
// feed horn at the focus, both symmetric about the dish's axis: the
// boresight runs from the reflector's vertex centroid to the feed's.
#pragma once

#include <cstdint>

#include "host/types.h"
#include "standin/animation/animated_mesh.h"
#include "standin/core/vessel_record.h"

namespace standin {

// The boresight (unit vector along the dish's axis, out of its face) of
// dish 1 or 2 of the vessel's profile, in the vessel frame, at the
// vessel's current animation states. (0, 0, 0) for any other dish number
// and for a vessel without a profile.
VECTOR3 dish_boresight(const VesselRecord& vessel, int dish);

// The same at the given states.
VECTOR3 dish_boresight(const VesselRecord& vessel, int dish, const AnimationStates& states);

}  // namespace standin
