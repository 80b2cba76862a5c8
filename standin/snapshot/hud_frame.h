// One HUD redraw as the runner shows it: when, how large, and the texts a
// vessel drew, with their positions and colours.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "standin/core/recording_sketchpad.h"

namespace standin {

struct HudFrame {
    double time = 0.0;  // [s]
    std::string vessel;
    int width = 0;   // [px]
    int height = 0;  // [px]
    std::vector<DrawnText> texts;
};

// The host's colour value 0x00BBGGRR as "#RRGGBB".
std::string colour_hex(std::uint32_t colour);

// "HUD t=20.000 s 1024x768 KRV-1", then "x y #RRGGBB text" per text, the
// text in UTF-8.
void print_hud_frame(std::FILE* out, const HudFrame& frame);

}  // namespace standin
