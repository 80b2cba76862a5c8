#include "standin/run/keeping_schedule.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "standin/core/standin_constants.h"
#include "standin/json/latin1.h"
#include "standin/run/burn_edge_event.h"
#include "standin/snapshot/ground_track.h"
#include "standin/station/drift_acceleration.h"
#include "standin/station/relocation_report.h"

namespace standin {

namespace {

// [deg] keeping holds a vessel near its station, it does not take it there.
constexpr double kFarthestStart = 1.0;

RunEvent burn_event(double t, std::size_t vessel, const KeepingBurn& k, bool start) {
    RunEvent e = burn_edge_event(t, vessel, k.burn, start);
    e.manoeuvre = manoeuvre_name(k);
    e.direction = attitude_mode_name(k.mode);
    return e;
}

std::string degrees(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

}  // namespace

KeepingSchedule::KeepingSchedule(const Options& o, Simulation& sim,
                                 const RelocationSchedule& relocation)
    : relocation_(relocation) {
    if (!o.keep_station) return;
    const KeepStationCommand& k = *o.keep_station;
    const std::optional<double> relocation_lon =
        o.relocate ? std::optional<double>(o.relocate->target_lon) : std::nullopt;
    if (k.time && *k.time > sim.world().sim_time()) {
        pending_ = k;
        pending_relocation_lon_ = relocation_lon;
        return;
    }
    try {
        add(k, sim, relocation_lon);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("--keep-station " + k.text + ": " + e.what());
    }
}

void KeepingSchedule::add(const KeepStationCommand& k, Simulation& sim,
                          std::optional<double> relocation_lon) {
    if (!kept_.empty() || pending_) throw std::runtime_error("one station per run");
    OrbitalWorld& world = sim.world();
    if (relocation_lon) {
        const double gap = std::remainder(*relocation_lon - k.lon, 360.0);
        if (std::fabs(gap) > kFarthestStart)
            throw std::runtime_error("the relocation goes to " + longitude_words(*relocation_lon) +
                                     ", " + degrees(std::fabs(gap)) + "\u00b0 from the station");
    }
    KeepingOrder order{k.lon, k.halfwidth, k.ns, 0.0};
    // [rad/s^2] to [deg/day^2]
    order.drift_acceleration =
        DriftAcceleration(world.forces()).longitude_acceleration(k.lon / kDegPerRad) * kDegPerRad *
        86400.0 * 86400.0;
    std::vector<Kept> kept;
    for (SessionVessel* v : sim.vessels()) {
        if (!relocation_lon) {
            const double lon =
                mean_surface_lon_deg(world.orbit(*v->record).mean_lon, world.earth_rotation());
            const double gap = std::fabs(std::remainder(lon - k.lon, 360.0));
            if (gap > kFarthestStart)
                throw std::runtime_error(name_to_utf8(v->record->name) + " is at " +
                                         longitude_words(lon) + ", " + degrees(gap) +
                                         "\u00b0 from the station; relocate it first "
                                         "(--relocate)");
        }
        Kept one;
        one.keeper = std::make_unique<StationKeeper>(world, *v->record, order);
        one.keeper->report().vessel = name_to_utf8(v->record->name);
        kept.push_back(std::move(one));
    }
    // All or none: a vessel's refusal keeps nothing.
    kept_ = std::move(kept);
    after_relocation_ = relocation_lon.has_value();
}

void KeepingSchedule::due(double /*t*/, double /*step_end*/, RunContext& run) {
    const double t = run.sim.world().sim_time();
    if (pending_ && *pending_->time <= t + run.eps) {
        const KeepStationCommand k = *pending_;
        pending_.reset();
        try {
            add(k, run.sim, pending_relocation_lon_);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error("--keep-station " + k.text + ": " + e.what());
        }
    }
    for (std::size_t i = 0; i < kept_.size(); ++i) {
        Kept& k = kept_[i];
        StationKeeper& keeper = *k.keeper;
        if (!keeper.started() && (!after_relocation_ || relocation_.arrived(i))) {
            keeper.start();
            const KeepingReport& r = keeper.report();
            RunEvent e;
            e.kind = RunEvent::Kind::keeping;
            e.t = t;
            e.vessel = i;
            e.value = r.lon;
            e.halfwidth = r.halfwidth;
            e.start = r.ns;
            run.events.event(e);
        }
        keeper.before_step();
        const auto& burns = keeper.burns();
        // Burn edges fall on step boundaries: the keeper's times end steps.
        for (; k.starts_reported < burns.size() && burns[k.starts_reported].burn.started();
             ++k.starts_reported)
            run.events.event(burn_event(t, i, burns[k.starts_reported], true));
        for (; k.ends_reported < burns.size() && burns[k.ends_reported].burn.ended();
             ++k.ends_reported)
            run.events.event(burn_event(t, i, burns[k.ends_reported], false));
    }
}

double KeepingSchedule::next_time(double /*t*/) const {
    double next = pending_ ? *pending_->time : std::numeric_limits<double>::infinity();
    for (const Kept& k : kept_) next = std::min(next, k.keeper->next_event_time());
    return next;
}

void KeepingSchedule::end(double t, const char* /*reason*/, RunContext& run) {
    for (std::size_t i = 0; i < kept_.size(); ++i) {
        StationKeeper& keeper = *kept_[i].keeper;
        keeper.finish();
        RunEvent e;
        e.kind = RunEvent::Kind::keeping_report;
        e.t = t;
        e.vessel = i;
        e.keeping = &keeper.report();
        run.events.event(e);
    }
}

}  // namespace standin
