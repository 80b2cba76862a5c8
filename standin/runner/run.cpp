#include "standin/runner/run.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "standin/core/standin_constants.h"
#include "standin/core/vessel_report.h"
#include "standin/runner/calls_writer.h"
#include "standin/runner/drift_plot.h"
#include "standin/runner/hud_svg.h"
#include "standin/runner/install_paths.h"
#include "standin/runner/progress_bar.h"
#include "standin/runner/simulation.h"
#include "standin/runner/trace_writer.h"
#include "standin/scenario/scenario_error.h"

namespace standin {

namespace {

// Plots need no more points than a screen has pixels.
constexpr double kPlotPoints = 2000.0;

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
    if (!f) throw std::runtime_error("cannot write '" + path.string() + "'");
}

DriftSample drift_sample(OrbitalWorld& w, const VesselRecord& r) {
    const ORBITPARAM prm = w.orbit(r);
    double lon = std::fmod((prm.mean_lon - w.earth_rotation()) * kDegPerRad, 360.0);
    if (lon < 0.0) lon += 360.0;
    return {w.sim_time(), lon, (kSiderealDay - prm.period) / kSiderealDay * 360.0};
}

}  // namespace

int run(const Options& o, std::FILE* out, std::FILE* err) {
    try {
        const InstallPaths paths = install_paths();
        const std::string file = o.scenario.empty() ? paths.default_scenario.string() : o.scenario;
        // The trace reads the host's answers from the calls too.
        CallLog calls;
        FaultSchedule faults;
        for (const auto& f : o.faults) faults.add(f);
        const bool recording = !o.calls.empty() || !o.trace.empty();
        std::unique_ptr<CallsWriter> calls_out;
        if (!o.calls.empty()) calls_out = std::make_unique<CallsWriter>(o.calls);
        Simulation sim(read_scenario_file(file), o.modules, paths.data,
                       {recording ? &calls : nullptr, faults.empty() ? nullptr : &faults});
        auto write_calls = [&]() {
            if (calls_out) calls_out->write(calls);
            calls.clear();
        };
        OrbitalWorld& world = sim.world();
        world.set_attitude_hold(o.attitude_hold);
        if (o.report)
            for (SessionVessel* v : sim.vessels())
                std::fputs(vessel_report(sim.host(), *v->record).c_str(), out);

        const double start = world.sim_time();
        const double until = o.until.value_or(start + 60.0);
        // A run must end where its scenario could still be read back: past
        // that the saved file would be refused, and a far end time would
        // keep the run going for ages.
        if (until > kScenarioLastTime ||
            world.sim_mjd() + (until - start) / 86400.0 > kScenarioLastMjd)
            throw std::runtime_error(
                "--until: the run would end past what a scenario can hold (TIME 3.2e9 s, the "
                "year 2100)");
        // Times within a thousandth of a step count as reached: sums of
        // steps are not exact.
        const double eps = 1e-3 * o.dt;
        for (const auto& b : o.burns) {
            for (SessionVessel* v : sim.vessels()) {
                if (!world.schedule_burn(*v->record, b.group, b.time, b.duration, b.level))
                    std::fprintf(err, "krvsim: %s has no '%s' group; burn at %g s ignored\n",
                                 v->record->name.c_str(), b.group_name.c_str(), b.time);
            }
        }
        std::vector<KeyEvent> keys = o.keys;
        std::stable_sort(keys.begin(), keys.end(),
                         [](const KeyEvent& a, const KeyEvent& b) { return a.time < b.time; });
        std::vector<double> hud_at = o.hud_at;
        std::sort(hud_at.begin(), hud_at.end());
        const bool hud_at_end = hud_at.empty() && !o.hud_every;
        double next_hud_every = o.hud_every ? start : INFINITY;

        if (!o.svg.empty()) std::filesystem::create_directories(o.svg);
        std::unique_ptr<TraceWriter> trace;
        if (!o.trace.empty()) trace = std::make_unique<TraceWriter>(o.trace, o.trace_lines_every);

        std::size_t next_key = 0, next_hud_at = 0;
        int frame_number = 0;
        auto draw_huds = [&]() {
            for (SessionVessel* v : sim.vessels()) {
                const HudFrame frame = sim.hud(*v, o.hud_width, o.hud_height);
                print_hud_frame(out, frame);
                if (!o.svg.empty()) {
                    char name[64];
                    std::snprintf(name, sizeof name, "hud_%03d_%s.svg", frame_number,
                                  v->record->name.c_str());
                    write_file(std::filesystem::path(o.svg) / name, hud_svg(frame));
                }
            }
            ++frame_number;
        };
        auto hud_due = [&](double t) {
            bool due = false;
            while (next_hud_at < hud_at.size() && hud_at[next_hud_at] <= t + eps) {
                due = true;
                ++next_hud_at;
            }
            if (next_hud_every <= t + eps) {
                due = true;
                while (next_hud_every <= t + eps) next_hud_every += *o.hud_every;
            }
            return due;
        };

        std::vector<std::vector<DriftSample>> samples(sim.vessels().size());
        const double sample_every = std::max(o.dt, (until - start) / kPlotPoints);
        double next_sample = start;
        auto sample = [&](double t) {
            if (o.svg.empty() || t + eps < next_sample) return;
            for (std::size_t i = 0; i < sim.vessels().size(); ++i)
                samples[i].push_back(drift_sample(world, *sim.vessels()[i]->record));
            while (next_sample <= t + eps) next_sample += sample_every;
        };

        ProgressBar progress(start, until, o.progress);
        double t = start;
        sample(t);
        if (hud_due(t)) draw_huds();
        while (t < until - eps) {
            while (next_key < keys.size() && keys[next_key].time <= t + eps) {
                for (SessionVessel* v : sim.vessels()) sim.press(*v, keys[next_key].key);
                ++next_key;
            }
            sim.step(std::min(o.dt, until - t));
            t = world.sim_time();
            if (trace) trace->step(sim, calls);
            write_calls();
            sample(t);
            if (hud_due(t)) draw_huds();
            progress.update(t);
        }
        progress.finish();
        if (hud_at_end) draw_huds();
        if (!o.svg.empty()) {
            if (samples.front().empty() || samples.front().back().time < t)
                for (std::size_t i = 0; i < sim.vessels().size(); ++i)
                    samples[i].push_back(drift_sample(world, *sim.vessels()[i]->record));
            for (std::size_t i = 0; i < sim.vessels().size(); ++i) {
                const std::string& name = sim.vessels()[i]->record->name;
                write_file(std::filesystem::path(o.svg) / ("drift_" + name + ".svg"),
                           drift_plot_svg(name, samples[i]));
            }
        }
        if (!o.save.empty()) write_file(o.save, sim.scenario_text());
        write_calls();
        if (calls_out) calls_out->close();
        std::fflush(out);
        return 0;
    } catch (const ScenarioError& e) {
        std::fprintf(err, "krvsim: %s\n", e.what());
    } catch (const std::exception& e) {
        std::fprintf(err, "krvsim: %s\n", e.what());
    }
    return 2;
}

}  // namespace standin
