// The posed vertices of a vessel's mesh groups, as JSON, for checking other
// renderings of the rig against this host's own engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/animation/animated_mesh.h"
#include "standin/core/vessel_record.h"

namespace standin {

// {"mesh":M,"sets":[{"states":[s0,s1,...],"groups":{"N":[[x,y,z],...],...}},...]}
// One entry per state set, in the order given; each group of the mesh by its
// number, its vertices in the order of the group's own list (the order in
// which the file's faces first name them), moved to the states [m, vessel
// frame]. Numbers are the shortest text that reads back to the same double;
// non-finite ones the strings "nan", "inf", "-inf". Empty "groups" when the
// vessel has no such mesh or the installation lacks its file.
std::string posed_groups_json(const VesselRecord& vessel, std::uint32_t mesh,
                              const std::vector<AnimationStates>& sets);

}  // namespace standin
