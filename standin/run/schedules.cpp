#include "standin/run/schedules.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "standin/core/thruster_group_names.h"
#include "standin/json/latin1.h"

namespace standin {

namespace {

std::string seconds(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", t);
    return buf;
}

void check_time(const char* option, double t, const std::string& given, double start,
                double until) {
    if (t < start || t > until)
        throw std::runtime_error(std::string(option) + " " + given + ": " + seconds(t) +
                                 " s is outside the run (" + seconds(start) + " s to " +
                                 seconds(until) + " s)");
}

}  // namespace

void check_times_within(const Options& o, double start, double until) {
    for (const auto& k : o.keys)
        check_time("--key", k.time, seconds(k.time) + ":" + k.key.text, start, until);
    for (const auto& b : o.burns)
        check_time("--burn", b.time, seconds(b.time) + ":...", start, until);
    for (double h : o.hud_at) check_time("--hud-at", h, seconds(h), start, until);
    for (const auto& w : o.warps) check_time("--warp", w.time, w.text, start, until);
    for (const auto& a : o.attitudes) check_time("--attitude", a.time, a.text, start, until);
    if (o.relocate) check_time("--relocate", o.relocate->time, o.relocate->text, start, until);
    if (o.keep_station && o.keep_station->time)
        check_time("--keep-station", *o.keep_station->time, o.keep_station->text, start, until);
}

KeySchedule::KeySchedule(std::vector<KeyEvent> keys) : keys_(std::move(keys)) {
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.time < b.time; });
}

void KeySchedule::due(double t, double /*step_end*/, RunContext& run) {
    for (; next_ < keys_.size() && keys_[next_].time <= t + run.eps; ++next_) {
        const KeyEvent& k = keys_[next_];
        RunEvent e;
        e.kind = RunEvent::Kind::key;
        // When it was pressed: at the first step boundary at or after its time.
        e.t = t;
        e.name = k.key.text;
        for (SessionVessel* v : run.sim.vessels()) e.used.push_back(run.sim.press(*v, k.key) != 0);
        run.events.event(e);
    }
}

void KeySchedule::add(KeyEvent key) {
    keys_.push_back(std::move(key));
}

double KeySchedule::next_time(double /*t*/) const {
    return next_ < keys_.size() ? keys_[next_].time : INFINITY;
}

BurnSchedule::BurnSchedule(const std::vector<BurnCommand>& burns, Simulation& sim, std::FILE* err) {
    for (const auto& b : burns) add(b, sim, err);
}

bool BurnSchedule::add(const BurnCommand& b, Simulation& sim, std::FILE* err) {
    bool taken = false;
    for (std::size_t i = 0; i < sim.vessels().size(); ++i) {
        const VesselRecord& r = *sim.vessels()[i]->record;
        if (!sim.world().schedule_burn(r, b.group, b.time, b.duration, b.level)) {
            std::fprintf(err, "krvsim: %s has no '%s' group; burn at %g s ignored\n",
                         name_to_utf8(r.name).c_str(), b.group_name.c_str(), b.time);
            continue;
        }
        taken = true;
        // After the edges at the same time: the order a sort of all the
        // burns at once gives, so that a run given them up front matches.
        for (const Edge& edge : {Edge{b.time, i, group_name(b.group), true, b.level},
                                 Edge{b.time + b.duration, i, group_name(b.group), false, 0.0}}) {
            const auto at =
                std::upper_bound(edges_.begin() + static_cast<std::ptrdiff_t>(next_), edges_.end(),
                                 edge.t, [](double t, const Edge& e) { return t < e.t; });
            edges_.insert(at, edge);
        }
    }
    return taken;
}

void BurnSchedule::due(double /*t*/, double step_end, RunContext& run) {
    for (; next_ < edges_.size() && edges_[next_].t < step_end; ++next_) {
        const Edge& edge = edges_[next_];
        RunEvent e;
        e.kind = RunEvent::Kind::burn;
        e.t = edge.t;
        e.vessel = edge.vessel;
        e.name = edge.group;
        e.start = edge.start;
        e.value = edge.level;
        run.events.event(e);
    }
}

double BurnSchedule::next_time(double /*t*/) const {
    return next_ < edges_.size() ? edges_[next_].t : INFINITY;
}

WarpSchedule::WarpSchedule(std::vector<WarpCommand> warps, double base_dt)
    : warps_(std::move(warps)), base_dt_(base_dt), dt_(base_dt) {
    std::stable_sort(warps_.begin(), warps_.end(),
                     [](const WarpCommand& a, const WarpCommand& b) { return a.time < b.time; });
}

