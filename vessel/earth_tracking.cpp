// Keeps both dishes pointed at the Earth while the booms are open: one
// rotation shared by both dishes and a tilt for each, every one moving at a
// fixed angular rate and landing on its target once within one step of it.
#include <cmath>

#include "vessel/krv.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;    // [rad] full range of the rotation
constexpr double kHalfPi = 1.5707963267948966;  // [rad] full range of a tilt
constexpr double kRotRate = 0.01;               // [1/s] a full turn in 100 s
constexpr double kTiltRate = 0.04;              // [1/s] a quarter turn in 25 s

// Steps a tilt state toward the target that the Earth's angle from the
// antenna's own axis (alpha [rad]) calls for, then clamps it to [0, 1].
void track_tilt(double alpha, double dt, double& pos, std::uint32_t& dir) {
    const double a = alpha < kHalfPi ? alpha : kHalfPi;
    const double e = (1.0 - pos) * kHalfPi - a;  // [rad] target minus current
    if (-kTiltRate * dt * 0.5 * kPi < e && e < kTiltRate * dt * 0.5 * kPi) {
        dir = DIR_HOLD;
        pos = 1.0 - a / kHalfPi;
    } else if (e > 0.0) {
        dir = DIR_INCREASE;
    } else if (e < 0.0) {
        dir = DIR_DECREASE;
    }  // e exactly 0 outside the empty band of a zero step: keep the command
    if (dir == DIR_DECREASE)
        pos -= kTiltRate * dt;
    else if (dir == DIR_INCREASE)
        pos += kTiltRate * dt;
    if (pos > 1.0)
        pos = 1.0;
    else if (pos < 0.0)
        pos = 0.0;
}

}  // namespace

void krv::TrackEarth() {
    char earth_name[] = "Earth";
    const OBJHANDLE earth = zapiGetObjectByName(earth_name);
    // No Earth, or no usable direction to it: leave the dishes as they are
    // rather than drive them from an undefined angle.
    if (earth == nullptr) return;
    VECTOR3 global{0.0, 0.0, 0.0};
    zapiGetGlobalPos(earth, &global);
    VECTOR3 local{0.0, 0.0, 0.0};
    Global2Local(global, local);
    const double x = local.x;
    const double y = local.y;
    const double z = local.z;
    const double distance = std::sqrt(y * y + x * x + z * z);  // [m]
    if (!(distance > 0.0) || !std::isfinite(distance)) return;

    const double dt = last_simdt;

    // Rotation of both dishes: the Earth's azimuth about the vessel's y axis.
    const double phi = 2.0 * hga_rot_pos * kPi;
    double theta = std::atan2(x, -z);
    if (theta < 0.0) theta += kTwoPi;
    const double d = phi - theta;
    if (-2.0 * kRotRate * dt * kPi < d && d < 2.0 * kRotRate * dt * kPi) {
        hga_rot_dir = DIR_HOLD;
        hga_rot_pos = theta / kTwoPi;
    } else if (d > 0.0) {
        if (d < kPi)
            hga_rot_dir = DIR_DECREASE;
        else if (d > kPi)
            hga_rot_dir = DIR_INCREASE;
    } else if (d < 0.0) {
        if (d > -kPi)
            hga_rot_dir = DIR_INCREASE;
        else if (d < -kPi)
            hga_rot_dir = DIR_DECREASE;
    }  // d exactly +-pi, or 0 with an empty band: keep the earlier command
    if (hga_rot_dir == DIR_DECREASE)
        hga_rot_pos -= kRotRate * dt;
    else if (hga_rot_dir == DIR_INCREASE)
        hga_rot_pos += kRotRate * dt;
    // One wrap, not a loop: 0 and 1 are the same angle and both stay.
    if (hga_rot_pos > 1.0)
        hga_rot_pos -= 1.0;
    else if (hga_rot_pos < 0.0)
        hga_rot_pos += 1.0;
    SetAnimation(anim_hga_rot, hga_rot_pos);

    // Each tilt follows the Earth's height above the x-z plane on its own
    // antenna's side: antenna 1 looks along +y, antenna 2 along -y.
    track_tilt(std::acos(y / distance), dt, hga_tilt1_pos, hga_tilt1_dir);
    SetAnimation(anim_hga_tilt1, hga_tilt1_pos);

    track_tilt(std::acos(-y / distance), dt, hga_tilt2_pos, hga_tilt2_dir);
    SetAnimation(anim_hga_tilt2, hga_tilt2_pos);
}
