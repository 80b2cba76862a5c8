// The run's trace, format 1: JSON Lines with a header, the kept steps, the
// events (keys, burns, HUD frames, ends of travel) and an end record.
// docs/trace.md describes every field.
//
// The simulation's thread only takes a snapshot of each kept step (plain
// numbers) and writes the rare events' text; a thread of the writer's own
// formats the steps and writes everything, in the order it was given.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "standin/runner/hud_frame.h"
#include "standin/runner/json_out.h"
#include "standin/runner/options.h"
#include "standin/runner/output_file.h"
#include "standin/runner/pointing_gauge.h"
#include "standin/runner/simulation.h"
#include "standin/runner/slot_queue.h"
#include "standin/runner/step_calls.h"
#include "standin/runner/sun_track.h"
#include "standin/station/relocation_plan.h"
#include "standin/world/quaternion.h"
#include "standin/world/state_vector.h"

namespace standin {

constexpr int kTraceFormat = 1;

class TraceWriter {
public:
    // path "-" is standard output; a file appears, whole, only at end().
    // Throws std::runtime_error naming `option` when it cannot be opened.
    TraceWriter(const std::string& path, const Options& options,
                const std::string& option = "--trace");
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    void header(Simulation& sim, const std::string& scenario);
    // One step record; calls[i] are vessel i's calls of the step.
    void step(Simulation& sim, long n, double dt, const std::vector<StepCalls>& calls);
    void key(double t, const std::string& key, const Simulation& sim,
             const std::vector<bool>& used);
    void burn(double t, const std::string& vessel, const std::string& group, bool start,
              double level);
    void hud(const HudFrame& frame);
    // A time warp taking effect: steps of dt seconds from t.
    void warp(double t, double dt);
    void attitude(double t, const std::string& vessel_utf8, const char* mode);
    // A relocation's plan, made (or forecast) at t for the start at `at`.
    void plan(double t, const std::string& vessel_utf8, double at, const RelocationPlan& p);
    // A relocation entering a phase; refusal empty unless refused.
    void relocation(double t, const std::string& vessel_utf8, const std::string& phase,
                    const std::string& refusal);
    void travel_end(double t, const std::string& vessel, const std::string& animation,
                    double state);
    // The last line; reason "until" or "signal". Waits until everything is
    // written; throws std::runtime_error when the file could not be written.
    void end(double t, long steps, const char* reason);

private:
    // What a step record shows of one vessel, as the step left it.
    struct VesselSnapshot {
        StateVector state;
        Quaternion q;
        VECTOR3 rate{};
        HostAnswersSeen host;
        std::vector<double> anim;        // states, by id
        std::vector<std::uint32_t> set;  // animations the module set
        double propellant = 0.0;         // [kg]
        std::vector<double> thrust;      // levels, by group
        bool has_lines = false;
        std::vector<std::string> lines;
    };
    // One record for the writer's thread: a step to format, a text ready to
    // write, or the last of them.
    struct Slot {
        enum class Kind { step, text, finish } kind = Kind::text;
        long n = 0;
        double t = 0.0;         // [s]
        double mjd = 0.0;       // [days]
        double dt = 0.0;        // [s]
        double rotation = 0.0;  // [rad] the Earth's

        std::vector<VesselSnapshot> vessels;
        std::string text;
    };

    // A record formatted here, into the next slot, through write(JsonOut&).
    template <typename Write>
    void event(Write&& write);
    void write_step(const Slot& s);
    void writer_loop();
    // Hands the finish over and waits for the writer's thread.
    void finish();

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

    OutputFile file_;
    std::string path_;
    std::string option_;  // named in messages: --trace, or --replay for its own trace
    const Options& options_;
    JsonOut json_;
    SunTrack sun_;
    std::vector<std::vector<std::string>> animation_names_;  // per vessel
    std::vector<std::string> vessel_names_;                  // UTF-8
    std::vector<PointingGauge> gauges_;
    std::vector<std::vector<std::string>> group_names_;  // per vessel, per thruster group
    NumberMemo mjd_memo_;                                // the step's and the host's MJD
    std::vector<StepMemos> memos_;                       // per vessel
    bool writer_failed_ = false;                         // the writer's thread met an exception
    SlotQueue<Slot> queue_;
    std::thread writer_;  // last: starts once everything above is built
};

// The trace's names of a vessel's animations: the KRV rig's by role,
// "anim<N>" for any other class.
std::vector<std::string> animation_names(const VesselRecord& vessel);

}  // namespace standin
