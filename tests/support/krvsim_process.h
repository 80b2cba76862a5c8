// krvsim run as a user runs it: a process of its own, its output read back.
#pragma once

#include <string>

namespace krvtest {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

// Runs the built krvsim with --no-progress and args (shell words).
Outcome krvsim(const std::string& args);

}  // namespace krvtest
