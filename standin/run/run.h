// One krvsim run: load the scenario, step it to the end with the keys,
// burns and HUD redraws asked for, write what was asked for.
#pragma once

#include <cstdio>

#include "standin/run/options.h"

namespace standin {

// The exit status: 0 on success, 2 for a scenario that cannot be loaded or
// an output that cannot be written (the message goes to err).
int run(const Options& options, std::FILE* out, std::FILE* err);

}  // namespace standin
