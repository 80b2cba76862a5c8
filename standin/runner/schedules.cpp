#include "standin/runner/schedules.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "standin/core/standin_constants.h"
#include "standin/runner/hud_svg.h"
#include "standin/runner/latin1.h"
#include "standin/runner/output_file.h"
#include "standin/runner/thruster_group_names.h"

namespace standin {

namespace {

// Plots need no more points than a screen has pixels.
constexpr double kPlotPoints = 2000.0;

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

DriftSample drift_sample(OrbitalWorld& w, const VesselRecord& r) {
    const ORBITPARAM prm = w.orbit(r);
    double lon = std::fmod((prm.mean_lon - w.earth_rotation()) * kDegPerRad, 360.0);
    if (lon < 0.0) lon += 360.0;
    return {w.sim_time(), lon, (kSiderealDay - prm.period) / kSiderealDay * 360.0};
}

}  // namespace

void check_times_within(const Options& o, double start, double until) {
    for (const auto& k : o.keys)
        check_time("--key", k.time, seconds(k.time) + ":" + k.key.text, start, until);
    for (const auto& b : o.burns)
        check_time("--burn", b.time, seconds(b.time) + ":...", start, until);
    for (double h : o.hud_at) check_time("--hud-at", h, seconds(h), start, until);
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
        while (next_every_ <= t + run.eps) next_every_ += *o_.hud_every;
    }
    if (due) draw(run);
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
    : wanted_(!o.svg.empty()),
      folder_(o.svg),
      every_(std::max(o.dt, (until - start) / kPlotPoints)),
      next_(start),
      samples_(vessels) {}

void SampleSchedule::take(RunRecord& run) {
    for (std::size_t i = 0; i < samples_.size(); ++i)
        samples_[i].push_back(drift_sample(run.sim.world(), *run.sim.vessels()[i]->record));
}

void SampleSchedule::take_due(double t, RunRecord& run) {
    if (!wanted_ || t + run.eps < next_) return;
    take(run);
    while (next_ <= t + run.eps) next_ += every_;
}

std::vector<std::string> SampleSchedule::write(RunRecord& run,
                                               const std::vector<std::string>& file_names) {
    std::vector<std::string> written;
    if (!wanted_) return written;
    const double t = run.sim.world().sim_time();
    if (samples_.front().empty() || samples_.front().back().time < t) take(run);
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const std::string path =
            (std::filesystem::path(folder_) / ("drift_" + file_names[i] + ".svg")).string();
        write_file_atomically(
            "--svg", path,
            drift_plot_svg(name_to_utf8(run.sim.vessels()[i]->record->name), samples_[i]));
        written.push_back(path);
    }
    return written;
}

}  // namespace standin
