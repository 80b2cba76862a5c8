#include "standin/runner/run.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "standin/animation/pose_export.h"
#include "standin/core/vessel_report.h"
#include "standin/replay/replay_writer.h"
#include "standin/replay/trace_replay.h"
#include "standin/runner/calls_writer.h"
#include "standin/runner/install_paths.h"
#include "standin/runner/output_file.h"
#include "standin/runner/pose_states.h"
#include "standin/runner/progress_bar.h"
#include "standin/runner/relocation_schedule.h"
#include "standin/runner/run_summary.h"
#include "standin/runner/schedules.h"
#include "standin/runner/simulation.h"
#include "standin/runner/step_recorder.h"
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
void check_outputs(const Options& o, const std::filesystem::path& replay_template) {
    check_output_folder("--save", o.save);
    check_output_folder("--summary", o.summary);
    check_output_folder("--trace", o.trace);
    check_output_folder("--calls", o.calls);
    check_output_folder("--replay", o.replay);
    if (o.poses_out != "-") check_output_folder("--poses-out", o.poses_out);
    if (!o.replay.empty() && !std::filesystem::is_regular_file(replay_template))
        throw std::runtime_error("--replay: the viewer's page template '" +
                                 replay_template.string() +
                                 "' was not built (building it needs node and npm)");
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

// The trace --replay reads back when no --trace is kept: beside the page,
// gone when the run ends however it ends.
struct ReplayTrace {
    std::string path;
    explicit ReplayTrace(const Options& o)
        : path(o.replay.empty() || !o.trace.empty() ? std::string() : o.replay + ".trace.tmp") {}
    ~ReplayTrace() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove(path, ec);
    }
    ReplayTrace(const ReplayTrace&) = delete;
    ReplayTrace& operator=(const ReplayTrace&) = delete;
};

// --poses: the first vessel's mesh groups posed at each state set, instead
// of a run. Throws std::runtime_error naming the file at fault.
void write_poses(const Options& o, Simulation& sim, std::FILE* out) {
    std::vector<AnimationStates> sets;
    if (o.poses == "-") {
        sets = read_pose_states(std::cin, "<stdin>");
    } else {
        std::ifstream in(o.poses);
        if (!in) throw std::runtime_error("--poses: '" + o.poses + "' cannot be read");
        sets = read_pose_states(in, o.poses);
    }
    if (sim.vessels().empty()) throw std::runtime_error("--poses: the scenario holds no vessel");
    const std::string json = posed_groups_json(*sim.vessels().front()->record, 0, sets) + "\n";
    if (o.poses_out.empty() || o.poses_out == "-") {
        std::fwrite(json.data(), 1, json.size(), out);
        if (std::fflush(out) != 0) throw std::runtime_error("--poses: standard output failed");
    } else {
        write_file_atomically("--poses-out", o.poses_out, json);
    }
}

// [s] a relocation's event this close ahead is too close to step to.
constexpr double kTinyStep = 1e-9;

// Per vessel, what the overview plot marks: keys and burns.
std::vector<std::vector<OverviewMark>> plot_marks(const Options& o,
                                                  const RelocationSchedule& relocations,
                                                  Simulation& sim) {
    std::vector<std::vector<OverviewMark>> marks = relocations.marks();
    marks.resize(sim.vessels().size());
    for (auto& m : marks) {
        for (const auto& k : o.keys)
            m.push_back({OverviewMark::Kind::key, k.time, 0.0, k.key.text});
        for (const auto& b : o.burns)
            m.push_back({OverviewMark::Kind::burn, b.time, b.duration, "burn " + b.group_name});
    }
    return marks;
}

// Whether any vessel's attitude thrusters are turning it into its mode.
bool turning(Simulation& sim) {
    for (SessionVessel* v : sim.vessels())
        if (sim.world().attitude_mode(*v->record) != AttitudeMode::none &&
            !sim.world().attitude_settled(*v->record))
            return true;
    return false;
}

