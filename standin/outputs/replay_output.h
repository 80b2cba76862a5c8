// The replay page as an output (--replay): made from the run's trace once
// the trace is whole.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "standin/replay/trace_replay.h"
#include "standin/snapshot/run_observer.h"

namespace standin {

struct ReplaySettings {
    std::string page;   // --replay
    std::string trace;  // the trace it is made from, finished before this
    std::filesystem::path page_template;
    std::filesystem::path data;  // the installation, for the meshes
};

class ReplayOutput : public RunObserver {
public:
    explicit ReplayOutput(ReplaySettings settings) : settings_(std::move(settings)) {}
    void finish(RunEnd& end) override {
        const TraceReplayResult page = write_replay_from_trace(
            settings_.trace, settings_.page, settings_.page_template, settings_.data);
        if (!page.ok) throw std::runtime_error("--replay: " + page.error);
        end.files.emplace_back("replay", settings_.page);
    }

private:
    ReplaySettings settings_;
};

}  // namespace standin
