// The band edges, the wrap at exactly 0 and 1, and the evaluation order of
// the drift rate: where a slip of a factor or of an order changes the
// figures but the flights of the other tests would not notice.
#include <gtest/gtest.h>

#include <cstdint>

#include "hud/drift_figures.h"
#include "vessel/constants.h"
#include "vessel/mech_state.h"
#include "vessel/tracking_steps.h"

namespace {

using krvcalc::track_rotation;
using krvcalc::track_tilt;
using krvconst::kPi;

// One step of 1 s covers 0.01 of the rotation and 0.04 of a tilt: the band
// about a target is that wide on each side.
TEST(TrackingBands, ARotationWithinOneStepLandsAndOneJustOutsideSteps) {
    const double target = 0.25;  // azimuth pi/2
    const struct {
        double pos;
        double pos_after;
        std::uint32_t dir_after;
    } rows[] = {
        {0.258, 0.25, DIR_HOLD},       // 0.8 of a step away: lands
        {0.242, 0.25, DIR_HOLD},       // the same below
        {0.262, 0.252, DIR_DECREASE},  // 1.2 steps away: moves a step
        {0.238, 0.248, DIR_INCREASE},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.pos);
        double pos = r.pos;
        std::uint32_t dir = DIR_INCREASE;
        track_rotation(2.0 * kPi * target, 1.0, pos, dir);
        EXPECT_NEAR(pos, r.pos_after, 1e-15);
        EXPECT_EQ(dir, r.dir_after);
    }
}

TEST(TrackingBands, ATiltWithinOneStepLandsAndOneJustOutsideSteps) {
    // Earth straight along the antenna's axis: target state 1.
    const struct {
        double pos;
        double pos_after;
        std::uint32_t dir_after;
    } rows[] = {
        {0.97, 1.0, DIR_HOLD},       // 0.75 of a step below: lands
        {0.95, 0.99, DIR_INCREASE},  // 1.25 steps below: moves a step
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.pos);
        double pos = r.pos;
        std::uint32_t dir = DIR_HOLD;
        track_tilt(0.0, 1.0, pos, dir);
        EXPECT_NEAR(pos, r.pos_after, 1e-15);
        EXPECT_EQ(dir, r.dir_after);
    }
}

// 0 and 1 are the same angle: a state that reaches either exactly stays
// there instead of being wrapped to the other.
TEST(TrackingBands, ARotationOfExactlyOneOrZeroIsNotWrapped) {
    double pos = 0.99;
    std::uint32_t dir = DIR_HOLD;
    track_rotation(2.0 * kPi * 0.1, 1.0, pos, dir);  // the long way is down: go up
    EXPECT_EQ(dir, DIR_INCREASE);
    EXPECT_EQ(pos, 1.0);

    pos = 0.01;
    track_rotation(2.0 * kPi * 0.9 - 2.0 * kPi, 1.0, pos, dir);  // as atan2 gives it
    EXPECT_EQ(dir, DIR_DECREASE);
    EXPECT_EQ(pos, 0.0);

    pos = 1.0;
    dir = DIR_HOLD;
    track_rotation(0.0, 0.0, pos, dir);  // a zero step up from 1: still 1, not 0
    EXPECT_EQ(pos, 1.0);
}

// Difference, quotient, product: (difference x 360) / day is another
// double at this period.
TEST(DriftArithmetic, TheDriftRateKeepsItsEvaluationOrder) {
    const krvcalc::DriftFigures f = krvcalc::drift_figures(1.0, 0.5, 86164.0, 0.0);
    EXPECT_EQ(f.drift_rate, 0x1.8a4ae75227becp-12);
    EXPECT_EQ(f.orbits_required, f.angle_east / 0x1.8a4ae75227becp-12);
}

}  // namespace
