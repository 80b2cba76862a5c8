#include "standin/station/attitude_mode.h"

#include <algorithm>
#include <cmath>

#include "standin/world/thrust_model.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

// Off target by more than this [rad] (0.09 deg) the steering engages ...
constexpr double kEngageAngle = 1.5e-3;
// ... and it lets go once within this [rad] (0.03 deg) and turning slower
// than kSettledRate, which is above the orbital rate at which the prograde
// and retrograde attitudes turn.
constexpr double kSettledAngle = 5e-4;
constexpr double kSettledRate = 3e-4;  // [rad/s]
// Turn rate limit [rad/s] (1 deg/s) and the rate per radian of error near
// the target [1/s]: a gentle approach that does not overshoot.
constexpr double kMaxRate = 0.01745;
constexpr double kApproachGain = 0.3;
// Fraction of the thrusters' angular acceleration planned for braking.
constexpr double kBrakingMargin = 0.5;

bool is_attitude_group(THGROUP_TYPE t) {
    return t >= THGROUP_ATT_PITCHUP && t <= THGROUP_ATT_BANKRIGHT;
}

double component(const VECTOR3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Rotation vector [rad] (vessel frame) that turns q onto target.
VECTOR3 rotation_to(const Quaternion& q, const Quaternion& target) {
    Quaternion e = conjugate(q) * target;
    if (e.w < 0.0) e = {-e.w, -e.x, -e.y, -e.z};
    const VECTOR3 axis{e.x, e.y, e.z};
    const double s = norm(axis);
    if (s == 0.0) return {0.0, 0.0, 0.0};
    return (2.0 * std::atan2(s, e.w) / s) * axis;
}

}  // namespace

std::optional<AttitudeMode> parse_attitude_mode(const std::string& text) {
    for (AttitudeMode m : {AttitudeMode::sun, AttitudeMode::prograde, AttitudeMode::retrograde,
                           AttitudeMode::hold})
        if (text == attitude_mode_name(m)) return m;
    return std::nullopt;
}

const char* attitude_mode_name(AttitudeMode mode) {
    switch (mode) {
        case AttitudeMode::sun:
            return "sun";
        case AttitudeMode::prograde:
            return "prograde";
        case AttitudeMode::retrograde:
            return "retrograde";
        case AttitudeMode::hold:
            return "hold";
        case AttitudeMode::none:
            break;
    }
    return "none";
}

Quaternion mode_attitude(AttitudeMode mode, const StateVector& s, const Quaternion& sun,
                         const Quaternion& held) {
    const VECTOR3 along = unit(s.v);
    const VECTOR3 normal = unit(cross(s.r, s.v));
    switch (mode) {
        case AttitudeMode::sun:
            return sun;
        case AttitudeMode::prograde:
            return from_axes(cross(normal, along), normal, along);
        case AttitudeMode::retrograde:
            return from_axes(cross(normal, -along), normal, -along);
        case AttitudeMode::hold:
        case AttitudeMode::none:
            break;
    }
    return held;
}

double attitude_error(const Quaternion& q, const Quaternion& target) {
    return norm(rotation_to(q, target));
}

bool engage_steering(AttitudeSteering& steering, const Quaternion& q, const Quaternion& target) {
    if (steering.mode == AttitudeMode::none) return steering.active = false;
    if (attitude_error(q, target) > kEngageAngle) steering.active = true;
    return steering.active;
}

bool steer(VesselRecord& vessel, const Quaternion& q, const VECTOR3& omega,
           const Quaternion& target, double h) {
    const VECTOR3 e = rotation_to(q, target);
    if (norm(e) < kSettledAngle && norm(omega) < kSettledRate) return true;
    const VECTOR3 pmi = vessel.pmi.value_or(VECTOR3{1.0, 1.0, 1.0});
    const double m = vessel.total_mass();
    for (int axis = 0; axis < 3; ++axis) {
        const double inertia = m * component(pmi, axis);  // [kg m^2]
        const double err = component(e, axis);
        // The strongest group each way about this axis.
        ThrusterGroup* best[2] = {nullptr, nullptr};  // positive, negative torque
        double cap[2] = {0.0, 0.0};
        for (auto& g : vessel.groups) {
            if (!is_attitude_group(g.type)) continue;
            const double c = component(group_capacity(g).torque, axis);
            const int side = c > 0.0 ? 0 : 1;
            if (std::fabs(c) > std::fabs(cap[side])) {
                best[side] = &g;
                cap[side] = c;
            }
        }
        const double accel =
            std::max(std::fabs(cap[0]), std::fabs(cap[1])) / inertia;  // [rad/s^2]
        // Fast enough to arrive, slow enough to brake in time.
        const double speed = std::min({kMaxRate, kApproachGain * std::fabs(err),
                                       std::sqrt(2.0 * kBrakingMargin * accel * std::fabs(err))});
        const double wanted = std::copysign(speed, err);
        const double torque = inertia * (wanted - component(omega, axis)) / h;  // [N m]
        const int side = torque > 0.0 ? 0 : 1;
        if (best[side] == nullptr || torque == 0.0) continue;
        const double level = std::min(1.0, std::fabs(torque / cap[side]));
        for (Thruster* t : best[side]->thrusters) t->level = std::max(t->level, level);
    }
    return false;
}

}  // namespace standin
