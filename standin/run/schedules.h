// What a run does at given times, one small type per kind behind one
// interface: keys, burns, time warp, attitude modes, a relocation (before
// each step), HUD frames and plot samples (after it). The loop asks each
// when it next acts and has it do what is due; what they do they tell the
// outputs as events.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "standin/run/options.h"
#include "standin/run/simulation.h"
#include "standin/snapshot/run_observer.h"

namespace standin {

// What the schedules act on and report to.
struct RunContext {
    Simulation& sim;
    RunObserver& events;
    // Times within this of each other count as reached: sums of steps are
    // not exact.
    double eps;
};

class Schedule {
public:
    // Before the step from t; within it (edges inside the step about to be
    // taken, which ends at step_end); after the step that ended at t.
    enum class When { before_step, in_step, after_step };
    // Whether a step ends no later than the schedule's next time: never,
    // while the step is warped beyond the base step, or always.
    enum class Bounds { never, warped, always };

    virtual ~Schedule() = default;
    virtual When when() const { return When::before_step; }
    virtual Bounds bounds() const { return Bounds::warped; }
    // [s] the next time after t it acts at; infinity when none is left.
    virtual double next_time(double t) const = 0;
    // Does what is due by t; step_end [s]: where the step about to be taken
    // ends (after a step: t itself).
    virtual void due(double t, double step_end, RunContext& run) = 0;
    // At the run's end (reason "until" or "signal").
    virtual void end(double /*t*/, const char* /*reason*/, RunContext& /*run*/) {}
};

// Every time an option names must fall within the run; throws
// std::runtime_error naming the option and the value.
void check_times_within(const Options& o, double start, double until);

class KeySchedule : public Schedule {
public:
    explicit KeySchedule(std::vector<KeyEvent> keys);
    // A key ordered while the run goes on, at or after every one before it.
    void add(KeyEvent key);
    double next_time(double t) const override;
    void due(double t, double step_end, RunContext& run) override;

private:
    std::vector<KeyEvent> keys_;
    std::size_t next_ = 0;
};

class BurnSchedule : public Schedule {
public:
    // Hands the burns to the world; a vessel without the group is told on err.
    BurnSchedule(const std::vector<BurnCommand>& burns, Simulation& sim, std::FILE* err);
    // A burn ordered while the run goes on, starting at or after every one
    // before it; false when no vessel has the group.
    bool add(const BurnCommand& burn, Simulation& sim, std::FILE* err);
    When when() const override { return When::in_step; }
    double next_time(double t) const override;
    // Reports the starts and ends that fall before step_end.
    void due(double t, double step_end, RunContext& run) override;

private:
    struct Edge {
        double t;
        std::size_t vessel;
        std::string group;
        bool start;
        double level;
    };
    std::vector<Edge> edges_;
    std::size_t next_ = 0;
};

// The step length in force: the base step, or the last warp begun.
class WarpSchedule : public Schedule {
public:
    WarpSchedule(std::vector<WarpCommand> warps, double base_dt);
    // A warp ordered while the run goes on, at or after every one before it.
    void add(WarpCommand warp);
    double next_time(double t) const override;
    // Reports each warp as it takes effect.
    void due(double t, double step_end, RunContext& run) override;
    double dt() const { return dt_; }
    // About how many steps a run from `start` to `until` takes, its warps
    // counted (the turns' base steps and steps cut short at events not).
    double expected_steps(double start, double until) const;

private:
    std::vector<WarpCommand> warps_;
    std::size_t next_ = 0;
    double base_dt_;
    double dt_;
};

class AttitudeSchedule : public Schedule {
public:
    explicit AttitudeSchedule(std::vector<AttitudeCommand> modes);
    // A mode ordered while the run goes on, at or after every one before it.
    void add(AttitudeCommand mode);
    double next_time(double t) const override;
    // Sets every vessel's mode due by t.
    void due(double t, double step_end, RunContext& run) override;

private:
    std::vector<AttitudeCommand> modes_;
    std::size_t next_ = 0;
};

struct HudSettings {
    int width = 1024;        // [px]
    int height = 768;        // [px]
    std::vector<double> at;  // [s]
    double every = 0.0;      // [s]; 0: none
};

class HudSchedule : public Schedule {
public:
    HudSchedule(HudSettings settings, double start);
    When when() const override { return When::after_step; }
    double next_time(double t) const override;
    void due(double t, double step_end, RunContext& run) override;
    // With neither --hud-at nor --hud-every, the one frame at the end.
    void end(double t, const char* reason, RunContext& run) override;

private:
    void draw(RunContext& run);

    HudSettings settings_;
    std::size_t next_at_ = 0;
    double next_every_;
};

// A HUD drawn for each of the overview plot's samples (the figures the
// module printed are read from it), evenly over the run and at its end.
class SampleSchedule : public Schedule {
public:
    // every [s]; the HUD's size in px.
    SampleSchedule(double start, double every, int width, int height);
    When when() const override { return When::after_step; }
    Bounds bounds() const override { return Bounds::never; }
    double next_time(double t) const override;
    void due(double t, double step_end, RunContext& run) override;
    void end(double t, const char* reason, RunContext& run) override;

private:
    void take(RunContext& run);

    double every_;
    double next_;
    int width_, height_;
    double last_ = -INFINITY;  // [s] the last sample's time
};

// One HUD frame of every vessel, told as events; shown false for a frame
// drawn for a plot sample.
void draw_huds(RunContext& run, int width, int height, bool shown);

}  // namespace standin
