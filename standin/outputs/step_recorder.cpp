#include "standin/outputs/step_recorder.h"

#include "standin/profiles/vessel_profile.h"

namespace standin {

StepRecorder::StepRecorder(Simulation& sim, const CallLog* calls, TraceWriter* trace,
                           RunSummary& summary, int trace_every, double until, double eps)
    : sim_(sim),
      trace_(trace),
      summary_(summary),
      trace_every_(trace_every),
      last_(until - eps),
      calls_(sim.vessels().size()) {
    if (trace_ != nullptr && calls != nullptr) reader_ = std::make_unique<StepCallReader>(*calls);
}

void StepRecorder::record(long n, double dt) {
    summary_.step(sim_);
    if (reader_ == nullptr) return;
    const auto& vessels = sim_.vessels();
    for (std::size_t i = 0; i < calls_.size(); ++i) reader_->read(*vessels[i]->record, calls_[i]);
    const double t = sim_.world().sim_time();
    if (n % trace_every_ == 0 || t >= last_) trace_->step(sim_, n, dt, calls_);
    for (std::size_t i = 0; i < calls_.size(); ++i) {
        for (const auto& e : calls_[i].travel_ends)
            trace_->travel_end(t, vessels[i]->record->name,
                               animation_names(*vessels[i]->record).at(e.animation), e.state);
    }
}

}  // namespace standin
