#include "standin/runner/relocation_schedule.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "standin/core/standin_constants.h"
#include "standin/runner/latin1.h"
#include "standin/runner/overview_sample.h"

namespace standin {

namespace {

// [deg] a gap this small is no move: the longitude as printed, to 0.01 deg.
constexpr double kNoRelocationDeg = 0.005;

double mean_surface_lon(const OrbitalWorld& w, const VesselRecord& v) {
    const double lon = std::fmod((w.orbit(v).mean_lon - w.earth_rotation()) * kDegPerRad, 360.0);
    return lon < 0.0 ? lon + 360.0 : lon;
}

}  // namespace

RelocationSchedule::RelocationSchedule(const std::optional<RelocateCommand>& order,
                                       Simulation& sim) {
    if (!order) return;
    OrbitalWorld& world = sim.world();
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
        flights_.push_back(std::move(f));
    }
}

void RelocationSchedule::announce(RunRecord& run, std::FILE* err) {
    const double t = run.sim.world().sim_time();
    for (const Flight& f : flights_) {
        std::fputs(relocation_plan_text(f.report, "krvsim: ").c_str(), err);
        if (run.trace) run.trace->plan(t, f.report.vessel, f.report.order_time, f.report.plan);
    }
}

void RelocationSchedule::before_step(RunRecord& run) {
    OrbitalWorld& world = run.sim.world();
    const double t = world.sim_time();
    for (std::size_t i = 0; i < flights_.size(); ++i) {
        Flight& f = flights_[i];
        RelocationExecutor& ex = *f.executor;
        ex.before_step();
        const auto& burns = ex.burns();
        // Burn edges fall on step boundaries: the executor's times end steps.
        for (;
             f.starts_reported < burns.size() && !std::isnan(burns[f.starts_reported].mass_before);
             ++f.starts_reported) {
            if (run.trace)
                run.trace->burn(t, run.sim.vessels()[i]->record->name, "main", true, 1.0);
            run.summary.burn(t, run.sim.vessels()[i]->record->name, "main", true, 1.0);
        }
        for (; f.ends_reported < burns.size() && !std::isnan(burns[f.ends_reported].mass_after);
             ++f.ends_reported) {
            if (run.trace)
                run.trace->burn(t, run.sim.vessels()[i]->record->name, "main", false, 0.0);
            run.summary.burn(t, run.sim.vessels()[i]->record->name, "main", false, 0.0);
        }
        if (ex.phase() == f.reported) continue;
        f.reported = ex.phase();
        f.report.phase = relocation_phase_name(ex.phase());
        f.report.burns = burns;
        if (ex.phase() == RelocationPhase::turning_for_start && ex.plan()) {
            // The plan as made now, from the orbit at the order's time.
            f.report.plan = *ex.plan();
            if (run.trace) run.trace->plan(t, f.report.vessel, t, f.report.plan);
        }
        if (ex.phase() == RelocationPhase::arrived) {
            const VesselRecord& v = *run.sim.vessels()[i]->record;
            f.report.arrival_time = t;
            f.report.arrival_lon = mean_surface_lon(world, v);
            f.report.arrival_error =
                std::remainder(f.report.arrival_lon - f.report.target_lon, 360.0);
            f.report.arrival_drift = (kSiderealDay - world.orbit(v).period) / kSiderealDay * 360.0;
        }
        std::string what = f.report.vessel + ": relocation " + f.report.phase;
        if (ex.phase() == RelocationPhase::refused) what += ": " + ex.refusal();
        if (run.trace) run.trace->relocation(t, f.report.vessel, f.report.phase, ex.refusal());
        run.summary.note(t, what);
    }
}

double RelocationSchedule::next_time() const {
    double next = std::numeric_limits<double>::infinity();
    for (const Flight& f : flights_) next = std::min(next, f.executor->next_event_time());
    return next;
}

std::vector<std::vector<OverviewMark>> RelocationSchedule::marks() const {
    std::vector<std::vector<OverviewMark>> marks;
    for (const Flight& f : flights_) marks.push_back(burn_marks(*f.executor));
    return marks;
}

void RelocationSchedule::finish(RunRecord& run) {
    for (Flight& f : flights_) {
        f.report.burns = f.executor->burns();
        run.summary.relocation(f.report);
    }
}

}  // namespace standin
