#include "standin/runner/schedules.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "standin/core/standin_constants.h"
#include "standin/runner/hud_svg.h"
#include "standin/runner/latin1.h"
#include "standin/runner/output_file.h"
#include "standin/runner/overview_sample.h"
#include "standin/runner/thruster_group_names.h"

namespace standin {

namespace {

// Plots need no more points than a screen has pixels.
constexpr double kPlotPoints = 2000.0;
// The module's own target, which its HUD measures from: 102 degrees west.
constexpr double kHudTargetLon = 258.0;

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
}

KeySchedule::KeySchedule(std::vector<KeyEvent> keys) : keys_(std::move(keys)) {
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.time < b.time; });
}

void KeySchedule::press_due(double t, RunRecord& run) {
    for (; next_ < keys_.size() && keys_[next_].time <= t + run.eps; ++next_) {
        const KeyEvent& k = keys_[next_];
        std::vector<bool> used;
        for (SessionVessel* v : run.sim.vessels()) used.push_back(run.sim.press(*v, k.key) != 0);
        // When it was pressed: at the first step boundary at or after its time.
        if (run.trace) run.trace->key(t, k.key.text, run.sim, used);
        run.summary.key(t, k.key.text, run.sim, used);
    }
}

double KeySchedule::next_time() const {
    return next_ < keys_.size() ? keys_[next_].time : INFINITY;
}

BurnSchedule::BurnSchedule(const std::vector<BurnCommand>& burns, Simulation& sim, std::FILE* err) {
    for (const auto& b : burns) {
        for (SessionVessel* v : sim.vessels()) {
            if (!sim.world().schedule_burn(*v->record, b.group, b.time, b.duration, b.level)) {
                std::fprintf(err, "krvsim: %s has no '%s' group; burn at %g s ignored\n",
                             name_to_utf8(v->record->name).c_str(), b.group_name.c_str(), b.time);
                continue;
            }
            edges_.push_back({b.time, v->record->name, group_name(b.group), true, b.level});
            edges_.push_back(
                {b.time + b.duration, v->record->name, group_name(b.group), false, 0.0});
        }
    }
    std::stable_sort(edges_.begin(), edges_.end(),
                     [](const Edge& a, const Edge& b) { return a.t < b.t; });
}

void BurnSchedule::report_due(double before, RunRecord& run) {
    for (; next_ < edges_.size() && edges_[next_].t < before; ++next_) {
        const Edge& e = edges_[next_];
        if (run.trace) run.trace->burn(e.t, e.vessel, e.group, e.start, e.level);
        run.summary.burn(e.t, e.vessel, e.group, e.start, e.level);
    }
}

double BurnSchedule::next_time() const {
    return next_ < edges_.size() ? edges_[next_].t : INFINITY;
}

HudSchedule::HudSchedule(const Options& o, double start, std::vector<std::string> file_names)
    : o_(o),
      at_(o.hud_at),
      next_every_(o.hud_every ? start : INFINITY),
      file_names_(std::move(file_names)) {
    std::sort(at_.begin(), at_.end());
}

void HudSchedule::draw_due(double t, RunRecord& run) {
    bool due = false;
    for (; next_at_ < at_.size() && at_[next_at_] <= t + run.eps; ++next_at_) due = true;
    if (next_every_ <= t + run.eps) {
        due = true;
        // Counted, not stepped through: a catch-up loop over a period too
        // small to move the time never ended.
        const double every = *o_.hud_every;
        next_every_ += (std::floor((t + run.eps - next_every_) / every) + 1.0) * every;
        if (next_every_ <= t + run.eps) next_every_ = std::nextafter(t + run.eps, INFINITY);
    }
    if (due) draw(run);
}

double HudSchedule::next_time(double t) const {
    double next = next_every_ > t ? next_every_ : INFINITY;
    if (next_at_ < at_.size()) next = std::min(next, at_[next_at_]);
    return next;
}

void HudSchedule::draw_at_end(RunRecord& run) {
    if (at_.empty() && !o_.hud_every) draw(run);
}

