// Pointing the dishes at the Earth: targets, the shorter way round, the
// single wrap, the ties that keep the earlier command, and the tilt clamps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"
#include "vessel/constants.h"

namespace {

using krvtest::animation_state;
using krvtest::as_krv;

constexpr double kR = 4.2e7;  // [m] roughly the Earth's distance from a geostationary orbit
using krvconst::kPi;

class EarthTracking : public krvtest::HostFixture {
protected:
    void SetUp() override {
        v = &spawn();
        k = &as_krv(*v);
        k->ant_status = MECH_OPEN;
    }
    // The Earth in the vessel's x-z plane at the azimuth of rotation state s.
    void earth_at_rotation(double s) {
        const double theta = 2.0 * kPi * s;
        world.set_earth_local({kR * std::sin(theta), 0.0, -kR * std::cos(theta)});
    }
    void track(double dt) {
        log.clear();
        k->last_simdt = dt;
        k->TrackEarth();
    }

    standin::SessionVessel* v = nullptr;
    krv* k = nullptr;
};

TEST_F(EarthTracking, HostCallsAreLookupPositionFrameAndThreeAnimationsInOrder) {
    world.set_earth_local({1.0e7, 2.0e7, -3.0e7});
    track(1.0);
    ASSERT_EQ(log.size(), 6u) << testing::PrintToString(krvtest::describe(log));
    EXPECT_EQ(log[0], (standin::HostCall{"zapiGetObjectByName", {std::string("Earth")}}));
    EXPECT_EQ(log[1].name, "zapiGetGlobalPos");
    EXPECT_EQ(log[1].arg<const void*>("object"), static_cast<const void*>(world.earth()));
    EXPECT_EQ(log[2], (standin::HostCall{"Global2Local", {VECTOR3{1.0e7, 2.0e7, -3.0e7}}}));
    const std::uint32_t anims[] = {k->anim_hga_rot, k->anim_hga_tilt1, k->anim_hga_tilt2};
    const double states[] = {k->hga_rot_pos, k->hga_tilt1_pos, k->hga_tilt2_pos};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(log[3 + i],
                  (standin::HostCall{"SetAnimation", {std::int64_t{anims[i]}, states[i]}}))
            << i;
        EXPECT_EQ(animation_state(*v, anims[i]), states[i]);
    }
}

TEST_F(EarthTracking, RotationTargetsFollowTheAzimuthAboutY) {
    const struct {
        VECTOR3 earth;
        double target;
    } rows[] = {
        {{0, 0, -kR}, 0.0},   // along -z: theta 0
        {{kR, 0, 0}, 0.25},   // along +x: theta pi/2
        {{0, 0, kR}, 0.5},    // along +z: theta pi
        {{-kR, 0, 0}, 0.75},  // along -x: theta 3pi/2
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.target);
        world.set_earth_local(r.earth);
        // Start within one step of the target: the state lands on it.
        k->hga_rot_pos = r.target + 0.004;
        k->hga_rot_dir = DIR_INCREASE;
        track(1.0);
        EXPECT_NEAR(k->hga_rot_pos, r.target, 1e-15);
        EXPECT_EQ(k->hga_rot_dir, DIR_HOLD);
    }
}

TEST_F(EarthTracking, TheShorterWayRoundWrapsThroughOne) {
    earth_at_rotation(0.1);
    k->hga_rot_pos = 0.9;  // d = 1.6 pi: increasing is shorter
    track(1.0);
    EXPECT_EQ(k->hga_rot_dir, DIR_INCREASE);
    EXPECT_NEAR(k->hga_rot_pos, 0.91, 1e-15);
    bool wrapped = false;
    for (int i = 0; i < 30 && k->hga_rot_dir != DIR_HOLD; ++i) {
        const double before = k->hga_rot_pos;
        track(1.0);
        if (k->hga_rot_pos < before) {
            wrapped = true;
            EXPECT_GT(k->hga_rot_pos, 0.0);
            EXPECT_LT(k->hga_rot_pos, 0.011);
        }
    }
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(k->hga_rot_dir, DIR_HOLD);
    EXPECT_NEAR(k->hga_rot_pos, 0.1, 1e-12);
}

TEST_F(EarthTracking, TheShorterWayRoundWrapsThroughZero) {
    earth_at_rotation(0.9);
    k->hga_rot_pos = 0.1;  // d = -1.6 pi: decreasing is shorter
    track(1.0);
    EXPECT_EQ(k->hga_rot_dir, DIR_DECREASE);
    EXPECT_NEAR(k->hga_rot_pos, 0.09, 1e-15);
    for (int i = 0; i < 9; ++i) track(1.0);
    // 0.1 - 10 x 0.01 lands at or just around 0; one more step goes under.
    track(1.0);
    EXPECT_GT(k->hga_rot_pos, 0.98);
    EXPECT_LT(k->hga_rot_pos, 1.0);
    EXPECT_EQ(k->hga_rot_dir, DIR_DECREASE);
}

