#include "standin/run/flight.h"

#include <cmath>

#include "standin/core/vessel_report.h"
#include "standin/json/latin1.h"
#include "standin/outputs/hud_output.h"
#include "standin/outputs/overview_recorder.h"
#include "standin/outputs/progress_output.h"
#include "standin/outputs/replay_output.h"
#include "standin/outputs/trace_writer.h"
#include "standin/run/options_json.h"
#include "standin/run/record_output.h"
#include "standin/scenario/scenario_error.h"

namespace standin {

namespace {

std::string seconds_text(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", t);
    return buf;
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

}  // namespace

void Flight::check_outputs(const Options& o, const std::filesystem::path& replay_template) {
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

RunHeader Flight::run_header(Simulation& sim, const std::string& scenario) {
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

bool Flight::turning(Simulation& sim) {
    for (SessionVessel* v : sim.vessels())
        if (sim.world().attitude_mode(*v->record) != AttitudeMode::none &&
            !sim.world().attitude_settled(*v->record))
            return true;
    return false;
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
    keeping_ = add(std::make_unique<KeepingSchedule>(o, sim, *relocation_));
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

}  // namespace standin
