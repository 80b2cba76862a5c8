// The run's trace, format 1: JSON Lines with a header, the kept steps, the
// events (keys, burns, HUD frames, ends of travel) and an end record.
// docs/trace.md describes every field.
//
// The simulation's thread only copies each kept step's snapshot and writes
// the rare events' text; a thread of the writer's own formats the steps and
// writes everything, in the order it was given.
#pragma once

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "standin/json/json_out.h"
#include "standin/outputs/output_file.h"
#include "standin/outputs/slot_queue.h"
#include "standin/snapshot/run_observer.h"

namespace standin {

constexpr int kTraceFormat = 1;

struct TraceSettings {
    // "-": standard output; empty: no file and no thread of its own, the
    // records formatted on the caller's thread and kept for take_lines()
    // (a live view's records, as the trace writes them).
    std::string path;
    std::string option = "--trace";  // named in messages (--replay for the page's own)
    bool listed = true;              // named among the files written (not the replay's own)
    int keep_every = 1;              // [steps] between kept step records
    double last = INFINITY;          // [s] a step ending at or after this is kept
    std::string options_json;        // the run's options, as the header shows them
};

class TraceWriter : public RunObserver {
public:
    // The file appears, whole, only at finish(). Throws std::runtime_error
    // naming the option when it cannot be opened.
    explicit TraceWriter(TraceSettings settings);
    ~TraceWriter() override;
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    void header(const RunHeader& header) override;
    void step(const StepSnapshot& snapshot) override;
    void event(const RunEvent& event) override;
    // The last line; waits until everything is written; throws
    // std::runtime_error when the file could not be written.
    void finish(RunEnd& end) override;
    // Without a file: the records made since the last call, one a line.
    std::string take_lines();

private:
    // One record for the writer's thread: a step to format, a text ready to
    // write, or the last of them.
    struct Slot {
        enum class Kind { step, text, finish } kind = Kind::text;
        StepSnapshot step;
        std::string text;
    };

    // A record formatted here, into the next slot, through write(JsonOut&).
    template <typename Write>
    void text(Write&& write);
    void write_step(const StepSnapshot& s);
    void write_plan(double t, const std::string& vessel, double at, const RelocationPlan& p);
    void write_hud(const HudFrame& f);
    void writer_loop();
    // Hands the finish over and waits for the writer's thread.
    void stop();

    // The step record's numbers by their place in it, per vessel: a place
    // keeps its memo from one step to the next.
    struct StepMemos {
        std::vector<NumberMemo> slots;
        std::size_t next = 0;
        NumberMemo* take(std::size_t n) {
            if (next + n > slots.size()) slots.resize(next + n);
            NumberMemo* m = &slots[next];
            next += n;
            return m;
        }
    };

    TraceSettings settings_;
    std::string lines_;  // without a file: the records not yet taken
    std::unique_ptr<OutputFile> file_;
    std::unique_ptr<JsonOut> json_;
    std::vector<std::vector<std::string>> animation_names_;  // per vessel
    std::vector<std::string> vessel_names_;                  // UTF-8
    std::vector<std::vector<std::string>> group_names_;      // per vessel, per thruster group
    NumberMemo mjd_memo_;                                    // the step's and the host's MJD
    std::vector<StepMemos> memos_;                           // per vessel
    bool writer_failed_ = false;                             // the writer's thread met an exception
    SlotQueue<Slot> queue_;
    std::thread writer_;  // last: starts once everything above is built
};

}  // namespace standin