// The end of the run: the trace's last line, the files asked for, the
// summary. Throws std::runtime_error for a file that cannot be written.
void write_outputs(const Options& o, RunRecord& run, HudSchedule& huds, SampleSchedule& samples,
                   RelocationSchedule& relocations, const std::vector<std::string>& file_names,
                   long steps, const char* reason, const std::string& trace_path,
                   const InstallPaths& paths) {
    Simulation& sim = run.sim;
    const double t = sim.world().sim_time();
    if (run.trace != nullptr) {
        run.trace->end(t, steps, reason);
        if (!o.trace.empty() && o.trace != "-") run.summary.file("trace", o.trace);
    }
    for (const auto& f : huds.files()) run.summary.file("HUD frame", f);
    for (const auto& f : samples.write(run, file_names, plot_marks(o, relocations, sim)))
        run.summary.file("overview plot", f);
    relocations.finish(run);
    if (!o.save.empty()) {
        write_file_atomically("--save", o.save, sim.scenario_text());
        run.summary.file("scenario", o.save);
    }
    // Last of the files: it reads the whole trace back.
    if (!o.replay.empty()) {
        const TraceReplayResult page =
            write_replay_from_trace(trace_path, o.replay, paths.replay_template, paths.data);
        if (!page.ok) throw std::runtime_error("--replay: " + page.error);
        run.summary.file("replay", o.replay);
    }
    if (run.out != nullptr) std::fflush(run.out);
    run.summary.finish(sim, t, steps, reason);
    if (!o.summary.empty()) {
        run.summary.file("summary", o.summary);
        write_file_atomically("--summary", o.summary, run.summary.json());
    }
}

// The run's end time, checked against its start and every time an option
// names. Throws std::runtime_error naming the option.
double end_time(const Options& o, OrbitalWorld& world) {
    const double start = world.sim_time();
    const double until = o.until.value_or(start + 60.0);
    if (!(until > start))
        throw std::runtime_error("--until " + seconds_text(until) +
                                 ": the end must come after the scenario's time, " +
                                 seconds_text(start) + " s");
    // A run must end where its scenario could still be read back.
    if (until > kScenarioLastTime || world.sim_mjd() + (until - start) / 86400.0 > kScenarioLastMjd)
        throw std::runtime_error(
            "--until: the run would end past what a scenario can hold (TIME 3.2e9 s, the year "
            "2100)");
    check_times_within(o, start, until);
    return until;
}

}  // namespace

