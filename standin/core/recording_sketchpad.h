// A sketchpad that keeps every text drawn on it, with its position, its
// colour and its bytes exactly as the vessel handed them over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/sketchpad.h"

namespace standin {

struct DrawnText {
    int x = 0;
    int y = 0;
    std::uint32_t colour = 0;  // 0x00BBGGRR, as set before the text
    std::string bytes;         // len bytes from the vessel's buffer
    int len = 0;               // the count the vessel passed
};

class RecordingSketchpad : public zapi::Sketchpad {
public:
    std::uint32_t SetTextColor(std::uint32_t colour) override;
    bool Text(int x, int y, const char* str, int len) override;

    const std::vector<DrawnText>& texts() const { return texts_; }
    std::uint32_t colour() const { return colour_; }
    std::size_t colour_changes() const { return colour_changes_; }
    void clear();

private:
    std::vector<DrawnText> texts_;
    std::uint32_t colour_ = 0x00FFFFFF;
    std::size_t colour_changes_ = 0;
};

}  // namespace standin
