#include "standin/json/json_number.h"

#include <charconv>
#include <cmath>

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

void append_json_vector(std::string& out, const VECTOR3& v) {
    out += '[';
    append_json_number(out, v.x);
    out += ',';
    append_json_number(out, v.y);
    out += ',';
    append_json_number(out, v.z);
    out += ']';
}

}  // namespace standin
