// What a run does at given times, one small type per kind: keys, burns,
// HUD frames, plot samples. The run loop asks each for what is due.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "standin/runner/drift_plot.h"
#include "standin/runner/options.h"
#include "standin/runner/progress_bar.h"
#include "standin/runner/run_summary.h"
#include "standin/runner/simulation.h"
#include "standin/runner/trace_writer.h"

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

class SampleSchedule {
public:
    SampleSchedule(const Options& o, double start, double until, std::size_t vessels);
    void take_due(double t, RunRecord& run);
    // The drift plots into the --svg folder; the file names written.
    std::vector<std::string> write(RunRecord& run, const std::vector<std::string>& file_names);

private:
    void take(RunRecord& run);

    bool wanted_;
    std::string folder_;
    double every_;
    double next_;
    std::vector<std::vector<DriftSample>> samples_;
};

}  // namespace standin
