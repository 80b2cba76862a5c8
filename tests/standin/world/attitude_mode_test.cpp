// Attitude modes: flown by the attitude groups through the vessel's inertia.
#include "standin/world/attitude_mode.h"

#include <gtest/gtest.h>

#include <cmath>

#include "standin/world/orbital_world.h"
#include "standin/world/vec3.h"
#include "tests/support/station_vessel.h"

namespace {

constexpr double kDeg = 3.141592653589793 / 180.0;

TEST(AttitudeMode, ProgradeTurnIsFlownWithinTheThrustersTorqueAndDrawsPropellant) {
    standin::OrbitalWorld w(60476.0);
    w.set_attitude_hold(true);
    krv_test::StationVessel v(w);
    w.place(v.rec, w.geostationary(285.0 * kDeg));
    w.set_attitude(v.rec, w.sun_attitude(w.state(v.rec).r));
    w.set_attitude_mode(v.rec, standin::AttitudeMode::prograde);
    const double start_error = w.attitude_mode_error(v.rec);
    ASSERT_GT(start_error, 10 * kDeg);
    const double tank0 = v.rec.tanks[0].mass;
    // 40 N m on 6200 kg m^2 and a 1 deg/s limit: no jump, a turn of minutes.
    double turned_in_first_second = 0.0;
    double t = 0.0;
    for (; t < 900.0 && !w.attitude_settled(v.rec); t += 1.0) {
        const standin::Quaternion q0 = w.attitude(v.rec);
        w.advance(1.0);
        const double turned = standin::attitude_error(q0, w.attitude(v.rec));
        if (t == 0.0) turned_in_first_second = turned;
        ASSERT_LT(turned, 1.01 * kDeg) << "at t = " << t;
        ASSERT_LT(standin::norm(w.rate(v.rec)), 0.01746);
    }
    // At most 40 N m about each of the three axes at once.
    EXPECT_LT(turned_in_first_second, 0.5 * std::sqrt(3.0) * 40.0 / 6200.0 * 1.0001);
    EXPECT_TRUE(w.attitude_settled(v.rec));
    EXPECT_GT(t, start_error / (1.0 * kDeg));
    EXPECT_LT(w.attitude_mode_error(v.rec), 0.05 * kDeg);
    // +z along the velocity.
    const VECTOR3 z = standin::rotate(w.attitude(v.rec), {0.0, 0.0, 1.0});
    EXPECT_LT(standin::angle_between(z, w.state(v.rec).v), 0.05 * kDeg);
    const double drawn = tank0 - v.rec.tanks[0].mass;
    EXPECT_GT(drawn, 0.01);
    EXPECT_LT(drawn, 1.0);

    // Hold keeps the attitude it was set in; sun flies back.
    w.set_attitude_mode(v.rec, standin::AttitudeMode::hold);
    const standin::Quaternion held = w.attitude(v.rec);
    for (int i = 0; i < 600; ++i) w.advance(1.0);
    EXPECT_LT(standin::attitude_error(held, w.attitude(v.rec)), 0.1 * kDeg);
    w.set_attitude_mode(v.rec, standin::AttitudeMode::sun);
    for (int i = 0; i < 900 && !w.attitude_settled(v.rec); ++i) w.advance(1.0);
    EXPECT_TRUE(w.attitude_settled(v.rec));
    const VECTOR3 zs = standin::rotate(w.attitude(v.rec), {0.0, 0.0, 1.0});
    const VECTOR3 zsun = standin::rotate(w.sun_attitude(w.state(v.rec).r), {0.0, 0.0, 1.0});
    EXPECT_LT(standin::angle_between(zs, zsun), 0.05 * kDeg);
}

TEST(AttitudeMode, NamesRoundTrip) {
    for (const char* n : {"sun", "prograde", "retrograde", "hold"})
        EXPECT_STREQ(standin::attitude_mode_name(*standin::parse_attitude_mode(n)), n);
    EXPECT_FALSE(standin::parse_attitude_mode("Sun"));
    EXPECT_FALSE(standin::parse_attitude_mode("none"));
}

}  // namespace
