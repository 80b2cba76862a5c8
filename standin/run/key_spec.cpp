#include "standin/run/key_spec.h"

#include <cctype>

#include "host/keys.h"

namespace standin {

namespace {

using zapi::KEY_LALT;
using zapi::KEY_LCONTROL;
using zapi::KEY_LSHIFT;
using zapi::KEY_RSHIFT;

std::optional<std::uint32_t> code_of(const std::string& key) {
    // Set-1 scan codes of the letter rows, top row first.
    static const char* const rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static const std::uint32_t starts[] = {0x10, 0x1E, 0x2C};
    if (key.size() == 1) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
        for (int r = 0; r < 3; ++r)
            for (int i = 0; rows[r][i] != '\0'; ++i)
                if (rows[r][i] == c) return starts[r] + static_cast<std::uint32_t>(i);
        if (c >= '1' && c <= '9') return 0x02 + static_cast<std::uint32_t>(c - '1');
        if (c == '0') return 0x0B;
    }
    if (key == "SPACE") return 0x39;
    if (key == "RETURN" || key == "ENTER") return 0x1C;
    return std::nullopt;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::array<char, zapi::KEY_STATE_SIZE> KeySpec::key_state() const {
    std::array<char, zapi::KEY_STATE_SIZE> state{};
    const char held = static_cast<char>(0x80);
    if (left_shift) state[KEY_LSHIFT] = held;
    if (right_shift) state[KEY_RSHIFT] = held;
    if (ctrl) state[KEY_LCONTROL] = held;
    if (alt) state[KEY_LALT] = held;
    return state;
}

std::optional<KeySpec> parse_key(const std::string& text) {
    KeySpec key;
    key.text = text;
    std::string rest = upper(text);
    for (auto plus = rest.find('+'); plus != std::string::npos; plus = rest.find('+')) {
        const std::string mod = rest.substr(0, plus);
        rest = rest.substr(plus + 1);
        if (mod == "SHIFT" || mod == "LSHIFT")
            key.left_shift = true;
        else if (mod == "RSHIFT")
            key.right_shift = true;
        else if (mod == "CTRL")
            key.ctrl = true;
        else if (mod == "ALT")
            key.alt = true;
        else
            return std::nullopt;
    }
    const auto code = code_of(rest);
    if (!code) return std::nullopt;
    key.code = *code;
    return key;
}

}  // namespace standin
