#include "standin/run/run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <variant>

#include "standin/core/thruster_group_names.h"
#include "standin/core/vessel_report.h"
#include "standin/json/latin1.h"
#include "standin/loader/install_paths.h"
#include "standin/outputs/calls_output.h"
#include "standin/outputs/hud_output.h"
#include "standin/outputs/live_output.h"
#include "standin/outputs/output_file.h"
#include "standin/outputs/overview_recorder.h"
#include "standin/outputs/progress_output.h"
#include "standin/outputs/replay_output.h"
#include "standin/outputs/run_summary.h"
#include "standin/outputs/trace_writer.h"
#include "standin/replay/replay_writer.h"
#include "standin/run/fault_spec.h"
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
#if defined(KRV_WITH_LIVE)
#include "standin/live/server.h"
#endif

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

// What the overview plot marks on every vessel's: the keys commanded (it
// takes the burns, with their delta-v, from the run's events).
std::vector<OverviewMark> commanded_marks(const Options& o) {
    std::vector<OverviewMark> marks;
    for (const auto& k : o.keys)
        marks.push_back({OverviewMark::Kind::key, k.time, 0.0, k.key.text});
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
    if (o.live && !o.until) {
        // Until stopped: at the latest where a scenario could still be read back.
        const double last =
            std::min(kScenarioLastTime, start + (kScenarioLastMjd - world.sim_mjd()) * 86400.0) -
            1.0;
        check_times_within(o, start, last);
        // Where it starts, at least: a step too short to move the time would
        // hold the flight still.
        if (o.dt < min_step(start))
            throw std::runtime_error("--dt " + seconds_text(o.dt) +
                                     ": too short to move the time " + seconds_text(start) +
                                     " s (at least " + seconds_text(min_step(start)) + " s)");
        return last;
    }
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

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\t') {
            out += "\\t";
            continue;
        }
        out += c;
    }
    return out + '"';
}