TEST_F(EarthTracking, ShortWayWithoutWrapBothDirections) {
    earth_at_rotation(0.3);
    k->hga_rot_pos = 0.2;  // d = -0.2 pi
    track(2.0);
    EXPECT_EQ(k->hga_rot_dir, DIR_INCREASE);
    EXPECT_NEAR(k->hga_rot_pos, 0.22, 1e-15);
    k->hga_rot_pos = 0.4;  // d = +0.2 pi
    track(2.0);
    EXPECT_EQ(k->hga_rot_dir, DIR_DECREASE);
    EXPECT_NEAR(k->hga_rot_pos, 0.38, 1e-15);
}

TEST_F(EarthTracking, LandsInTheBandAndHolds) {
    earth_at_rotation(0.25);
    world.earth_pos.y = 0.5 * kR;  // some height for the tilt of antenna 1
    k->hga_rot_pos = 0.2;
    for (int i = 0; i < 12; ++i) {
        track(1.0);
        if (k->hga_rot_dir == DIR_HOLD && k->hga_tilt1_dir == DIR_HOLD) break;
    }
    ASSERT_EQ(k->hga_rot_dir, DIR_HOLD);
    ASSERT_EQ(k->hga_tilt1_dir, DIR_HOLD);
    const double rot = k->hga_rot_pos;
    const double tilt = k->hga_tilt1_pos;
    EXPECT_NEAR(rot, 0.25, 1e-12);
    // Height above the x-z plane atan(0.5), as a share of a quarter turn.
    EXPECT_NEAR(tilt, std::atan(0.5) / (kPi / 2), 1e-12);
    track(1.0);
    EXPECT_EQ(k->hga_rot_pos, rot);
    EXPECT_EQ(k->hga_tilt1_pos, tilt);
    EXPECT_EQ(k->hga_rot_dir, DIR_HOLD);
    EXPECT_EQ(k->hga_tilt1_dir, DIR_HOLD);
}

TEST_F(EarthTracking, HalfATurnAwayKeepsTheEarlierCommand) {
    world.set_earth_local({0, 0, -kR});  // theta 0
    const struct {
        std::uint32_t dir_before;
        double pos_after;
    } rows[] = {{DIR_HOLD, 0.5}, {DIR_INCREASE, 0.51}, {DIR_DECREASE, 0.49}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.dir_before);
        k->hga_rot_pos = 0.5;  // phi = pi exactly: d = pi
        k->hga_rot_dir = r.dir_before;
        track(1.0);
        EXPECT_EQ(k->hga_rot_dir, r.dir_before);
        EXPECT_NEAR(k->hga_rot_pos, r.pos_after, 1e-15);
    }
}

