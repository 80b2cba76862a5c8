// A readable account of everything a module declared about one vessel:
// what the runner prints after creating a vessel, and what a developer
// reads to see what the host was told.
#pragma once

#include <string>

#include "standin/core/host.h"
#include "standin/core/vessel_record.h"

namespace standin {

// Several lines of text, each ending in a newline. Thrusters, groups,
// plumes and components are numbered in the order they were declared;
// groups and plumes name their thrusters by those numbers.
std::string vessel_report(const Host& host, const VesselRecord& vessel);

}  // namespace standin
