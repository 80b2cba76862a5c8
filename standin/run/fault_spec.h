// krvsim's --fault FROM:TO:KIND: a window of simulation time in which the
// host answers falsely.
#pragma once

#include <optional>
#include <string>

#include "standin/core/fault_schedule.h"

namespace standin {

// The kind a name means: no-earth, no-elements, zero-earth-vector,
// geo-period.
std::optional<HostFault> fault_by_name(const std::string& name);
// The name of a kind, as --fault takes it.
const char* fault_name(HostFault kind);
// Throws OptionsError naming --fault when the text is not a window from a
// time to a later one and a known kind.
FaultWindow parse_fault(const std::string& text);

}  // namespace standin
