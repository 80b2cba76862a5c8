#include "standin/snapshot/hud_frame.h"

#include "standin/json/latin1.h"

namespace standin {

std::string colour_hex(std::uint32_t colour) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", colour & 0xFFu, (colour >> 8) & 0xFFu,
                  (colour >> 16) & 0xFFu);
    return buf;
}

void print_hud_frame(std::FILE* out, const HudFrame& frame) {
    std::fprintf(out, "HUD t=%.3f s %dx%d %s\n", frame.time, frame.width, frame.height,
                 name_to_utf8(frame.vessel).c_str());
    for (const auto& t : frame.texts)
        std::fprintf(out, "%d %d %s %s\n", t.x, t.y, colour_hex(t.colour).c_str(),
                     latin1_to_utf8(t.bytes).c_str());
}

}  // namespace standin