int run(const Options& o, std::FILE* out, std::FILE* err) {
    try {
        // Load.
        const InstallPaths paths = install_paths();
        check_outputs(o, paths.replay_template);
        const std::string file = o.scenario.empty() ? paths.default_scenario.string() : o.scenario;
        // One log of the host's calls serves the calls file and the trace.
        CallLog calls;
        FaultSchedule faults;
        for (const auto& f : o.faults) faults.add(f);
        // --replay without --trace: a trace of its own, thinned to what the
        // page keeps, read back after the run.
        const ReplayTrace replay_trace(o);
        const std::string trace_path = replay_trace.path.empty() ? o.trace : replay_trace.path;
        const bool recording = !o.calls.empty() || !trace_path.empty();
        std::unique_ptr<CallsWriter> calls_out;
        if (!o.calls.empty()) calls_out = std::make_unique<CallsWriter>(o.calls);
        Simulation sim(read_scenario_file(file), o.modules, paths.data,
                       {recording ? &calls : nullptr, faults.empty() ? nullptr : &faults});
        OrbitalWorld& world = sim.world();
        world.set_attitude_hold(o.attitude_hold);
        world.set_forces(ForceModel(o.forces, paths.data / "Gravity" / "egm2008_deg20.gfc"));
        const double start = world.sim_time();
        if (!o.poses.empty()) {
            write_poses(o, sim, out);
            return 0;
        }
        const double until = end_time(o, world);
        Options traced = o;
        traced.trace = trace_path;
        // The page's writer thins further and keeps the steps where things
        // happen, so the trace it reads keeps twice its steps (warps counted:
        // a warped run's deployment at the base step must not be thinned).
        if (!replay_trace.path.empty())
            traced.trace_every = std::max(
                o.trace_every,
                static_cast<int>(std::min(
                    1e9, std::ceil(WarpSchedule(o.warps, o.dt).expected_steps(start, until) /
                                   (2.0 * static_cast<double>(kReplayMaxSteps))))));
        if (!o.svg.empty()) std::filesystem::create_directories(o.svg);
        // A trace or calls log on standard output has it to itself: the HUD
        // frames and reports are in the trace, or can be had from a run
        // without it.
        std::FILE* text_out = o.trace == "-" || o.calls == "-" ? nullptr : out;
        if (o.report && text_out != nullptr)
            for (SessionVessel* v : sim.vessels())
                std::fputs(vessel_report(sim.host(), *v->record).c_str(), text_out);

        // An impossible relocation stops the run before any output exists.
        RelocationSchedule relocations(o.relocate, sim);
        std::unique_ptr<TraceWriter> trace;
        if (!trace_path.empty()) trace = std::make_unique<TraceWriter>(trace_path, traced);
        RunSummary summary(sim);
        ProgressBar progress(start, until, o.progress);
        const double eps = 1e-3 * o.dt;
        RunRecord record{sim, text_out, trace.get(), summary, progress, eps};
        StepRecorder recorder(sim, recording ? &calls : nullptr, trace.get(), summary,
                              traced.trace_every, until, eps);
        const std::vector<std::string> file_names = vessel_file_names(sim);
        KeySchedule keys(o.keys);
        BurnSchedule burns(o.burns, sim, err);
        HudSchedule huds(o, start, file_names);
        SampleSchedule samples(o, start, until, sim.vessels().size());
        WarpSchedule warps(o.warps, o.dt);
        AttitudeSchedule attitudes(o.attitudes);
        StopSignals stop;
        // The calls of a step, once the step is recorded: the log holds no more.
        auto write_calls = [&]() {
            if (calls_out) calls_out->write(calls);
            calls.clear();
        };

        // The host's first frame: a step of no length, in which the module
        // reads the start state and works out its figures, so that a HUD
        // frame at the start shows them. Nothing moves in it.
        if (trace) trace->header(sim, file);
        relocations.announce(record, err);
        sim.step(0.0);
        recorder.record(0, 0.0);
        samples.take_due(start, record);
        huds.draw_due(start, record);
        write_calls();

        // A step ends no later than the relocation's next event; a warped
        // step also at the next key, burn edge, HUD frame, change of warp or
        // of attitude mode, and it is the base step while a vessel turns, so
        // that the dishes follow the Earth through the turn.
        const auto step_length = [&](double t, double until_t, double dt) {
            double end = std::min(t + dt, until_t);
            if (const double next = relocations.next_time(); next > t + kTinyStep)
                end = std::min(end, next);
            if (dt > o.dt) {
                if (turning(sim)) end = std::min(end, t + o.dt);
                for (double next : {keys.next_time(), burns.next_time(), huds.next_time(t),
                                    warps.next_time(), attitudes.next_time()})
                    if (next > t + eps) end = std::min(end, next);
            }
            return end > t + eps ? end - t : std::min(dt, until_t - t);
        };
        // Until the end: what is due, a step, what is kept of it.
        double t = start;
        long steps = 0;
        while (t < until - eps && StopSignals::received() == 0) {
            relocations.before_step(record);
            attitudes.set_due(t, record);
            keys.press_due(t, record);
            const double dt = step_length(t, until, warps.dt_at(t, record));

            burns.report_due(t + dt, record);
            sim.step(dt);
            t = world.sim_time();
            recorder.record(++steps, dt);
            samples.take_due(t, record);
            huds.draw_due(t, record);
            write_calls();
            progress.update(t);
        }
        const int signal = StopSignals::received();
        progress.finish();

        // Outputs.
        if (signal == 0) huds.draw_at_end(record);
        write_outputs(o, record, huds, samples, relocations, file_names, steps,
                      signal == 0 ? "until" : "signal", trace_path, paths);
        write_calls();
        if (calls_out) {
            calls_out->close();
            if (o.calls != "-") summary.file("calls", o.calls);
        }
        std::fputs(summary.text().c_str(), err);
        return signal == 0 ? 0 : 128 + signal;
    } catch (const ModuleLoadError& e) {
        std::fprintf(err, "krvsim: --modules %s: %s\n", o.modules.c_str(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(err, "krvsim: %s\n", e.what());
    }
    return 2;
}

}  // namespace standin
