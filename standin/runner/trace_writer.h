// The run's trace: JSON Lines, one object per step.
#pragma once

#include <cstdio>
#include <string>

#include "standin/core/call_log.h"
#include "standin/runner/simulation.h"

namespace standin {

class TraceWriter {
public:
    // Throws std::runtime_error when the file cannot be written.
    TraceWriter(const std::string& path, int own_lines_every);
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // After a step: the time and step number; per vessel what the host
    // answered it in that step (null for what it did not ask), read from
    // the calls the log holds, the animation states, each dish's angle to
    // the Earth and, every N steps, the vessel's own scenario lines.
    void step(Simulation& sim, const CallLog& step_calls);

private:
    std::FILE* file_;
    int own_lines_every_;
};

}  // namespace standin
