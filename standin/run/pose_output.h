// krvsim --poses: the first vessel's mesh groups posed at each line of
// animation states, written set by set as the lines are read, so that the
// memory used does not grow with the file.
#pragma once

#include <cstdio>

#include "standin/run/options.h"
#include "standin/run/simulation.h"

namespace standin {

// Each line holds one state per animation of the vessel's rig, each from 0
// to 1. Stops early (output left out, as on any failure) on a signal.
// Throws std::runtime_error naming the file and line, or the option.
void write_poses(const Options& o, Simulation& sim, std::FILE* out);

}  // namespace standin
