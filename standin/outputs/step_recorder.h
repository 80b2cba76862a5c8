// What the run keeps of each step: the trace's step record and its ends of
// travel (with the host's calls read through StepCallReader), and the
// summary's view of the step.
#pragma once

#include <memory>
#include <vector>

#include "standin/outputs/run_summary.h"
#include "standin/outputs/trace_writer.h"
#include "standin/run/simulation.h"
#include "standin/snapshot/step_calls.h"

namespace standin {

class StepRecorder {
public:
    // trace may be null, and so may calls, the host's log of this step's
    // calls, when there is no trace; until [s] is the run's end, whose step
    // is always kept.
    StepRecorder(Simulation& sim, const CallLog* calls, TraceWriter* trace, RunSummary& summary,
                 int trace_every, double until, double eps);

    // After step n of length dt [s].
    void record(long n, double dt);

private:
    Simulation& sim_;
    TraceWriter* trace_;
    RunSummary& summary_;
    int trace_every_;
    double last_;  // [s] a step ending at or after this is the last
    // Only a trace needs the host's calls: recording them costs.
    std::unique_ptr<StepCallReader> reader_;
    std::vector<StepCalls> calls_;
};

}  // namespace standin
