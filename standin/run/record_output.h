// --record: a live flight written as a --config run file at its end.
#pragma once

#include <string>

#include "standin/run/options.h"
#include "standin/snapshot/run_observer.h"

namespace standin {

// A number written to read back the same (17 digits).
std::string exact_text(double v);

// A live flight as a run file: its scenario, step and forces, every order
// at the time it acted (pauses are none: they only stopped the clock), and
// its end; flown with --config, the same steps with the same inputs.
std::string run_file_text(const Options& r, const std::string& scenario, double until);

// --record: the live flight as a run file, written at its end.
class RecordOutput : public RunObserver {
public:
    RecordOutput(std::string path, const Options& recorded, std::string scenario)
        : path_(std::move(path)), recorded_(recorded), scenario_(std::move(scenario)) {}
    void finish(RunEnd& end) override;

private:
    std::string path_;
    const Options& recorded_;
    std::string scenario_;
};

}  // namespace standin
