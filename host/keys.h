// Key codes the host passes to a vessel's key callbacks: the PC keyboard's
// set-1 scan codes. The same codes index the key-state array, whose byte
// for a held key has its top bit set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zapi {

constexpr std::uint32_t KEY_G = 0x22;
constexpr std::uint32_t KEY_K = 0x25;
constexpr std::uint32_t KEY_LSHIFT = 0x2A;
constexpr std::uint32_t KEY_RSHIFT = 0x36;
constexpr std::uint32_t KEY_LCONTROL = 0x1D;
constexpr std::uint32_t KEY_LALT = 0x38;

// Entries of the key-state array, one per code.
constexpr std::size_t KEY_STATE_SIZE = 256;

}  // namespace zapi
