#include "host/sketchpad.h"

// The base sketchpad draws nowhere; the host's real surfaces derive from it.
namespace zapi {

Sketchpad::Sketchpad() = default;
Sketchpad::~Sketchpad() = default;

std::uint32_t Sketchpad::SetTextColor(std::uint32_t /*colour*/) {
    return 0;
}

bool Sketchpad::Text(int /*x*/, int /*y*/, const char* /*str*/, int /*len*/) {
    return false;
}

}  // namespace zapi
