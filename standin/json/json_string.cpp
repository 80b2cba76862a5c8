#include "standin/json/json_string.h"

namespace standin {

void append_json_string(std::string& out, std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    const char esc[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
                    out.append(esc, sizeof esc);
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

}  // namespace standin
