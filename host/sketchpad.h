// The drawing surface the host hands to a vessel's HUD callback.
#pragma once

#include <cstdint>

#include "host_export.h"

namespace zapi {

class HOSTAPI Sketchpad {
public:
    Sketchpad();
    virtual ~Sketchpad();
    Sketchpad(const Sketchpad&) = delete;
    Sketchpad& operator=(const Sketchpad&) = delete;

    // Sets the colour (0x00BBGGRR) of text drawn after it; answers the
    // previous colour.
    virtual std::uint32_t SetTextColor(std::uint32_t colour);

    // Draws len characters of str with its start at (x, y) in HUD pixels.
    virtual bool Text(int x, int y, const char* str, int len);
};

}  // namespace zapi
