#include "standin/json/json_text.h"

#include <cstdio>

#include "standin/json/latin1.h"

namespace standin {

std::string json_string(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : latin1_to_utf8(std::string(s))) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace standin