void HudSchedule::draw(RunRecord& run) {
    run.progress.clear();
    for (std::size_t i = 0; i < run.sim.vessels().size(); ++i) {
        const HudFrame frame = run.sim.hud(*run.sim.vessels()[i], o_.hud_width, o_.hud_height);
        if (run.out != nullptr) print_hud_frame(run.out, frame);
        if (run.trace) run.trace->hud(frame);
        if (!o_.svg.empty()) {
            char number[16];
            std::snprintf(number, sizeof number, "hud_%03d_", frame_);
            const std::string path =
                (std::filesystem::path(o_.svg) / (number + file_names_[i] + ".svg")).string();
            write_file_atomically("--svg", path, hud_svg(frame));
            files_.push_back(path);
        }
    }
    if (run.out != nullptr) std::fflush(run.out);
    ++frame_;
}

SampleSchedule::SampleSchedule(const Options& o, double start, double until, std::size_t vessels)
    : o_(o),
      wanted_(!o.svg.empty()),
      every_(std::max(o.dt, (until - start) / kPlotPoints)),
      next_(start),
      target_lon_(o.relocate ? o.relocate->target_lon : kHudTargetLon),
      samples_(vessels) {}

void SampleSchedule::take(RunRecord& run) {
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        SessionVessel& v = *run.sim.vessels()[i];
        // The figures as the module prints them: a HUD of its own, drawn
        // for the sample on a recording sketchpad and read back.
        const HudFrame frame = run.sim.hud(v, o_.hud_width, o_.hud_height);
        samples_[i].push_back(
            take_overview_sample(run.sim.world(), *v.record, frame.texts, target_lon_));
    }
}

void SampleSchedule::take_due(double t, RunRecord& run) {
    if (!wanted_ || t + run.eps < next_) return;
    take(run);
    while (next_ <= t + run.eps) next_ += every_;
}

std::vector<std::string> SampleSchedule::write(
    RunRecord& run, const std::vector<std::string>& file_names,
    const std::vector<std::vector<OverviewMark>>& marks) {
    std::vector<std::string> written;
    if (!wanted_) return written;
    const double t = run.sim.world().sim_time();
    if (samples_.front().empty() || samples_.front().back().time < t) take(run);
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const std::string path =
            (std::filesystem::path(o_.svg) / ("overview_" + file_names[i] + ".svg")).string();
        OverviewInput in{name_to_utf8(run.sim.vessels()[i]->record->name), target_lon_,
                         std::move(samples_[i]),
                         i < marks.size() ? marks[i] : std::vector<OverviewMark>{}};
        write_file_atomically("--svg", path, overview_plot_svg(in));
        written.push_back(path);
    }
    return written;
}

WarpSchedule::WarpSchedule(std::vector<WarpCommand> warps, double base_dt)
    : warps_(std::move(warps)), base_dt_(base_dt), dt_(base_dt) {
    std::stable_sort(warps_.begin(), warps_.end(),
                     [](const WarpCommand& a, const WarpCommand& b) { return a.time < b.time; });
}

double WarpSchedule::dt_at(double t, RunRecord& run) {
    for (; next_ < warps_.size() && warps_[next_].time <= t + run.eps; ++next_) {
        dt_ = warps_[next_].dt;
        if (run.trace) run.trace->warp(t, dt_);
        run.summary.note(t, "time warp: steps of " + seconds(dt_) + " s");
    }
    return dt_;
}

double WarpSchedule::next_time() const {
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

void AttitudeSchedule::set_due(double t, RunRecord& run) {
    for (; next_ < modes_.size() && modes_[next_].time <= t + run.eps; ++next_) {
        for (SessionVessel* v : run.sim.vessels()) {
            run.sim.world().set_attitude_mode(*v->record, modes_[next_].mode);
            const std::string name = name_to_utf8(v->record->name);
            const char* mode = attitude_mode_name(modes_[next_].mode);
            if (run.trace) run.trace->attitude(t, name, mode);
            run.summary.note(t, name + ": attitude " + mode);
        }
    }
}

double AttitudeSchedule::next_time() const {
    return next_ < modes_.size() ? modes_[next_].time : INFINITY;
}

}  // namespace standin