void WarpSchedule::due(double t, double /*step_end*/, RunContext& run) {
    for (; next_ < warps_.size() && warps_[next_].time <= t + run.eps; ++next_) {
        dt_ = warps_[next_].dt;
        RunEvent e;
        e.kind = RunEvent::Kind::warp;
        e.t = t;
        e.value = dt_;
        run.events.event(e);
    }
}

void WarpSchedule::add(WarpCommand warp) {
    warps_.push_back(std::move(warp));
}

double WarpSchedule::next_time(double /*t*/) const {
    return next_ < warps_.size() ? warps_[next_].time : INFINITY;
}

double WarpSchedule::expected_steps(double start, double until) const {
    double steps = 0.0, t = start, dt = base_dt_;
    for (const WarpCommand& w : warps_) {
        if (w.time > t) {
            steps += (std::min(w.time, until) - t) / dt;
            t = std::min(w.time, until);
        }
        dt = w.dt;
    }
    if (until > t) steps += (until - t) / dt;
    return std::ceil(steps);
}

AttitudeSchedule::AttitudeSchedule(std::vector<AttitudeCommand> modes) : modes_(std::move(modes)) {
    std::stable_sort(
        modes_.begin(), modes_.end(),
        [](const AttitudeCommand& a, const AttitudeCommand& b) { return a.time < b.time; });
}

void AttitudeSchedule::due(double t, double /*step_end*/, RunContext& run) {
    for (; next_ < modes_.size() && modes_[next_].time <= t + run.eps; ++next_) {
        for (std::size_t i = 0; i < run.sim.vessels().size(); ++i) {
            run.sim.world().set_attitude_mode(*run.sim.vessels()[i]->record, modes_[next_].mode);
            RunEvent e;
            e.kind = RunEvent::Kind::attitude;
            e.t = t;
            e.vessel = i;
            e.name = attitude_mode_name(modes_[next_].mode);
            run.events.event(e);
        }
    }
}

void AttitudeSchedule::add(AttitudeCommand mode) {
    modes_.push_back(std::move(mode));
}

double AttitudeSchedule::next_time(double /*t*/) const {
    return next_ < modes_.size() ? modes_[next_].time : INFINITY;
}

void draw_huds(RunContext& run, int width, int height, bool shown) {
    for (std::size_t i = 0; i < run.sim.vessels().size(); ++i) {
        RunEvent e;
        e.kind = RunEvent::Kind::hud;
        e.t = run.sim.world().sim_time();
        e.vessel = i;
        e.hud = std::make_shared<const HudFrame>(run.sim.hud(*run.sim.vessels()[i], width, height));
        e.shown = shown;
        run.events.event(e);
    }
}

HudSchedule::HudSchedule(HudSettings settings, double start)
    : settings_(std::move(settings)), next_every_(settings_.every > 0.0 ? start : INFINITY) {
    std::sort(settings_.at.begin(), settings_.at.end());
}

void HudSchedule::due(double t, double /*step_end*/, RunContext& run) {
    bool due = false;
    const std::vector<double>& at = settings_.at;
    for (; next_at_ < at.size() && at[next_at_] <= t + run.eps; ++next_at_) due = true;
    if (next_every_ <= t + run.eps) {
        due = true;
        // Counted, not stepped through: a catch-up loop over a period too
        // small to move the time never ended.
        const double every = settings_.every;
        next_every_ += (std::floor((t + run.eps - next_every_) / every) + 1.0) * every;
        if (next_every_ <= t + run.eps) next_every_ = std::nextafter(t + run.eps, INFINITY);
    }
    if (due) draw_huds(run, settings_.width, settings_.height, true);
}

double HudSchedule::next_time(double t) const {
    double next = next_every_ > t ? next_every_ : INFINITY;
    if (next_at_ < settings_.at.size()) next = std::min(next, settings_.at[next_at_]);
    return next;
}

void HudSchedule::end(double /*t*/, const char* reason, RunContext& run) {
    if (std::string(reason) == "until" && settings_.at.empty() && !(settings_.every > 0.0))
        draw_huds(run, settings_.width, settings_.height, true);
}

SampleSchedule::SampleSchedule(double start, double every, int width, int height)
    : every_(every), next_(start), width_(width), height_(height) {}

void SampleSchedule::take(RunContext& run) {
    // The figures as the module prints them: a HUD of its own, drawn for
    // the sample on a recording sketchpad and read back.
    draw_huds(run, width_, height_, false);
    last_ = run.sim.world().sim_time();
}

void SampleSchedule::due(double t, double /*step_end*/, RunContext& run) {
    if (t + run.eps < next_) return;
    take(run);
    while (next_ <= t + run.eps) next_ += every_;
}

double SampleSchedule::next_time(double /*t*/) const {
    return next_;
}

void SampleSchedule::end(double t, const char* /*reason*/, RunContext& run) {
    if (last_ < t) take(run);
}

}  // namespace standin
