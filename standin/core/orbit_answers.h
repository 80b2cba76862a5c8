// What the host wrote through GetElements' out-parameters, as named answers
// of the recorded call.
#pragma once

#include "host/types.h"
#include "standin/core/call_log.h"

namespace standin {

void record_orbit(const Recorded& call, const ELEMENTS& el, const ORBITPARAM* prm);

}  // namespace standin
