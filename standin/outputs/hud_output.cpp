#include "standin/outputs/hud_output.h"

#include <filesystem>

#include "standin/outputs/hud_svg.h"
#include "standin/outputs/output_file.h"

namespace standin {

void HudOutput::event(const RunEvent& e) {
    if (e.kind != RunEvent::Kind::hud || !e.shown || !e.hud) return;
    // A frame is every vessel's HUD at one time: its number is one.
    if (e.vessel == 0 && frame_time_ >= 0.0) ++frame_;
    frame_time_ = e.t;
    if (out_ != nullptr) {
        print_hud_frame(out_, *e.hud);
        std::fflush(out_);
    }
    if (svg_.empty() || e.vessel >= file_names_.size()) return;
    char number[16];
    std::snprintf(number, sizeof number, "hud_%03d_", frame_);
    const std::string path =
        (std::filesystem::path(svg_) / (number + file_names_[e.vessel] + ".svg")).string();
    write_file_atomically("--svg", path, hud_svg(*e.hud));
    files_.push_back(path);
}

void HudOutput::finish(RunEnd& end) {
    for (const auto& f : files_) end.files.emplace_back("HUD frame", f);
}

}  // namespace standin
