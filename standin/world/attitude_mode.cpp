#include "standin/world/attitude_mode.h"

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
    for (AttitudeMode m :
         {AttitudeMode::sun, AttitudeMode::prograde, AttitudeMode::retrograde, AttitudeMode::hold})
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
        case AttitudeMode::normal:
            return "normal";
        case AttitudeMode::antinormal:
            return "antinormal";
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
        case AttitudeMode::normal:
        case AttitudeMode::antinormal: {
            // y from the global x axis, which a near-equatorial orbit's
            // normal is never close to: the attitude does not turn with
            // the vessel along its orbit.
            const VECTOR3 z = mode == AttitudeMode::normal ? normal : -normal;
            const VECTOR3 y = unit(cross(z, VECTOR3{1.0, 0.0, 0.0}));
            return from_axes(cross(y, z), y, z);
        }
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
    // The strongest group each way about each axis.
    ThrusterGroup* best[3][2] = {};  // [axis][positive, negative torque]
    double cap[3][2] = {};
    for (auto& g : vessel.groups) {
        if (!is_attitude_group(g.type)) continue;
        const VECTOR3 tq = group_capacity(g).torque;
        for (int axis = 0; axis < 3; ++axis) {
            const double c = component(tq, axis);
            const int side = c > 0.0 ? 0 : 1;
            if (std::fabs(c) > std::fabs(cap[axis][side])) {
                best[axis][side] = &g;
                cap[axis][side] = c;
            }
        }
    }
    // Fast enough to arrive, slow enough to brake in time, the turn rate
    // as a whole within the limit.
    double wanted[3];
    double size = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double inertia = m * component(pmi, axis);  // [kg m^2]
        const double accel =
            std::max(std::fabs(cap[axis][0]), std::fabs(cap[axis][1])) / inertia;  // [rad/s^2]
        const double err = std::fabs(component(e, axis));
        wanted[axis] = std::copysign(
            std::min(kApproachGain * err, std::sqrt(2.0 * kBrakingMargin * accel * err)),
            component(e, axis));
        size += wanted[axis] * wanted[axis];
    }
    size = std::sqrt(size);
    const double scale = size > kMaxRate ? kMaxRate / size : 1.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double inertia = m * component(pmi, axis);
        const double torque =
            inertia * (scale * wanted[axis] - component(omega, axis)) / h;  // [N m]
        const int side = torque > 0.0 ? 0 : 1;
        if (best[axis][side] == nullptr || torque == 0.0) continue;
        const double level = std::min(1.0, std::fabs(torque / cap[axis][side]));
        for (Thruster* t : best[axis][side]->thrusters) t->level = std::max(t->level, level);
    }
    return false;
}

}  // namespace standin
