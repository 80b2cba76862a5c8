// The animation states krvsim --poses reads: one set per line, the
// vessel's animations' states in id order, separated by blanks; blank lines
// and lines starting with # skipped.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "standin/animation/animated_mesh.h"

namespace standin {

// Throws std::runtime_error "name:line: ..." for a word that is not a
// finite number.
std::vector<AnimationStates> read_pose_states(std::istream& in, const std::string& name);

}  // namespace standin
