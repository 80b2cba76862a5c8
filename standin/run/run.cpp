#include "standin/run/run.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <type_traits>

#include "standin/core/vessel_report.h"
#include "standin/json/latin1.h"
#include "standin/loader/install_paths.h"
#include "standin/outputs/calls_output.h"
#include "standin/outputs/hud_output.h"
#include "standin/outputs/output_file.h"
#include "standin/outputs/overview_recorder.h"
#include "standin/outputs/progress_output.h"
#include "standin/outputs/replay_output.h"
#include "standin/outputs/run_summary.h"
#include "standin/outputs/trace_writer.h"
#include "standin/replay/replay_writer.h"
#include "standin/run/keeping_schedule.h"
#include "standin/run/options_json.h"
#include "standin/run/output_paths.h"
#include "standin/run/pose_output.h"
#include "standin/run/relocation_schedule.h"
#include "standin/run/run_checks.h"
#include "standin/run/schedules.h"
#include "standin/run/simulation.h"
#include "standin/run/stop_signal.h"
#include "standin/scenario/scenario_error.h"
#include "standin/snapshot/snapshot_builder.h"

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

// What every output learns first: the scenario, the start, the vessels.
RunHeader run_header(Simulation& sim, const std::string& scenario) {
    RunHeader h;
    h.scenario = scenario;
    h.t = sim.world().sim_time();
    h.mjd = sim.world().sim_mjd();
    for (SessionVessel* v : sim.vessels()) {
        h.vessels.push_back(v->record);
        h.names.push_back(name_to_utf8(v->record->name));
    }
    h.file_names = vessel_file_names(sim);
    h.forces = &sim.world().forces();
    return h;
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

// [s] a relocation's event this close ahead is too close to step to.
constexpr double kTinyStep = 1e-9;
// Plots need no more points than a screen has pixels.
constexpr double kPlotPoints = 2000.0;

// What the overview plot marks on every vessel's: the keys and burns commanded.
std::vector<OverviewMark> commanded_marks(const Options& o) {
    std::vector<OverviewMark> marks;
    for (const auto& k : o.keys)
        marks.push_back({OverviewMark::Kind::key, k.time, 0.0, k.key.text});
    for (const auto& b : o.burns)
        marks.push_back({OverviewMark::Kind::burn, b.time, b.duration, "burn " + b.group_name});
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
    check_run_times(o, start, until, world.sim_mjd(), time_tolerance(o));
    return until;
}

// --save as an output: the whole scenario at the end.
class SavedScenario : public RunObserver {
public:
    SavedScenario(std::string path, Simulation& sim) : path_(std::move(path)), sim_(sim) {}
    void finish(RunEnd& end) override {
        write_file_atomically("--save", path_, sim_.scenario_text());
        end.files.emplace_back("scenario", path_);
    }

private:
    std::string path_;
    Simulation& sim_;
};

// A run from its load to its end: the simulation, its schedules and
// outputs, and the snapshot they share.
class Flight {
public:
    // Loads the scenario and its modules. Throws ScenarioError,
    // ModuleLoadError or std::runtime_error naming the option at fault.
    Flight(const Options& o, std::FILE* err)
        : o_(o),
          err_(err),
          paths_(install_paths()),
          replay_trace_(o),
          trace_path_(replay_trace_.path.empty() ? o.trace : replay_trace_.path) {
        check_outputs(o, paths_.replay_template);
        file_ = o.scenario.empty() ? paths_.default_scenario.string() : o.scenario;
        check_output_paths(o, file_);
        for (const auto& f : o.faults) faults_.add(f);
        // One log of the host's calls serves the calls file and the trace;
        // the calls file is opened before the scenario is read.
        recording_ = !o.calls.empty() || !trace_path_.empty();
        if (!o.calls.empty()) calls_out_ = std::make_unique<CallsOutput>(o.calls, calls_);
        sim_ = std::make_unique<Simulation>(
            read_scenario_file(file_), o.modules, paths_.data,
            HostHooks{recording_ ? &calls_ : nullptr, faults_.empty() ? nullptr : &faults_});
        sim_->world().set_attitude_hold(o.attitude_hold);
        sim_->world().set_forces(
            ForceModel(o.forces, paths_.data / "Gravity" / "egm2008_deg20.gfc"));
        start_ = sim_->world().sim_time();
    }

    Simulation& sim() { return *sim_; }
    double time() { return sim_->world().sim_time(); }
    double until() const { return until_; }
    double eps() const { return time_tolerance(o_); }

    // The schedules and outputs the options ask for. Throws
    // std::runtime_error naming the option at fault.
    void prepare(std::FILE* out);

    // The host's first frame: a step of no length, in which the module
    // reads the start state and works out its figures, so that a HUD frame
    // at the start shows them. Nothing moves in it.
    void begin() {
        observers_.header(run_header(*sim_, file_));
        RunContext run{*sim_, observers_, eps()};
        relocation_->announce(run, err_);
        step(0, 0.0);
    }

    // The length of the step from t: no later than a relocation's next
    // event; a warped step also at the next key, burn edge, HUD frame,
    // change of warp or of attitude mode, and the base step while a vessel
    // turns, so that the dishes follow the Earth through the turn.
    double step_length(double t) {
        const double dt = warps_->dt();
        double end = std::min(t + dt, until_);
        for (const auto& s : schedules_) {
            const double next = s->next_time(t);
            const bool bounds =
                s->bounds() == Schedule::Bounds::always
                    ? next > t + kTinyStep
                    : s->bounds() == Schedule::Bounds::warped && dt > o_.dt && next > t + eps();
            if (bounds) end = std::min(end, next);
        }
        if (dt > o_.dt && turning(*sim_)) end = std::min(end, t + o_.dt);
        return end > t + eps() ? end - t : std::min(dt, until_ - t);
    }

    // What is due at t of the schedules that act then.
    void due(Schedule::When when, double t, double step_end) {
        RunObserver& events = when == Schedule::When::after_step
                                  ? static_cast<RunObserver&>(held_)
                                  : static_cast<RunObserver&>(observers_);
        RunContext run{*sim_, events, eps()};
        for (const auto& s : schedules_)
            if (s->when() == when) s->due(t, step_end, run);
    }

    // Step n of dt seconds, its snapshot and what follows it: the outputs
    // see the step before what was drawn after it.
    void step(long n, double dt) {
        sim_->step(dt);
        const StepSnapshot& s = snapshot_->take(n, dt);
        due(Schedule::When::after_step, s.t, s.t);
        observers_.step(s);
        for (std::size_t i = 0; i < s.vessels.size(); ++i) {
            for (const AnimationSetting& a : s.vessels[i].travel_ends) {
                RunEvent e;
                e.kind = RunEvent::Kind::travel_end;
                e.t = s.t;
                e.vessel = i;
                e.name = animation_names(*sim_->vessels()[i]->record).at(a.animation);
                e.value = a.state;
                observers_.event(e);
            }
        }
        world_events();
        for (const RunEvent& e : held_.events) observers_.event(e);
        held_.events.clear();
        calls_.clear();
    }

    // The schedules' last acts (the frames drawn at the end before the
    // samples', as a step's are not), every output's end, the summary on err.
    void finish(const char* reason, long steps) {
        if (std::string(reason) == "until") {
            // What is due at the end time itself: keys and modes, with no step after.
            RunContext at_end{*sim_, observers_, eps()};
            attitudes_->due(time(), time(), at_end);
            keys_->due(time(), time(), at_end);
        }
        RunEnd end;
        end.t = time();
        end.steps = steps;
        end.reason = reason;
        RunContext run{*sim_, observers_, eps()};
        for (auto s = schedules_.rbegin(); s != schedules_.rend(); ++s)
            (*s)->end(end.t, reason, run);
        observers_.finish(end);
        if (text_out_ != nullptr)
            check_standard_output(text_out_,
                                  o_.report ? "--report and the HUD frames" : "the HUD frames");
        std::fputs(summary_->text(end).c_str(), err_);
    }

private:
    // The world's events of the step, at the world's times of them.
    void world_events() {
        const auto& vessels = sim_->vessels();
        for (const WorldEvent& w : sim_->world().take_events()) {
            const auto found = std::find_if(vessels.begin(), vessels.end(),
                                            [&w](const auto& v) { return v->record == w.vessel; });
            if (found == vessels.end()) continue;
            RunEvent e;
            e.kind = w.kind == WorldEvent::Kind::surface ? RunEvent::Kind::surface
                                                         : RunEvent::Kind::eclipse;
            e.start = w.kind == WorldEvent::Kind::eclipse_entry;
            e.t = w.time;
            e.vessel = static_cast<std::size_t>(found - vessels.begin());
            observers_.event(e);
        }
    }

    struct Held : public RunObserver {
        std::vector<RunEvent> events;
        void event(const RunEvent& e) override { events.push_back(e); }
    };

    template <typename T>
    T* add(std::unique_ptr<T> p) {
        T* raw = p.get();
        if constexpr (std::is_base_of_v<Schedule, T>) {
            schedules_.push_back(std::move(p));
        } else {
            observers_.add(raw);
            outputs_.push_back(std::move(p));
        }
        return raw;
    }

    const Options& o_;
    std::FILE* err_;
    InstallPaths paths_;
    // --replay without --trace: a trace of its own, thinned to what the
    // page keeps, read back after the run.
    ReplayTrace replay_trace_;
    std::string trace_path_;
    std::string file_;
    FaultSchedule faults_;
    CallLog calls_;
    bool recording_ = false;
    std::unique_ptr<CallsOutput> calls_out_;
    std::unique_ptr<Simulation> sim_;
    double start_ = 0.0, until_ = 0.0;
    std::vector<std::unique_ptr<Schedule>> schedules_;
    RelocationSchedule* relocation_ = nullptr;
    AttitudeSchedule* attitudes_ = nullptr;
    KeySchedule* keys_ = nullptr;
    std::FILE* text_out_ = nullptr;  // HUD frames and reports; null when a stream has stdout
    WarpSchedule* warps_ = nullptr;
    std::vector<std::unique_ptr<RunObserver>> outputs_;
    Observers observers_;
    RunSummary* summary_ = nullptr;
    Held held_;
    std::unique_ptr<SnapshotBuilder> snapshot_;
};

// The trace's options: its own path, and for a page's own trace every how
// many steps it keeps, so that the page's writer, which thins further and
// keeps the steps where things happen, reads twice its steps (warps
// counted: a warped run's deployment at the base step must not be thinned).
Options traced_options(const Options& o, const std::string& trace_path, bool own, double start,
                       double until) {
    Options traced = o;
    traced.trace = trace_path;
    if (own)
        traced.trace_every =
            std::max(o.trace_every,
                     static_cast<int>(std::min(
                         1e9, std::ceil(WarpSchedule(o.warps, o.dt).expected_steps(start, until) /
                                        (2.0 * static_cast<double>(kReplayMaxSteps))))));
    return traced;
}

void Flight::prepare(std::FILE* out) {
    const Options& o = o_;
    Simulation& sim = *sim_;
    until_ = end_time(o, sim.world());
    const Options traced =
        traced_options(o, trace_path_, !replay_trace_.path.empty(), start_, until_);
    if (!o.svg.empty()) std::filesystem::create_directories(o.svg);
    // A trace or calls log on standard output has it to itself: the HUD
    // frames and reports are in the trace, or can be had from a run without
    // it.
    text_out_ = o.trace == "-" || o.calls == "-" ? nullptr : out;
    std::FILE* text_out = text_out_;
    if (o.report && text_out != nullptr)
        for (SessionVessel* v : sim.vessels())
            std::fputs(name_to_utf8(vessel_report(sim.host(), *v->record)).c_str(), text_out);

    // An impossible relocation stops the run before any output exists.
    relocation_ = add(std::make_unique<RelocationSchedule>(o.relocate, sim));
    add(std::make_unique<KeepingSchedule>(o, sim, *relocation_));
    attitudes_ = add(std::make_unique<AttitudeSchedule>(o.attitudes));
    keys_ = add(std::make_unique<KeySchedule>(o.keys));
    warps_ = add(std::make_unique<WarpSchedule>(o.warps, o.dt));
    add(std::make_unique<BurnSchedule>(o.burns, sim, err_));
    if (!o.svg.empty())
        add(std::make_unique<SampleSchedule>(
            start_, std::max(o.dt, (until_ - start_) / kPlotPoints), o.hud_width, o.hud_height));
    add(std::make_unique<HudSchedule>(
        HudSettings{o.hud_width, o.hud_height, o.hud_at, o.hud_every.value_or(0.0)}, start_));

    // The outputs, in the order they finish: the trace before the page made
    // from it, the calls last (finishing the others makes calls).
    add(std::make_unique<ProgressOutput>(start_, until_, o.progress));
    if (!trace_path_.empty())
        add(std::make_unique<TraceWriter>(TraceSettings{
            trace_path_, replay_trace_.path.empty() ? "--trace" : "--replay",
            replay_trace_.path.empty(), traced.trace_every, until_ - eps(), options_json(traced)}));
    add(std::make_unique<HudOutput>(text_out, o.svg));
    if (!o.svg.empty())
        add(std::make_unique<OverviewRecorder>(OverviewSettings{
            o.svg, o.relocate ? o.relocate->target_lon : NAN, commanded_marks(o)}));
    if (!o.save.empty()) add(std::make_unique<SavedScenario>(o.save, sim));
    if (!o.replay.empty())
        add(std::make_unique<ReplayOutput>(
            ReplaySettings{o.replay, trace_path_, paths_.replay_template, paths_.data}));
    summary_ = add(std::make_unique<RunSummary>(o.summary));
    if (calls_out_) add(std::move(calls_out_));
    const LinesRule lines{trace_path_.empty() ? 0 : traced.trace_lines_every, traced.trace_every,
                          until_ - eps()};
    snapshot_ = std::make_unique<SnapshotBuilder>(sim.world(), sim.session(), sim.vessels(),
                                                  recording_ ? &calls_ : nullptr, lines);
}

}  // namespace

