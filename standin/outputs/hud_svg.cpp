#include "standin/outputs/hud_svg.h"

#include <cmath>
#include <cstdio>

#include "standin/json/latin1.h"
#include "standin/outputs/svg_text.h"

namespace standin {

std::string hud_svg(const HudFrame& frame) {
    char buf[256];
    std::string out;
    std::snprintf(buf, sizeof buf,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                  "viewBox=\"0 0 %d %d\">\n",
                  frame.width, frame.height, frame.width, frame.height);
    out += buf;
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#0B0F14\"/>\n";
    // The host's font is about 16 px high on a 768 px HUD, like the rows.
    const int font_px = std::max(8, static_cast<int>(std::lround(frame.height / 48.0)));
    std::snprintf(buf, sizeof buf,
                  "<g font-family=\"DejaVu Sans Mono, monospace\" font-size=\"%d\" "
                  "dominant-baseline=\"hanging\">\n",
                  font_px);
    out += buf;
    for (const auto& t : frame.texts) {
        std::snprintf(buf, sizeof buf,
                      "<text x=\"%d\" y=\"%d\" fill=\"%s\" xml:space=\"preserve\">", t.x, t.y,
                      colour_hex(t.colour).c_str());
        out += buf;
        out += xml_escaped(latin1_to_utf8(t.bytes));
        out += "</text>\n";
    }
    out += "</g>\n";
    // The name goes in apart: a long one must not be cut by the buffer.
    std::snprintf(buf, sizeof buf,
                  "<text x=\"%d\" y=\"%d\" fill=\"#5A6570\" font-family=\"sans-serif\" "
                  "font-size=\"12\" text-anchor=\"end\">",
                  frame.width - 8, frame.height - 8);
    out += buf;
    out += xml_escaped(name_to_utf8(frame.vessel));
    std::snprintf(buf, sizeof buf, "  t = %.1f s  %dx%d</text>\n", frame.time, frame.width,
                  frame.height);
    out += buf;
    out += "</svg>\n";
    return out;
}

}  // namespace standin
