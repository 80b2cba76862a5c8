// States of a mechanism that travels between a stowed and a deployed end.
#pragma once

#include <cstdint>

// A plain 32-bit integer, not an enum type: scenario files store the number
// and may hold values outside the four named ones.
using MechState = std::int32_t;

constexpr MechState MECH_CLOSED = 0;
constexpr MechState MECH_OPEN = 1;
constexpr MechState MECH_CLOSING = 2;
constexpr MechState MECH_OPENING = 3;

// Commands of the dish tracking: what a position does on the next step.
constexpr std::uint32_t DIR_HOLD = 0;
constexpr std::uint32_t DIR_INCREASE = 1;
constexpr std::uint32_t DIR_DECREASE = 2;
