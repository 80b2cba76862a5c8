// The calls log as an output (--calls): the host's calls written as they
// are made, a step's with its snapshot, the run's last ones at its end.
#pragma once

#include <string>

#include "standin/core/call_log.h"
#include "standin/outputs/calls_writer.h"
#include "standin/snapshot/run_observer.h"

namespace standin {

class CallsOutput : public RunObserver {
public:
    // log: the host's, which the run empties after each step's observers.
    // Throws std::runtime_error when the file cannot be written.
    CallsOutput(const std::string& path, const CallLog& log)
        : path_(path), log_(log), writer_(path) {}

    void step(const StepSnapshot& /*snapshot*/) override { writer_.write(log_); }
    void finish(RunEnd& end) override {
        writer_.write(log_);
        writer_.close();
        if (path_ != "-") end.files.emplace_back("calls", path_);
    }

private:
    std::string path_;
    const CallLog& log_;
    CallsWriter writer_;
};

}  // namespace standin
