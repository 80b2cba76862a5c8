// The replay page of a trace file already written (format 1): what
// krvreplay does, and krvsim --replay after its run.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace standin {

struct TraceReplayResult {
    bool ok = false;
    bool bad_trace = false;  // the trace itself is at fault (error names file:line)
    std::string error;
    std::size_t kept_steps = 0;
};

// Reads `trace` record by record into a ReplayWriter (the mesh named in its
// header, from `installation`) and writes the page to `out` whole, or not at
// all.
TraceReplayResult write_replay_from_trace(const std::filesystem::path& trace,
                                          const std::filesystem::path& out,
                                          const std::filesystem::path& template_file,
                                          const std::filesystem::path& installation);

}  // namespace standin