int run(const Options& o, std::FILE* out, std::FILE* err) {
    try {
        // From the start: a signal while loading ends the run as one later does.
        const StopSignals stop;
        Flight flight(o, err);
        if (!o.poses.empty()) {
            write_poses(o, flight.sim(), out);
            return StopSignals::received() == 0 ? 0 : 128 + StopSignals::received();
        }
        flight.prepare(out);
        flight.begin();
        // Until the end: what is due, a step, its snapshot to the outputs.
        double t = flight.time();
        long steps = 0;
        while (t < flight.until() - flight.eps() && StopSignals::received() == 0) {
            flight.due(Schedule::When::before_step, t, t);
            const double dt = flight.step_length(t);
            flight.due(Schedule::When::in_step, t, t + dt);
            flight.step(++steps, dt);
            t = flight.time();
        }
        const int signal = StopSignals::received();
        flight.finish(signal == 0 ? "until" : "signal", steps);
        // A signal while the outputs were written: they are whole, the exit says so.
        const int stopped = signal != 0 ? signal : StopSignals::received();
        return stopped == 0 ? 0 : 128 + stopped;
    } catch (const ModuleLoadError& e) {
        std::fprintf(err, "krvsim: --modules %s: %s\n", o.modules.c_str(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(err, "krvsim: %s\n", e.what());
    }
    return 2;
}

}  // namespace standin
