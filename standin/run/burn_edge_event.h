// A main-engine burn the host flies (a relocation's, station keeping's),
// one of its edges as a run event.
#pragma once

#include <cstddef>

#include "standin/snapshot/run_event.h"
#include "standin/station/burn_flight.h"

namespace standin {

// The start edge (level, planned delta-v) or the end edge (and the
// delta-v flown) of burn b of the vessel-th vessel, at t [s].
RunEvent burn_edge_event(double t, std::size_t vessel, const ExecutedBurn& b, bool start);

}  // namespace standin
