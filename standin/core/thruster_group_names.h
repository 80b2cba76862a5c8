// The names by which the runner's --burn option picks a thruster group.
#pragma once

#include <optional>
#include <string>

#include "host/types.h"

namespace standin {

// main, pitchup, pitchdown, yawleft, yawright, bankleft, bankright,
// forward (the translation group; also "translation"). Letter case ignored.
std::optional<THGROUP_TYPE> group_by_name(const std::string& name);

// The name of a group type as the trace and summary give it: the names
// above, "retro", "hover", "right", "left", "up", "down", "back", or
// "group<N>" for any other.
std::string group_name(THGROUP_TYPE type);

// The list for the help text.
const char* group_names_help();

}  // namespace standin
