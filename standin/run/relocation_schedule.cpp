#include "standin/run/relocation_schedule.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "standin/core/standin_constants.h"
#include "standin/json/latin1.h"
#include "standin/run/burn_edge_event.h"
#include "standin/world/earth.h"

namespace standin {

namespace {

// [deg] a gap this small is no move: the longitude as printed, to 0.01 deg.
constexpr double kNoRelocationDeg = 0.005;

// A burn edge the executor made, as an event.
RunEvent burn_event(double t, std::size_t vessel, const ExecutedBurn& b, bool start) {
    RunEvent e = burn_edge_event(t, vessel, b, start);
    e.role = burn_role_name(b.role);
    return e;
}

}  // namespace

RelocationSchedule::RelocationSchedule(const std::optional<RelocateCommand>& order,
                                       Simulation& sim) {
    if (order) add(*order, sim);
}

void RelocationSchedule::add(const RelocateCommand& command, Simulation& sim) {
    const RelocateCommand* order = &command;
    OrbitalWorld& world = sim.world();
    std::vector<Flight> flights;
    for (SessionVessel* v : sim.vessels()) {
        const std::string name = name_to_utf8(v->record->name);
        const RelocationOutcome o = plan_from_world(world, *v->record, order->target_lon,
                                                    order->orbits, order->time - world.sim_time());
        if (!o.plan)
            throw std::runtime_error("--relocate " + order->text + ": " + name + ": " + o.refusal);
        // Burns of no length would still be reported over whole steps.
        if (std::fabs(o.plan->gap) < kNoRelocationDeg)
            throw std::runtime_error("--relocate " + order->text + ": " + name +
                                     " is already there (within 0.005 deg); nothing to fly");
        Flight f;
        f.executor = std::make_unique<RelocationExecutor>(
            world, *v->record, RelocationOrder{order->time, order->target_lon, order->orbits});
        f.report.vessel = name;
        f.report.order_time = order->time;
        f.report.target_lon = order->target_lon;
        f.report.orbits = order->orbits;
        f.report.plan = *o.plan;
        f.report.phase = relocation_phase_name(RelocationPhase::waiting);
        flights.push_back(std::move(f));
    }
    // All or none: a vessel's refusal leaves the schedule as it was.
    announced_ = flights_.size();
    for (Flight& f : flights) flights_.push_back(std::move(f));
}

void RelocationSchedule::announce(RunContext& run, std::FILE* err) {
    const double t = run.sim.world().sim_time();
    for (std::size_t i = announced_; i < flights_.size(); ++i) {
        const Flight& f = flights_[i];
        std::fputs(relocation_plan_text(f.report, "krvsim: ").c_str(), err);
        RunEvent e;
        e.kind = RunEvent::Kind::plan;
        e.t = t;
        e.vessel = i;
        e.value = f.report.order_time;
        e.plan = &f.report.plan;
        run.events.event(e);
    }
}

void RelocationSchedule::due(double /*t*/, double /*step_end*/, RunContext& run) {
    const double t = run.sim.world().sim_time();
    for (std::size_t i = 0; i < flights_.size(); ++i) {
        Flight& f = flights_[i];
        RelocationExecutor& ex = *f.executor;
        ex.before_step();
        const auto& burns = ex.burns();
        // Burn edges fall on step boundaries: the executor's times end steps.
        for (; f.starts_reported < burns.size() && burns[f.starts_reported].started();
             ++f.starts_reported)
            run.events.event(burn_event(t, i, burns[f.starts_reported], true));
        for (; f.ends_reported < burns.size() && burns[f.ends_reported].ended(); ++f.ends_reported)
            run.events.event(burn_event(t, i, burns[f.ends_reported], false));
        if (ex.phase() == f.reported) continue;
        f.reported = ex.phase();
        f.report.phase = relocation_phase_name(ex.phase());
        f.report.burns = burns;
        if (ex.phase() == RelocationPhase::turning_for_start && ex.plan()) {
            // The plan as made now, from the orbit at the order's time.
            f.report.plan = *ex.plan();
            RunEvent e;
            e.kind = RunEvent::Kind::plan;
            e.t = t;
            e.vessel = i;
            e.value = t;
            e.plan = &f.report.plan;
            run.events.event(e);
        }
        if (ex.phase() == RelocationPhase::arrived) {
            // The true motion over the sidereal day after the last burn.
            const TrueMotion& m = *ex.arrival();
            f.report.arrival_time = m.t;
            f.report.arrival_lon = m.lon_deg;
            f.report.arrival_error =
                std::remainder(f.report.arrival_lon - f.report.target_lon, 360.0);
            f.report.arrival_drift = m.drift_deg_day * kSiderealDay / kSecondsPerDay;
        }
        RunEvent e;
        e.kind = RunEvent::Kind::relocation;
        e.t = t;
        e.vessel = i;
        e.name = f.report.phase;
        if (ex.phase() == RelocationPhase::refused) e.refusal = ex.refusal();
        run.events.event(e);
    }
}

double RelocationSchedule::next_time(double /*t*/) const {
    double next = std::numeric_limits<double>::infinity();
    for (const Flight& f : flights_) next = std::min(next, f.executor->next_event_time());
    return next;
}

void RelocationSchedule::end(double t, const char* /*reason*/, RunContext& run) {
    for (std::size_t i = 0; i < flights_.size(); ++i) {
        Flight& f = flights_[i];
        f.report.burns = f.executor->burns();
        RunEvent e;
        e.kind = RunEvent::Kind::relocation_report;
        e.t = t;
        e.vessel = i;
        e.report = &f.report;
        run.events.event(e);
    }
}

}  // namespace standin
