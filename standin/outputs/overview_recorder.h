// The overview plot as an output: a sample of each vessel whenever a HUD
// is drawn for one (the figures the module printed beside the step's
// truth), its burns and eclipses from the run's events, one SVG per vessel
// into the --svg folder at the end.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "standin/outputs/overview_plot.h"
#include "standin/snapshot/run_observer.h"
#include "standin/station/relocation_executor.h"

namespace standin {

struct OverviewSettings {
    std::string folder;  // --svg
    // [deg] east: the target the plot measures from, for every vessel; NaN:
    // the box's, else each vessel's profile's, if it has one.
    double target_lon = NAN;
    // For every vessel: the keys commanded (burns come from the run's events).
    std::vector<OverviewMark> marks;
    // The station kept, for every vessel (--keep-station); none: the box a
    // vessel's `keeping` event names, else +-0.1 deg about the target.
    std::optional<StationBox> box = std::nullopt;
};

// The marks of a relocation's burns.
std::vector<OverviewMark> burn_marks(const std::vector<ExecutedBurn>& burns);

// A sample of vessel i at the snapshot, with the figures its module printed
// in hud_texts (a HUD frame drawn then; NaN where it printed none).
OverviewSample overview_sample(const StepSnapshot& s, std::size_t i, const VesselRecord& vessel,
                               const std::vector<DrawnText>& hud_texts, double target_lon);

class OverviewRecorder : public RunObserver {
public:
    explicit OverviewRecorder(OverviewSettings settings) : settings_(std::move(settings)) {}

    void header(const RunHeader& header) override;
    void event(const RunEvent& event) override;
    void finish(RunEnd& end) override;

    void step(const StepSnapshot& snapshot) override;

private:
    // A burn under way: its group's delta-v so far when it started.
    struct OpenBurn {
        std::size_t group = 0;
        double start = 0.0;  // [s]
        double end = NAN;    // [s] once its end edge came; closed at the next step
        double dv0 = 0.0;    // [m/s]
        std::string name;
    };
    void close_burns(std::size_t vessel, bool all);

    OverviewSettings settings_;
    RunHeader header_;
    std::vector<double> targets_;                   // [deg] east, per vessel
    std::vector<std::optional<StationBox>> boxes_;  // per vessel
    std::vector<std::vector<OverviewSample>> samples_;
    std::vector<std::vector<OverviewMark>> burns_;
    std::vector<std::vector<OpenBurn>> open_;
    std::vector<std::vector<OverviewSpan>> eclipses_;
    std::vector<double> shadow_since_;  // [s] NaN: in sunlight
    StepSnapshot last_;
};

}  // namespace standin
