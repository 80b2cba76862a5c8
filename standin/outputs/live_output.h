// A live flight's view (krvsim --live): the run's records as the trace
// writes them, gathered between snapshots, and each snapshot message a
// live page reads: the events since the last one, the step now in the
// replay page's lean form, the HUD frames drawn for it. docs/live.md has
// the message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "standin/outputs/trace_writer.h"
#include "standin/replay/lean_step.h"
#include "standin/snapshot/hud_frame.h"
#include "standin/snapshot/run_observer.h"

namespace standin {

class LiveOutput : public RunObserver {
public:
    // options_json: the run's options, as the trace's header shows them.
    explicit LiveOutput(std::string options_json);

    void header(const RunHeader& header) override;
    // Keeps the snapshot for the next message: it must outlive the call of
    // snapshot() that follows (the run's builder keeps it until the next step).
    void step(const StepSnapshot& snapshot) override;
    void event(const RunEvent& event) override;

    // The trace's header record, one JSON object.
    const std::string& header_record() const { return header_; }
    bool has_step() const { return latest_ != nullptr; }
    // {"type":"snapshot","seq":..,"t":..,"mjd":..,"warp":..,"paused":..,
    // "records":[..]}: the events since the last message, and before them
    // the last ones sent up to kRecentEvents in all, each with its "seq";
    // the latest step, then `huds`.
    std::string snapshot(double warp, bool paused, const std::vector<HudFrame>& huds);

    // Events kept at most between two messages: they are the page's
    // markers only; a run that publishes rarely drops the oldest.
    static constexpr std::size_t kHeldEvents = 256;
    // Events every message repeats at least: a page that lost a few
    // messages (a slow viewer's are dropped) still has their events.
    static constexpr std::size_t kRecentEvents = 32;

private:
    TraceWriter records_;
    std::string header_;
    TrackingAnimations tracking_;
    const StepSnapshot* latest_ = nullptr;
    std::deque<std::string> events_;  // the recent events sent, then those not sent yet
    std::uint64_t events_seen_ = 0, snapshots_ = 0;
};

}  // namespace standin
