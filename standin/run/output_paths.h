// Where a run may write: checked once, before anything is read or written.
#pragma once

#include <string>

#include "standin/run/options.h"

namespace standin {

// Every output is a regular file (or not there yet) or standard output
// ("-"); none is one of the run's inputs (the scenario, --poses, --config);
// no two outputs share a file; --svg is a folder. Throws std::runtime_error
// naming the options.
void check_output_paths(const Options& o, const std::string& scenario);

}  // namespace standin
