// A run from its load to its end, batch or live: the simulation, its
// schedules and outputs, and the snapshot they share.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "standin/loader/install_paths.h"
#include "standin/outputs/calls_output.h"
#include "standin/outputs/live_output.h"
#include "standin/outputs/output_file.h"
#include "standin/outputs/run_summary.h"
#include "standin/replay/replay_writer.h"
#include "standin/run/fault_spec.h"
#include "standin/run/keeping_schedule.h"
#include "standin/run/live_flight.h"
#include "standin/run/output_paths.h"
#include "standin/run/relocation_schedule.h"
#include "standin/run/run_checks.h"
#include "standin/run/schedules.h"
#include "standin/run/simulation.h"
#include "standin/snapshot/snapshot_builder.h"
#if defined(KRV_WITH_LIVE)
#include "standin/live/commands.h"
#endif

namespace standin {

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
    // [s] a relocation's event this close ahead is too close to step to.
    static constexpr double kTinyStep = 1e-9;

    // The outputs a run will write must be writable before it starts.
    static void check_outputs(const Options& o, const std::filesystem::path& replay_template);
    // What every output learns first: the scenario, the start, the vessels.
    static RunHeader run_header(Simulation& sim, const std::string& scenario);
    // Whether any vessel's attitude thrusters are turning it into its mode.
    static bool turning(Simulation& sim);

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
    KeepingSchedule* keeping_ = nullptr;
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

}  // namespace standin
