#include "standin/runner/run.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "standin/core/vessel_report.h"
#include "standin/runner/output_file.h"
#include "standin/runner/progress_bar.h"
#include "standin/runner/run_summary.h"
#include "standin/runner/schedules.h"
#include "standin/runner/simulation.h"
#include "standin/runner/step_calls.h"
#include "standin/runner/stop_signal.h"
#include "standin/runner/trace_writer.h"
#include "standin/scenario/scenario_error.h"

namespace standin {

namespace {

std::string seconds_text(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", t);
    return buf;
}

// The outputs a run will write must be writable before it starts.
void check_outputs(const Options& o) {
    check_output_folder("--save", o.save);
    check_output_folder("--summary", o.summary);
    check_output_folder("--trace", o.trace);
    if (!o.modules.empty() && !std::filesystem::is_directory(o.modules))
        throw std::runtime_error("--modules: '" + o.modules + "' is not a folder");
}

// Per vessel, a file name part of its own: sanitised, and two vessels
// whose names sanitise alike get numbered.
std::vector<std::string> vessel_file_names(Simulation& sim) {
    std::vector<std::string> names;
    for (SessionVessel* v : sim.vessels()) {
        const std::string base = file_name_part(v->record->name);
        std::string name = base;
        for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n)
            name = base + "-" + std::to_string(n);
        names.push_back(name);
    }
    return names;
}

}  // namespace

int run(const Options& o, std::FILE* out, std::FILE* err) {
    try {
        check_outputs(o);
        const std::string file = o.scenario.empty() ? KRV_DEFAULT_SCENARIO : o.scenario;
        Simulation sim(read_scenario_file(file), o.modules);
        OrbitalWorld& world = sim.world();
        world.set_attitude_hold(o.attitude_hold);
        if (o.report && o.trace != "-")
            for (SessionVessel* v : sim.vessels())
                std::fputs(vessel_report(sim.host(), *v->record).c_str(), out);

        const double start = world.sim_time();
        const double until = o.until.value_or(start + 60.0);
        if (!(until > start))
            throw std::runtime_error("--until " + seconds_text(until) +
                                     ": the end must come after the scenario's time, " +
                                     seconds_text(start) + " s");
        // A run must end where its scenario could still be read back.
        if (until > kScenarioLastTime ||
            world.sim_mjd() + (until - start) / 86400.0 > kScenarioLastMjd)
            throw std::runtime_error(
                "--until: the run would end past what a scenario can hold (TIME 3.2e9 s, the "
                "year 2100)");
        check_times_within(o, start, until);
        if (!o.svg.empty()) std::filesystem::create_directories(o.svg);

        std::unique_ptr<TraceWriter> trace;
        if (!o.trace.empty()) trace = std::make_unique<TraceWriter>(o.trace, o);
        // Only a trace needs the host's calls: recording them costs.
        std::unique_ptr<StepCallReader> calls_reader;
        if (trace) calls_reader = std::make_unique<StepCallReader>(sim.host(), world);
        std::vector<StepCalls> calls(sim.vessels().size());
        RunSummary summary(sim);
        ProgressBar progress(start, until, o.progress);
        // A trace on standard output has it to itself: the HUD frames are
        // in the trace.
        RunRecord record{sim,        o.trace == "-" ? nullptr : out, trace.get(), summary, progress,
                         1e-3 * o.dt};
        const std::vector<std::string> file_names = vessel_file_names(sim);
        KeySchedule keys(o.keys);
        BurnSchedule burns(o.burns, sim, err);
        HudSchedule huds(o, start, file_names);
        SampleSchedule samples(o, start, until, sim.vessels().size());
        StopSignals stop;

        // The host's first frame: a step of no length, in which the
        // module reads the start state and works out its figures, so that
        // a HUD frame at the start shows them. Nothing moves in it.
        auto record_step = [&](long n, double dt) {
            for (std::size_t i = 0; calls_reader && i < calls.size(); ++i)
                calls_reader->read(*sim.vessels()[i]->record, calls[i]);
            if (calls_reader) calls_reader->clear();
            const double t = world.sim_time();
            const bool kept = n % o.trace_every == 0 || t >= until - record.eps;
            if (trace && kept) trace->step(sim, n, dt, calls);
            for (std::size_t i = 0; trace && i < calls.size(); ++i)
                for (const auto& e : calls[i].travel_ends)
                    trace->travel_end(t, sim.vessels()[i]->record->name,
                                      animation_names(*sim.vessels()[i]->record)[e.animation],
                                      e.state);
            summary.step(sim);
        };
        if (trace) trace->header(sim, file);
        sim.step(0.0);
        record_step(0, 0.0);
        samples.take_due(start, record);
        huds.draw_due(start, record);

        double t = start;
        long steps = 0;
        while (t < until - record.eps && StopSignals::received() == 0) {
            const double dt = std::min(o.dt, until - t);
            keys.press_due(t, record);
            burns.report_due(t + dt, record);
            sim.step(dt);
            t = world.sim_time();
            record_step(++steps, dt);
            samples.take_due(t, record);
            huds.draw_due(t, record);
            progress.update(t);
        }
        const int signal = StopSignals::received();
        progress.finish();
        if (signal == 0) huds.draw_at_end(record);

        const char* reason = signal == 0 ? "until" : "signal";
        if (trace) {
            trace->end(t, steps, reason);
            if (o.trace != "-") summary.file("trace", o.trace);
        }
        for (const auto& f : huds.files()) summary.file("HUD frame", f);
        for (const auto& f : samples.write(record, file_names)) summary.file("drift plot", f);
        if (!o.save.empty()) {
            write_file_atomically("--save", o.save, sim.scenario_text());
            summary.file("scenario", o.save);
        }
        std::fflush(out);
        summary.finish(sim, t, steps, reason);
        if (!o.summary.empty()) {
            summary.file("summary", o.summary);
            write_file_atomically("--summary", o.summary, summary.json());
        }
        std::fputs(summary.text().c_str(), err);
        return signal == 0 ? 0 : 128 + signal;
    } catch (const std::exception& e) {
        std::fprintf(err, "krvsim: %s\n", e.what());
    }
    return 2;
}

}  // namespace standin
