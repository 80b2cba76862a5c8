// The overview plot as an output: a sample of each vessel whenever a HUD
// is drawn for one (the figures the module printed beside the step's
// truth), one SVG per vessel into the --svg folder at the end.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "standin/outputs/overview_plot.h"
#include "standin/snapshot/run_observer.h"
#include "standin/station/relocation_executor.h"

namespace standin {

struct OverviewSettings {
    std::string folder;  // --svg
    // [deg] east: the target the plot measures from, for every vessel; NaN:
    // each vessel's profile's, if it has one.
    double target_lon = NAN;
    std::vector<OverviewMark> marks;  // for every vessel: the keys and burns commanded
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
    void step(const StepSnapshot& snapshot) override { last_ = snapshot; }
    void event(const RunEvent& event) override;
    void finish(RunEnd& end) override;

private:
    OverviewSettings settings_;
    RunHeader header_;
    std::vector<double> targets_;  // [deg] east, per vessel
    std::vector<std::vector<OverviewSample>> samples_;
    std::vector<std::vector<OverviewMark>> relocation_marks_;
    StepSnapshot last_;
};

}  // namespace standin
