// The progress bar as an output: drawn on with each step, wiped off the
// line before a HUD frame is printed.
#pragma once

#include "standin/outputs/progress_bar.h"
#include "standin/snapshot/run_observer.h"

namespace standin {

class ProgressOutput : public RunObserver {
public:
    ProgressOutput(double from, double to, bool wanted) : bar_(from, to, wanted) {}
    void step(const StepSnapshot& s) override {
        if (s.n > 0) bar_.update(s.t);
    }
    void event(const RunEvent& e) override {
        if (e.kind == RunEvent::Kind::hud && e.shown) bar_.clear();
    }
    void finish(RunEnd& /*end*/) override { bar_.finish(); }

private:
    ProgressBar bar_;
};

}  // namespace standin
