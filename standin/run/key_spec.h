// Keys as the runner's options name them: "G", "Shift+G", "RShift+K",
// "Ctrl+G", "Alt+K", with the host's key codes (the PC keyboard's set-1
// scan codes).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "host/keys.h"

namespace standin {

struct KeySpec {
    std::uint32_t code = 0;
    bool left_shift = false;
    bool right_shift = false;
    bool ctrl = false;
    bool alt = false;
    std::string text;  // as given

    // The host's key-state array for this key: the held modifiers' bytes
    // have their top bit set.
    std::array<char, zapi::KEY_STATE_SIZE> key_state() const;
};

// None for an unknown key or modifier. Letters and digits, SPACE, RETURN.
std::optional<KeySpec> parse_key(const std::string& text);

}  // namespace standin
