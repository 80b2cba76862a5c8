#include "standin/outputs/svg_text.h"

namespace standin {

std::string xml_escaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
            case '\n':
            case '\r':
                out += c;
                break;
            default:
                // XML 1.0 has no place for other control characters, not
                // even escaped: they become U+FFFD.
                if (static_cast<unsigned char>(c) < 0x20)
                    out += "\xEF\xBF\xBD";
                else
                    out += c;
        }
    }
    return out;
}

}  // namespace standin
