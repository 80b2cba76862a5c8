#include "standin/core/recording_sketchpad.h"

namespace standin {

std::uint32_t RecordingSketchpad::SetTextColor(std::uint32_t colour) {
    const std::uint32_t previous = colour_;
    colour_ = colour;
    ++colour_changes_;
    return previous;
}

bool RecordingSketchpad::Text(int x, int y, const char* str, int len) {
    DrawnText t;
    t.x = x;
    t.y = y;
    t.colour = colour_;
    t.len = len;
    // A negative count or a null text draws nothing, as on a real surface.
    if (str != nullptr && len > 0) t.bytes.assign(str, static_cast<std::size_t>(len));
    texts_.push_back(std::move(t));
    return str != nullptr && len >= 0;
}

void RecordingSketchpad::clear() {
    texts_.clear();
    colour_changes_ = 0;
}

}  // namespace standin
