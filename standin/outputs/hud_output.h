// HUD frames for people: as text on standard output, and as SVG files
// (--svg) numbered in the order they were drawn.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "standin/snapshot/run_observer.h"

namespace standin {

class HudOutput : public RunObserver {
public:
    // out: null for no text (the trace or calls log has standard output);
    // svg: the folder, empty for none.
    HudOutput(std::FILE* out, std::string svg) : out_(out), svg_(std::move(svg)) {}

    void header(const RunHeader& header) override { file_names_ = header.file_names; }
    void event(const RunEvent& event) override;
    void finish(RunEnd& end) override;

private:
    std::FILE* out_;
    std::string svg_;
    std::vector<std::string> file_names_;
    int frame_ = 0;
    double frame_time_ = -1.0;  // [s] the frame now being drawn, one per vessel
    std::vector<std::string> files_;
};

}  // namespace standin
