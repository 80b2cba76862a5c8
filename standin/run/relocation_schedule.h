// A --relocate order flown for every vessel: planned before the run (a plan
// the host cannot fly stops the run before it starts), then one executor
// per vessel, its plan, phases and burns told as events as they happen and
// its report at the end.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "standin/run/schedules.h"
#include "standin/station/relocation_report.h"

namespace standin {

class RelocationSchedule : public Schedule {
public:
    // Throws std::runtime_error naming --relocate and the reason when a
    // vessel's plan is refused.
    RelocationSchedule(const std::optional<RelocateCommand>& order, Simulation& sim);

    // An order given while the run goes on, planned now; throws as the
    // constructor does.
    void add(const RelocateCommand& order, Simulation& sim);
    bool empty() const { return flights_.empty(); }

    Bounds bounds() const override { return Bounds::always; }
    // The forecast plans of the orders added last: on err and as events.
    void announce(RunContext& run, std::FILE* err);
    // [s] the latest time the next step may end at; infinity when nothing
    // is pending.
    double next_time(double t) const override;
    void due(double t, double step_end, RunContext& run) override;
    // The reports, as events.
    void end(double t, const char* reason, RunContext& run) override;
    // Whether the vessel (by its index in the run) has arrived.
    bool arrived(std::size_t vessel) const {
        return vessel < flights_.size() &&
               flights_[vessel].executor->phase() == RelocationPhase::arrived;
    }

private:
    struct Flight {
        std::unique_ptr<RelocationExecutor> executor;
        RelocationReport report;
        RelocationPhase reported = RelocationPhase::waiting;
        std::size_t starts_reported = 0, ends_reported = 0;
    };
    std::vector<Flight> flights_;
    std::size_t announced_ = 0;  // the flights before it were announced with an earlier order
};

}  // namespace standin
