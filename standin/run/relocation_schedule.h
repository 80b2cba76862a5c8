// A --relocate order flown for every vessel: planned before the run (a plan
// the host cannot fly stops the run before it starts), then one executor
// per vessel, its plan, phases and burns reported as they happen.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "standin/outputs/overview_plot.h"
#include "standin/run/schedules.h"
#include "standin/station/relocation_report.h"

namespace standin {

class RelocationSchedule {
public:
    // Throws std::runtime_error naming --relocate and the reason when a
    // vessel's plan is refused.
    RelocationSchedule(const std::optional<RelocateCommand>& order, Simulation& sim);

    // The forecast plans: on err, in the trace and the summary.
    void announce(RunRecord& run, std::FILE* err);
    // Before each step.
    void before_step(RunRecord& run);
    // [s] the latest time the next step may end at; infinity when nothing
    // is pending.
    double next_time() const;
    // Per vessel, the marks of its burns.
    std::vector<std::vector<OverviewMark>> marks() const;
    // Into the summary, at the end.
    void finish(RunRecord& run);

private:
    struct Flight {
        std::unique_ptr<RelocationExecutor> executor;
        RelocationReport report;
        RelocationPhase reported = RelocationPhase::waiting;
        std::size_t starts_reported = 0, ends_reported = 0;
    };
    std::vector<Flight> flights_;
};

}  // namespace standin
