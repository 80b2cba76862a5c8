// One step of the dish tracking for one angle, as plain arithmetic: the
// command chosen from the gap to the target, the move at the fixed rate,
// then the single wrap or the clamp. Every comparison is strict; at an
// exact tie the earlier command stands.
#pragma once

#include <cstdint>

namespace krvcalc {

// The shared rotation of both dishes. azimuth [rad] is atan2(x, -z) of the
// Earth in the vessel's frame, as atan2 gives it; pos is the rotation state
// (a full turn over [0, 1]), dir its command, dt [s] the step.
void track_rotation(double azimuth, double dt, double& pos, std::uint32_t& dir);

// The tilt of one dish. alpha [rad] is the Earth's angle from that
// antenna's own axis; pos is the tilt state (a quarter turn over [0, 1]).
void track_tilt(double alpha, double dt, double& pos, std::uint32_t& dir);

}  // namespace krvcalc
