#include "standin/runner/latin1.h"

namespace standin {

std::string latin1_to_utf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            // Every Latin-1 byte is the code point of the same number.
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace standin
