// What a run does at given times, one small type per kind: keys, burns,
// HUD frames, plot samples, time warp, attitude modes. The run loop asks each for what is due.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "standin/outputs/overview_plot.h"
#include "standin/outputs/progress_bar.h"
#include "standin/outputs/run_summary.h"
#include "standin/outputs/trace_writer.h"
#include "standin/run/options.h"
#include "standin/run/simulation.h"

namespace standin {

// What the schedules act on and report to.
struct RunRecord {
    Simulation& sim;
    std::FILE* out;      // HUD frames as text; null when the trace has standard output
    TraceWriter* trace;  // null without --trace
    RunSummary& summary;
    ProgressBar& progress;
    // Times within this of each other count as reached: sums of steps are
    // not exact.
    double eps;
};

// Every time an option names must fall within the run; throws
// std::runtime_error naming the option and the value.
void check_times_within(const Options& o, double start, double until);

class KeySchedule {
public:
    explicit KeySchedule(std::vector<KeyEvent> keys);
    // Presses every key due by t.
    void press_due(double t, RunRecord& run);
    // [s] the next key's time; infinity when none is left.
    double next_time() const;

private:
    std::vector<KeyEvent> keys_;
    std::size_t next_ = 0;
};

class BurnSchedule {
public:
    // Hands the burns to the world; a vessel without the group is told on err.
    BurnSchedule(const std::vector<BurnCommand>& burns, Simulation& sim, std::FILE* err);
    // Reports the starts and ends that fall before `before`.
    void report_due(double before, RunRecord& run);
    double next_time() const;

private:
    struct Edge {
        double t;
        std::string vessel;
        std::string group;
        bool start;
        double level;
    };
    std::vector<Edge> edges_;
    std::size_t next_ = 0;
};

class HudSchedule {
public:
    // file_names: per vessel, the part of its SVG file names.
    HudSchedule(const Options& o, double start, std::vector<std::string> file_names);
    void draw_due(double t, RunRecord& run);
    // With neither --hud-at nor --hud-every, the one frame at the end.
    void draw_at_end(RunRecord& run);
    // [s] the next frame's time after t; infinity when none is left.
    double next_time(double t) const;
    const std::vector<std::string>& files() const { return files_; }

private:
    void draw(RunRecord& run);

    const Options& o_;
    std::vector<double> at_;
    std::size_t next_at_ = 0;
    double next_every_;
    int frame_ = 0;
    std::vector<std::string> file_names_;
    std::vector<std::string> files_;
};

// The overview plot's samples: the world's truth and the figures the module
// printed on a HUD drawn for the sample.
class SampleSchedule {
public:
    SampleSchedule(const Options& o, double start, double until, std::size_t vessels);
    void take_due(double t, RunRecord& run);
    // The overview plots into the --svg folder, with these marks per
    // vessel; the file names written.
    std::vector<std::string> write(RunRecord& run, const std::vector<std::string>& file_names,
                                   const std::vector<std::vector<OverviewMark>>& marks);

private:
    void take(RunRecord& run);

    const Options& o_;
    bool wanted_;
    double every_;
    double next_;
    double target_lon_;  // [deg] east
    std::vector<std::vector<OverviewSample>> samples_;
};

// The step length in force: the base step, or the last warp begun.
class WarpSchedule {
public:
    WarpSchedule(std::vector<WarpCommand> warps, double base_dt);
    // The step length at t; reports each warp as it takes effect.
    double dt_at(double t, RunRecord& run);
    // Whether the step in force is longer than the base step.
    bool warping() const { return dt_ > base_dt_; }
    // [s] when the next warp begins; infinity when none is left.
    double next_time() const;
    // About how many steps a run from `start` to `until` takes, its warps
    // counted (the turns' base steps and steps cut short at events not).
    double expected_steps(double start, double until) const;

private:
    std::vector<WarpCommand> warps_;
    std::size_t next_ = 0;
    double base_dt_;
    double dt_;
};

class AttitudeSchedule {
public:
    explicit AttitudeSchedule(std::vector<AttitudeCommand> modes);
    // Sets every vessel's mode due by t.
    void set_due(double t, RunRecord& run);
    double next_time() const;

private:
    std::vector<AttitudeCommand> modes_;
    std::size_t next_ = 0;
};

}  // namespace standin