std::string exact(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// A live flight as a run file: its scenario, step and forces, every order
// at the time it acted (pauses are none: they only stopped the clock), and
// its end; flown with --config, the same steps with the same inputs.
std::string run_file_text(const Options& r, const std::string& scenario, double until) {
    std::string out =
        "# A live flight of krvsim, to fly again step for step: krvsim --config FILE\n";
    const auto line = [&out](const std::string& key, const std::string& value) {
        out += key + " = " + value + "\n";
    };
    const auto list = [&out](const std::string& key, const std::vector<std::string>& values) {
        if (values.empty()) return;
        out += key + " = [";
        for (std::size_t i = 0; i < values.size(); ++i)
            out += (i ? ",\n  " : "") + quoted(values[i]);
        out += "]\n";
    };
    line("scenario", quoted(std::filesystem::absolute(scenario).string()));
    line("modules", quoted(std::filesystem::absolute(r.modules).string()));
    line("dt", exact(r.dt));
    line("until", exact(until));
    line("forces", quoted(r.forces.text()));
    if (!r.attitude_hold) line("no-hold", "true");
    line("hud", quoted(std::to_string(r.hud_width) + "x" + std::to_string(r.hud_height)));
    std::vector<std::string> v;
    for (double h : r.hud_at) v.push_back(exact(h));
    list("hud-at", v);
    if (r.hud_every) line("hud-every", exact(*r.hud_every));
    line("trace-every", std::to_string(r.trace_every));
    line("trace-lines-every", std::to_string(r.trace_lines_every));
    v.clear();
    for (const FaultWindow& f : r.faults)
        v.push_back(exact(f.from) + ":" + exact(f.to) + ":" + fault_name(f.kind));
    list("fault", v);
    v.clear();
    for (const KeyEvent& k : r.keys) v.push_back(exact(k.time) + ":" + k.key.text);
    list("key", v);
    v.clear();
    for (const BurnCommand& b : r.burns)
        v.push_back(exact(b.time) + ":" + exact(b.duration) + ":" + b.group_name + ":" +
                    exact(b.level));
    list("burn", v);
    v.clear();
    for (const WarpCommand& w : r.warps) v.push_back(exact(w.time) + ":" + exact(w.dt));
    list("warp", v);
    v.clear();
    for (const AttitudeCommand& a : r.attitudes)
        v.push_back(exact(a.time) + ":" + attitude_mode_name(a.mode));
    list("attitude", v);
    if (r.relocate) line("relocate", quoted(r.relocate->text));
    return out;
}

// --record: the live flight as a run file, written at its end.
class RecordOutput : public RunObserver {
public:
    RecordOutput(std::string path, const Options& recorded, std::string scenario)
        : path_(std::move(path)), recorded_(recorded), scenario_(std::move(scenario)) {}
    void finish(RunEnd& end) override {
        write_file_atomically("--record", path_, run_file_text(recorded_, scenario_, end.t));
        end.files.emplace_back("record", path_);
    }

private:
    std::string path_;
    const Options& recorded_;
    std::string scenario_;
};

// A live flight's state beside the schedules: the page's warp and pause.
struct LiveState {
    double warp = 1.0;
    bool paused = false;
};

#if defined(KRV_WITH_LIVE)
// The one answer to a page's `keep` until station keeping is wired in:
// the refusal's text, or empty when taken.
std::string keep_station_order(double /*lon_east_deg*/, double /*halfwidth_deg*/) {
    return "keep: station keeping is not available in this build";
}
#endif

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
        if (o.live) {
            check_output_folder("--record", o.record);
            if (!std::filesystem::is_regular_file(paths_.replay_template))
                throw std::runtime_error("--live: the viewer's page template '" +
                                         paths_.replay_template.string() +
                                         "' was not built (building it needs node and npm)");
        }
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
    // samples', as a step's are not), every output's end, the summary on
    // err. end_acts: the end time's acts even when a signal ended the run (a
    // live flight, whose end is whenever it is stopped).
    void finish(const char* reason, long steps, bool end_acts = false) {
        const bool at_end = end_acts || std::string(reason) == "until";
        if (at_end) {
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
            (*s)->end(end.t, at_end ? "until" : reason, run);
        observers_.finish(end);
        if (text_out_ != nullptr)
            check_standard_output(text_out_,
                                  o_.report ? "--report and the HUD frames" : "the HUD frames");
        std::fputs(summary_->text(end).c_str(), err_);
    }

    // The live page: the viewer's template with the trace's header as its
    // data; false with the reason in error.
    bool live_page(std::string& page, std::string& error) const {
        const std::string& header = live_->header_record();
        std::string mesh = "krv/krv";
        const std::string key = "\"mesh\":\"";
        if (const auto at = header.find(key); at != std::string::npos)
            mesh =
                header.substr(at + key.size(), header.find('"', at + key.size()) - at - key.size());
        ReplayWriter writer(paths_.replay_template, paths_.data, mesh);
        writer.add(TraceRecordKind::header, 0.0, header);
        return writer.page(page, &error, true);
    }

    // The snapshot message for the page, with a HUD frame of each vessel
    // drawn for it alone: not an event (so not in the trace), and its host
    // calls not in the calls log (the log holds no other calls between steps).
    std::string live_snapshot(const LiveState& state) {
        std::vector<HudFrame> huds;
        for (SessionVessel* v : sim_->vessels())
            huds.push_back(sim_->hud(*v, o_.hud_width, o_.hud_height));
        calls_.clear();
        return live_->snapshot(state.warp, state.paused, huds);
    }
    bool live_ready() const { return live_ != nullptr && live_->has_step(); }

#if defined(KRV_WITH_LIVE)
    // A page's order at the step boundary t, through the schedules the
    // options fill; the refusal's text, or empty when it was taken (then
    // also a `command` event at t, and in the recorded run file).
    std::string order(const live::Command& c, double t, LiveState& state);
#endif

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
    BurnSchedule* burns_ = nullptr;
    LiveOutput* live_ = nullptr;
    // A live flight's options with the orders it was given: --record's.
    Options recorded_;
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
    burns_ = add(std::make_unique<BurnSchedule>(o.burns, sim, err_));
    if (!o.svg.empty())
        add(std::make_unique<SampleSchedule>(
            start_, std::max(o.dt, (until_ - start_) / kPlotPoints), o.hud_width, o.hud_height));
    add(std::make_unique<HudSchedule>(
        HudSettings{o.hud_width, o.hud_height, o.hud_at, o.hud_every.value_or(0.0)}, start_));

    // The outputs, in the order they finish: the trace before the page made
    // from it, the calls last (finishing the others makes calls).
    // A live flight's end is not known: no progress to show.
    add(std::make_unique<ProgressOutput>(start_, until_, o.progress && !o.live));
    if (o.live) {
        live_ = add(std::make_unique<LiveOutput>(options_json(traced)));
        recorded_ = o;
        if (!o.record.empty()) add(std::make_unique<RecordOutput>(o.record, recorded_, file_));
    }
    if (!trace_path_.empty())
        add(std::make_unique<TraceWriter>(TraceSettings{
            trace_path_, replay_trace_.path.empty() ? "--trace" : "--replay",
            replay_trace_.path.empty(), traced.trace_every, until_ - eps(), options_json(traced)}));
    add(std::make_unique<HudOutput>(text_out, o.svg));
    if (!o.svg.empty()) {
        // Measured from the station kept (its box comes with the keeping's
        // event), else from the relocation's target.
        const double target = o.keep_station ? o.keep_station->lon
                              : o.relocate   ? o.relocate->target_lon
                                             : NAN;
        add(std::make_unique<OverviewRecorder>(
            OverviewSettings{o.svg, target, commanded_marks(o)}));
    }
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

#if defined(KRV_WITH_LIVE)

template <typename... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

std::string Flight::order(const live::Command& c, double t, LiveState& state) {
    bool relocating = false;
    std::string refusal = std::visit(
        Overloaded{
            [&](const live::Key& k) -> std::string {
                const auto key = parse_key(k.text());
                if (!key) return "key: unknown key '" + k.text() + "'";
                const KeyEvent e{t, *key};
                keys_->add(e);
                recorded_.keys.push_back(e);
                return {};
            },
            [&](const live::Warp& w) -> std::string {
                const WarpCommand e{t, o_.dt * w.factor, exact(t) + ":" + exact(o_.dt * w.factor)};
                warps_->add(e);
                recorded_.warps.push_back(e);
                state.warp = w.factor;
                return {};
            },
            [&](const live::Pause&) -> std::string {
                state.paused = true;
                return {};
            },
            [&](const live::Resume&) -> std::string {
                state.paused = false;
                return {};
            },
            [&](const live::Burn& b) -> std::string {
                const auto group = group_by_name(b.group);
                if (!group) return "burn: unknown group '" + b.group + "'";
                const BurnCommand e{t, b.seconds, *group, b.group, b.level};
                if (!burns_->add(e, *sim_, err_))
                    return "burn: no vessel has the group '" + b.group + "'";
                recorded_.burns.push_back(e);
                return {};
            },
            [&](const live::Attitude& a) -> std::string {
                static const char* const kNames[] = {"sun", "prograde", "retrograde", "hold"};
                const auto mode = parse_attitude_mode(kNames[static_cast<int>(a.mode)]);
                if (!mode) return "attitude: unknown mode";
                const AttitudeCommand e{t, *mode,
                                        exact(t) + ":" + kNames[static_cast<int>(a.mode)]};
                attitudes_->add(e);
                recorded_.attitudes.push_back(e);
                return {};
            },
            [&](const live::Relocate& r) -> std::string {
                if (!relocation_->empty() || recorded_.relocate)
                    return "relocate: one relocation per run";
                const RelocateCommand e{t, r.lon_east_deg, r.orbits,
                                        exact(t) + ":" + r.lon + ":" + std::to_string(r.orbits)};
                try {
                    relocation_->add(e, *sim_);
                } catch (const std::runtime_error& error) {
                    return std::string("relocate: ") + error.what();
                }
                recorded_.relocate = e;
                relocating = true;
                return {};
            },
            [&](const live::KeepStation& k) -> std::string {
                return keep_station_order(k.lon_east_deg, k.halfwidth_deg);
            },
        },
        c.order);
    if (!refusal.empty()) return refusal;
    RunEvent e;
    e.kind = RunEvent::Kind::command;
    e.t = t;
    e.value = static_cast<double>(c.client);
    e.name = c.message;
    observers_.event(e);
    if (relocating) {
        RunContext run{*sim_, observers_, eps()};
        relocation_->announce(run, err_);
    }
    return {};
}

// [s] of wall time the flight may fall behind the clock before it stops
// trying to catch up (it then runs as fast as it can).
constexpr double kLiveSlack = 0.25;
// Snapshots published at most per second of wall time.
constexpr double kLiveRate = 60.0;

// A live flight: the batch loop, its steps paced by the wall clock at the
// page's warp, the page's orders taken at each step boundary, a snapshot
// published after a step at most kLiveRate times a second while a page
// watches. Throws std::runtime_error naming --live when it cannot serve.
long fly_live(Flight& flight, const Options& o, std::FILE* err) {
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    std::string page, error;
    if (!flight.live_page(page, error)) throw std::runtime_error("--live: " + error);
    const auto listen = live::parse_listen_address(o.live_listen, error);
    if (!listen) throw std::runtime_error("--live: " + error);
    live::ServerOptions so;
    so.listen = *listen;
    so.page = std::move(page);
    so.log = [err](const std::string& line) {
        std::fprintf(err, "krvsim: live: %s\n", line.c_str());
    };
    auto server = live::Server::start(std::move(so), error);
    if (!server) throw std::runtime_error("--live: " + error);
    std::fprintf(err, "krvsim: live at %s\n", server->page_url().c_str());
    std::fflush(err);

    LiveState state;
    double t = flight.time();
    long steps = 0, published = 0;
    const Clock::time_point wall_start = Clock::now();
    Clock::time_point anchor_wall = wall_start;
    double anchor_t = t;
    Seconds behind{0.0};
    const Seconds period(1.0 / kLiveRate);
    Clock::time_point next_publish = wall_start;
    std::size_t viewers = 0;
    bool publish_now = true;
    const auto publish = [&](Clock::time_point now) {
        if (!flight.live_ready()) return;
        server->publish(flight.live_snapshot(state));
        ++published;
        publish_now = false;
        next_publish = std::max(next_publish + std::chrono::duration_cast<Clock::duration>(period),
                                now - std::chrono::duration_cast<Clock::duration>(period));
    };
    while (t < flight.until() - flight.eps() && StopSignals::received() == 0) {
        for (const live::Command& c : server->poll_commands()) {
            const bool was_paused = state.paused;
            const double warp = state.warp;
            const std::string refusal = flight.order(c, t, state);
            if (!refusal.empty()) {
                server->reply(c.client, live::error_reply(live::Refusal::invalid, refusal, c.id));
                std::fprintf(err, "krvsim: live: viewer %llu: refused: %s\n",
                             static_cast<unsigned long long>(c.client), refusal.c_str());
                continue;
            }
            // The clock starts again from here at the new rate.
            if (state.warp != warp || was_paused != state.paused) {
                anchor_wall = Clock::now();
                anchor_t = t;
                publish_now = true;
            }
        }
        Clock::time_point now = Clock::now();
        // A viewer come in: the state now, also while paused.
        if (const std::size_t n = server->clients(); n != viewers) {
            publish_now = publish_now || n > viewers;
            viewers = n;
        }
        if (state.paused) {
            if (publish_now) publish(now);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const Clock::time_point due = anchor_wall + std::chrono::duration_cast<Clock::duration>(
                                                        Seconds((t - anchor_t) / state.warp));
        if (now < due) {
            // Short naps: orders and signals are seen while waiting.
            std::this_thread::sleep_until(std::min(due, now + std::chrono::milliseconds(10)));
            continue;
        }
        if (now - due > Seconds(kLiveSlack)) {
            // Not caught up with: the clock starts again from here.
            behind += now - due;
            anchor_wall = now;
            anchor_t = t;
        }
        flight.due(Schedule::When::before_step, t, t);
        const double dt = flight.step_length(t);
        flight.due(Schedule::When::in_step, t, t + dt);
        flight.step(++steps, dt);
        t = flight.time();
        now = Clock::now();
        if (publish_now || (viewers > 0 && now >= next_publish)) publish(now);
    }
    server->stop();
    const double wall = Seconds(Clock::now() - wall_start).count();
    std::fprintf(err,
                 "krvsim: live: %ld steps and %ld snapshots in %.1f s of wall time; %.1f s "
                 "behind the clock in all%s\n",
                 steps, published, wall, behind.count(),
                 behind.count() > 0.0 ? " (it ran as fast as it could)" : "");
    return steps;
}

#endif

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
        if (o.live) {
#if defined(KRV_WITH_LIVE)
            const long steps = fly_live(flight, o, err);
            const int signal = StopSignals::received();
            flight.finish(signal == 0 ? "until" : "signal", steps, true);
            const int stopped = signal != 0 ? signal : StopSignals::received();
            return stopped == 0 ? 0 : 128 + stopped;
#else
            throw std::runtime_error("--live: not in this build of krvsim");
#endif
        }
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
