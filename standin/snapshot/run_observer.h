// An output of a run: it is told the run's header, each step's snapshot
// and each event, and finishes at the end. It sees nothing else of the run:
// its own settings come with its construction.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "standin/core/vessel_record.h"
#include "standin/snapshot/run_event.h"
#include "standin/snapshot/step_snapshot.h"
#include "standin/world/forces/force_model.h"

namespace standin {

struct RunHeader {
    std::string scenario;                      // the file as named
    double t = 0.0;                            // [s] at the start
    double mjd = 0.0;                          // [days] at the start
    std::vector<const VesselRecord*> vessels;  // their make-up; read only
    std::vector<std::string> names;            // UTF-8
    std::vector<std::string> file_names;       // each vessel's part of a file name
    const ForceModel* forces = nullptr;        // what moves the vessels
};

struct RunEnd {
    double t = 0.0;  // [s]
    long steps = 0;
    const char* reason = "until";  // or "signal"
    // What was written so far, (what, path), in order: each output adds its own.
    std::vector<std::pair<std::string, std::string>> files;
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void header(const RunHeader& /*header*/) {}
    virtual void step(const StepSnapshot& /*snapshot*/) {}
    virtual void event(const RunEvent& /*event*/) {}
    // Throws std::runtime_error naming its option when its output cannot be
    // written.
    virtual void finish(RunEnd& /*end*/) {}
};

// The run's outputs, told in the order they were added.
class Observers : public RunObserver {
public:
    void add(RunObserver* o) {
        if (o != nullptr) list_.push_back(o);
    }
    void header(const RunHeader& h) override {
        for (RunObserver* o : list_) o->header(h);
    }
    void step(const StepSnapshot& s) override {
        for (RunObserver* o : list_) o->step(s);
    }
    void event(const RunEvent& e) override {
        for (RunObserver* o : list_) o->event(e);
    }
    void finish(RunEnd& end) override {
        for (RunObserver* o : list_) o->finish(end);
    }

private:
    std::vector<RunObserver*> list_;
};

}  // namespace standin
