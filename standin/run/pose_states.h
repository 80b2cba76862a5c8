// The animation states krvsim --poses reads: one set per line, the
// vessel's animations' states in id order, separated by blanks; blank lines
// and lines starting with # skipped.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "standin/animation/animated_mesh.h"

namespace standin {

// The next line's set into `states`, `number` counting the lines read;
// false at the end. Throws std::runtime_error "name:line: ..." for a word
// that is not a finite number.
bool read_pose_line(std::istream& in, const std::string& name, int& number,
                    AnimationStates& states);

// Every set at once. Throws as read_pose_line.
std::vector<AnimationStates> read_pose_states(std::istream& in, const std::string& name);

}  // namespace standin
