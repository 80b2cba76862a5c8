#include "vessel/tracking_steps.h"

#include "vessel/constants.h"
#include "vessel/mech_state.h"

namespace krvcalc {

namespace {

using krvconst::kHalfPi;
using krvconst::kPi;
using krvconst::kTwoPi;

constexpr double kRotRate = 0.01;   // [1/s] a full turn in 100 s
constexpr double kTiltRate = 0.04;  // [1/s] a quarter turn in 25 s

}  // namespace

void track_rotation(double azimuth, double dt, double& pos, std::uint32_t& dir) {
    const double phi = 2.0 * pos * kPi;
    double theta = azimuth;
    if (theta < 0.0) theta += kTwoPi;
    const double d = phi - theta;  // [rad] current minus target
    // The band's half-width is the angle one step covers.
    if (-2.0 * kRotRate * dt * kPi < d && d < 2.0 * kRotRate * dt * kPi) {
        dir = DIR_HOLD;
        pos = theta / kTwoPi;
    } else if (d > 0.0) {
        if (d < kPi)
            dir = DIR_DECREASE;
        else if (d > kPi)
            dir = DIR_INCREASE;
    } else if (d < 0.0) {
        if (d > -kPi)
            dir = DIR_INCREASE;
        else if (d < -kPi)
            dir = DIR_DECREASE;
    }  // d exactly +-pi, or 0 with an empty band: keep the earlier command
    if (dir == DIR_DECREASE)
        pos -= kRotRate * dt;
    else if (dir == DIR_INCREASE)
        pos += kRotRate * dt;
    // One wrap, not a loop: 0 and 1 are the same angle and both stay.
    if (pos > 1.0)
        pos -= 1.0;
    else if (pos < 0.0)
        pos += 1.0;
}

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

}  // namespace krvcalc
