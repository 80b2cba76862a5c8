// Where the KRV's two high-gain dishes point, read from the animated mesh.
#pragma once

#include "host/types.h"
#include "standin/core/vessel_record.h"

namespace standin {

// The boresight (unit vector along the dish's axis, out of its face) of
// dish 1 (antenna at +y) or dish 2 (antenna at -y), in the vessel frame,
// at the vessel's current animation states.
VECTOR3 dish_boresight(const VesselRecord& vessel, int dish);

}  // namespace standin
