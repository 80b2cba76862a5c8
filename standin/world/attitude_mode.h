// Attitude modes an operator can ask of the host, and the steering that
// flies a vessel into them with its attitude thruster groups.
#pragma once

#include <optional>
#include <string>

#include "standin/core/vessel_record.h"
#include "standin/world/quaternion.h"
#include "standin/world/state_vector.h"

namespace standin {

enum class AttitudeMode {
    none,        // no steering: the attitude stays as it is set
    sun,         // +z at the Sun, +y along the equator
    prograde,    // +z along the velocity, +y along the orbit normal
    retrograde,  // +z against the velocity, +y along the orbit normal
    hold,        // the attitude the mode was set in
    // +z along (or against) the orbit normal, x and y fixed in space: for
    // burns that turn the orbit's plane (the host's own; not an operator's)
    normal,
    antinormal,
};

std::optional<AttitudeMode> parse_attitude_mode(const std::string& text);
const char* attitude_mode_name(AttitudeMode mode);

struct AttitudeSteering {
    AttitudeMode mode = AttitudeMode::none;
    Quaternion held;      // for hold
    bool active = false;  // turning or settling; off once on target and still
};

// The attitude a mode asks for at state s. sun: the Sun attitude there.
Quaternion mode_attitude(AttitudeMode mode, const StateVector& s, const Quaternion& sun,
                         const Quaternion& held);

// The angle [rad] of the turn from q to target.
double attitude_error(const Quaternion& q, const Quaternion& target);

// Engages the steering when the vessel has wandered off the mode's attitude;
// true while it is engaged.
bool engage_steering(AttitudeSteering& steering, const Quaternion& q, const Quaternion& target);

// One substep of h seconds: true when the vessel is on target and still
// (the caller then stops it and disengages); otherwise sets the levels of
// the attitude groups that turn it toward target, never above full thrust.
bool steer(VesselRecord& vessel, const Quaternion& q, const VECTOR3& omega,
           const Quaternion& target, double h);

}  // namespace standin