TEST_F(EarthTracking, TiltTargetsOnEachSide) {
    const struct {
        const char* what;
        VECTOR3 earth;
        double tilt1, tilt2;
    } rows[] = {
        {"along +y", {0, kR, 0}, 1.0, 0.0},
        {"in the x-z plane", {kR, 0, 0}, 0.0, 0.0},
        {"along -y", {0, -kR, 0}, 0.0, 1.0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        world.set_earth_local(r.earth);
        // Start within one step of each target so that both land on it.
        k->hga_tilt1_pos = r.tilt1 == 1.0 ? 0.99 : 0.01;
        k->hga_tilt2_pos = r.tilt2 == 1.0 ? 0.99 : 0.01;
        track(1.0);
        EXPECT_EQ(k->hga_tilt1_pos, r.tilt1);
        EXPECT_EQ(k->hga_tilt2_pos, r.tilt2);
        EXPECT_EQ(k->hga_tilt1_dir, DIR_HOLD);
        EXPECT_EQ(k->hga_tilt2_dir, DIR_HOLD);
    }
}

TEST_F(EarthTracking, TiltsMoveAtTheirRateAndAreClamped) {
    world.set_earth_local({0, kR, 0});
    k->hga_tilt1_pos = 0.0;  // target 1, far away: one step up
    k->hga_tilt2_pos = 0.5;  // target 0: one step down
    track(2.0);
    EXPECT_EQ(k->hga_tilt1_dir, DIR_INCREASE);
    EXPECT_NEAR(k->hga_tilt1_pos, 0.08, 1e-15);
    EXPECT_EQ(k->hga_tilt2_dir, DIR_DECREASE);
    EXPECT_NEAR(k->hga_tilt2_pos, 0.42, 1e-15);

    // Out of range from a scenario: back in range on the first step.
    world.set_earth_local({kR, 0, 0});
    k->hga_tilt1_pos = 1.3;
    k->hga_tilt2_pos = -0.5;
    track(1.0);
    EXPECT_EQ(k->hga_tilt1_pos, 1.0);
    EXPECT_EQ(k->hga_tilt2_pos, 0.0);
}

TEST_F(EarthTracking, AZeroStepMovesNothingButStillSetsCommandsWrapsAndClamps) {
    earth_at_rotation(0.5);
    world.earth_pos.y = kR;  // tilt 1 target above 0, tilt 2 target 0
    k->hga_rot_pos = 0.3;    // d < 0, above -pi: increase
    k->hga_tilt1_pos = 0.2;  // below its target: increase
    k->hga_tilt2_pos = 0.2;  // above its target 0: decrease
    track(0.0);
    EXPECT_EQ(k->hga_rot_dir, DIR_INCREASE);
    EXPECT_EQ(k->hga_tilt1_dir, DIR_INCREASE);
    EXPECT_EQ(k->hga_tilt2_dir, DIR_DECREASE);
    EXPECT_EQ(k->hga_rot_pos, 0.3);
    EXPECT_EQ(k->hga_tilt1_pos, 0.2);
    EXPECT_EQ(k->hga_tilt2_pos, 0.2);

    // Exactly on target with no band: the earlier commands stay.
    world.set_earth_local({0, 0, -kR});
    k->hga_rot_pos = 0.0;
    k->hga_rot_dir = DIR_DECREASE;
    k->hga_tilt1_pos = 0.0;
    k->hga_tilt1_dir = DIR_INCREASE;
    k->hga_tilt2_pos = 0.0;
    k->hga_tilt2_dir = DIR_DECREASE;
    track(0.0);
    EXPECT_EQ(k->hga_rot_dir, DIR_DECREASE);
    EXPECT_EQ(k->hga_tilt1_dir, DIR_INCREASE);
    EXPECT_EQ(k->hga_tilt2_dir, DIR_DECREASE);
    EXPECT_EQ(k->hga_rot_pos, 0.0);

    // The wrap and the clamps still apply.
    k->hga_rot_pos = 1.5;
    k->hga_tilt1_pos = 1.7;
    k->hga_tilt2_pos = -0.3;
    track(0.0);
    EXPECT_EQ(k->hga_rot_pos, 0.5);
    EXPECT_EQ(k->hga_tilt1_pos, 1.0);
    EXPECT_EQ(k->hga_tilt2_pos, 0.0);
}

TEST_F(EarthTracking, OutOfRangeRotationComesBackOneUnitPerStep) {
    world.set_earth_local({0, 0, kR});  // theta pi
    k->hga_rot_pos = 2.6;
    k->hga_rot_dir = DIR_HOLD;
    track(0.0);
    EXPECT_NEAR(k->hga_rot_pos, 1.6, 1e-15);
    track(0.0);
    EXPECT_NEAR(k->hga_rot_pos, 0.6, 1e-15);
}

TEST_F(EarthTracking, NoHostCallWhileTheBoomsAreNotOpen) {
    world.set_earth_local({kR, kR, 0});
    for (MechState s : {MECH_CLOSED, MECH_CLOSING, MECH_OPENING, -1, 7}) {
        SCOPED_TRACE(s);
        k->ant_status = s;
        k->ant_pos = 0.5;
        k->hga_rot_pos = 0.1;
        k->hga_tilt1_pos = 0.2;
        k->hga_tilt2_pos = 0.3;
        log.clear();
        session->step(1.0);
        EXPECT_EQ(log.count("zapiGetGlobalPos"), 0u);
        EXPECT_EQ(log.count("Global2Local"), 0u);
        for (const auto& c : log.named("SetAnimation"))
            EXPECT_EQ(c.arg<std::int64_t>("anim"), k->anim_ant);
        EXPECT_EQ(k->hga_rot_pos, 0.1);
        EXPECT_EQ(k->hga_tilt1_pos, 0.2);
        EXPECT_EQ(k->hga_tilt2_pos, 0.3);
    }
}

// Without an Earth, or without a direction to it, the step's tracking is
// skipped: nothing moves, no command changes, no animation is set.
TEST_F(EarthTracking, NoEarthOrNoDirectionSkipsTheStep) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        bool present;
        VECTOR3 earth;
        std::size_t calls;
    } rows[] = {
        {"no Earth", false, {kR, 0, 0}, 1},
        {"zero length", true, {0, 0, 0}, 3},
        {"not a number", true, {nan, kR, 0}, 3},
        {"infinite", true, {0, inf, 0}, 3},
        {"length overflows", true, {1e300, 1e300, 0}, 3},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        world.earth_present = r.present;
        world.set_earth_local(r.earth);
        k->hga_rot_pos = 0.3;
        k->hga_rot_dir = DIR_INCREASE;
        k->hga_tilt1_pos = 0.4;
        k->hga_tilt1_dir = DIR_DECREASE;
        k->hga_tilt2_pos = 0.5;
        k->hga_tilt2_dir = DIR_INCREASE;
        track(1.0);
        EXPECT_EQ(log.size(), r.calls) << testing::PrintToString(krvtest::describe(log));
        EXPECT_EQ(log.count("SetAnimation"), 0u);
        EXPECT_EQ(k->hga_rot_pos, 0.3);
        EXPECT_EQ(k->hga_tilt1_pos, 0.4);
        EXPECT_EQ(k->hga_tilt2_pos, 0.5);
        EXPECT_EQ(k->hga_rot_dir, DIR_INCREASE);
        EXPECT_EQ(k->hga_tilt1_dir, DIR_DECREASE);
        EXPECT_EQ(k->hga_tilt2_dir, DIR_INCREASE);
    }
}

}  // namespace
