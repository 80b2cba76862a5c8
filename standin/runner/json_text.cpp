#include "standin/runner/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "standin/runner/latin1.h"

namespace standin {

void append_json_number(std::string& out, double v) {
    if (std::isnan(v)) {
        out += "\"nan\"";
    } else if (std::isinf(v)) {
        out += v > 0.0 ? "\"inf\"" : "\"-inf\"";
    } else {
        char buf[32];  // the longest shortest form of a double is 24 characters
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        out.append(buf, r.ptr);
    }
}

std::string json_number(double v) {
    std::string out;
    append_json_number(out, v);
    return out;
}

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
