// Relocation along the geostationary arc: the plan against the closed
// form, and the plan flown in the orbital world.
#include <gtest/gtest.h>

#include <cmath>

#include "standin/core/standin_constants.h"
#include "standin/station/longitude_text.h"
#include "standin/station/relocation_executor.h"
#include "standin/station/relocation_plan.h"
#include "standin/world/earth.h"
#include "standin/world/forces/force_model.h"
#include "standin/world/orbital_world.h"
#include "tests/support/station_vessel.h"

namespace {

using standin::RelocationPhase;

constexpr double kDeg = 3.141592653589793 / 180.0;
constexpr double kMjd = 60476.0;  // 2024-06-15 0h

double wrap180(double deg) {
    return std::remainder(deg, 360.0);
}

double mean_sub_satellite_lon(const standin::OrbitalWorld& w, const standin::VesselRecord& v) {
    const double lon = (w.orbit(v).mean_lon - w.earth_rotation()) / kDeg;
    return std::fmod(lon + 720.0, 360.0);
}

standin::RelocationRequest geostationary_request(double from_east, double to_east, int orbits) {
    standin::OrbitalWorld w(kMjd);
    standin::RelocationRequest q;
    q.state = w.geostationary(from_east * kDeg);
    q.earth_rotation = w.earth_rotation();
    q.mass = 3100.0;
    q.propellant = 1450.0;
    q.thrust = 500.0;
    q.exhaust_velocity = 2800.0;
    q.target_lon = to_east;
    q.orbits = orbits;
    return q;
}

TEST(RelocationPlan, SeventyFiveToOneHundredTwoWestMatchesTheReferenceFigures) {
    auto o = standin::plan_relocation(geostationary_request(285.0, 258.0, 27));
    ASSERT_TRUE(o.plan) << o.refusal;
    const auto& p = *o.plan;
    EXPECT_NEAR(p.gap, -27.0, 1e-6);
    EXPECT_NEAR(p.drift_per_orbit, -1.0, 1e-6);
    EXPECT_NEAR(p.delta_a / 1000.0, 78.05, 0.01);
    EXPECT_NEAR(p.start_dv, 2.839, 0.001);
    EXPECT_NEAR(p.start_duration, 17.6, 0.05);
    EXPECT_TRUE(p.prograde);
    EXPECT_NEAR(p.stop_dv, p.start_dv, 1e-6);  // back onto the same circle
    // One turn of the Earth rotation angle: 86164.0989036905 s.
    EXPECT_NEAR(p.stop_offset, 27 * 86164.0989036905 * (1.0 + 1.0 / 360.0), 1e-3);

    o = standin::plan_relocation(geostationary_request(285.0, 258.0, 54));
    ASSERT_TRUE(o.plan);
    EXPECT_NEAR(o.plan->delta_a / 1000.0, 39.03, 0.01);
    EXPECT_NEAR(o.plan->start_dv, 1.42, 0.005);
    EXPECT_NEAR(o.plan->start_duration, 8.8, 0.05);

    // Eastward: a lower, faster orbit, the burn against the velocity.
    o = standin::plan_relocation(geostationary_request(258.0, 285.0, 27));
    ASSERT_TRUE(o.plan);
    EXPECT_FALSE(o.plan->prograde);
    EXPECT_NEAR(o.plan->drift_per_orbit, 1.0, 1e-6);
    EXPECT_LT(o.plan->delta_a, 0.0);
}

TEST(RelocationPlan, ImpossiblePlansAreRefusedWithTheReason) {
    auto q = geostationary_request(285.0, 258.0, 0);
    EXPECT_NE(standin::plan_relocation(q).refusal.find("orbits"), std::string::npos);
    q.orbits = -3;
    EXPECT_FALSE(standin::plan_relocation(q).plan);
    q = geostationary_request(285.0, 360.0, 27);
    EXPECT_NE(standin::plan_relocation(q).refusal.find("longitude"), std::string::npos);
    q.target_lon = std::nan("");
    EXPECT_FALSE(standin::plan_relocation(q).plan);
    // 179 degrees in one orbit needs far more than the tank's 1450 kg.
    q = geostationary_request(285.0, 106.0, 1);
    q.propellant = 5.0;
    const auto o = standin::plan_relocation(q);
    EXPECT_FALSE(o.plan);
    EXPECT_NE(o.refusal.find("propellant"), std::string::npos);
}

TEST(LongitudeText, HemisphereLettersGiveDegreesEast) {
    EXPECT_DOUBLE_EQ(*standin::parse_longitude("102W"), 258.0);
    EXPECT_DOUBLE_EQ(*standin::parse_longitude("75.5E"), 75.5);
    EXPECT_DOUBLE_EQ(*standin::parse_longitude("75.5e"), 75.5);
    EXPECT_DOUBLE_EQ(*standin::parse_longitude("180W"), 180.0);
    EXPECT_DOUBLE_EQ(*standin::parse_longitude("0W"), 0.0);
    for (const char* bad :
         {"", "W", "102", "181W", "-5E", "1e2W", "nanE", "infW", "1.2.3E", ".E", "102 W", "102X"})
        EXPECT_FALSE(standin::parse_longitude(bad)) << bad;
}

struct Flight {
    double arrival_lon;  // [deg] east
    double drift;        // [deg per orbit]
    standin::RelocationPlan plan;
    std::vector<standin::ExecutedBurn> burns;
};

// Flies a relocation from geostationary at from_east, warping in steps of at
// most 600 s and stopping where the executor acts.
Flight fly(double from_east, double to_east, int orbits, const char* forces = "two-body") {
    standin::OrbitalWorld w(kMjd);
    w.set_forces(standin::ForceModel(standin::parse_forces(forces),
                                     KRV_SOURCE_DIR "/data/Gravity/egm2008_deg20.gfc"));
    w.set_attitude_hold(true);
    krv_test::StationVessel v(w);
    w.place(v.rec, w.geostationary(from_east * kDeg));
    w.set_attitude(v.rec, w.sun_attitude(w.state(v.rec).r));
    standin::RelocationExecutor ex(w, v.rec, {100.0, to_east, orbits});
    const double end = 100.0 + (orbits + 2) * 86400.0 * 1.6;
    while (ex.phase() != RelocationPhase::arrived && ex.phase() != RelocationPhase::refused &&
           w.sim_time() < end) {
        ex.before_step();
        const double dt = std::min(600.0, ex.next_event_time() - w.sim_time());
        w.advance(dt > 1e-9 ? dt : 600.0);
    }
    EXPECT_EQ(ex.phase(), RelocationPhase::arrived) << ex.refusal();
    if (!w.forces().closed_form()) {
        // The true motion: the osculating period is no measure of it.
        const auto m = ex.arrival().value_or(standin::TrueMotion{});
        return {m.lon_deg, m.drift_deg_day * standin::kSiderealDay / 86400.0,
                ex.plan().value_or(standin::RelocationPlan{}), ex.burns()};
    }
    return {mean_sub_satellite_lon(w, v.rec),
            360.0 * (1.0 - w.orbit(v.rec).period / standin::kSiderealDay),
            ex.plan().value_or(standin::RelocationPlan{}), ex.burns()};
}

TEST(RelocationExecutor, ArrivesOnTheTargetAndStopsDriftingBothWays) {
    struct Case {
        double gap;  // [deg] east positive
        int orbits;
    };
    for (const Case c : {Case{5, 3}, Case{27, 9}, Case{90, 10}, Case{179, 12}}) {
        for (double sign : {-1.0, 1.0}) {
            const double from = 285.0;
            const double to = std::fmod(from + sign * c.gap + 360.0, 360.0);
            SCOPED_TRACE(testing::Message() << "gap " << sign * c.gap << " in " << c.orbits);
            const Flight f = fly(from, to, c.orbits);
            EXPECT_NEAR(wrap180(f.arrival_lon - to), 0.0, 0.05);
            EXPECT_LT(std::fabs(f.drift), 0.001);
            ASSERT_EQ(f.burns.size(), 2U);
            // Delta-v as flown against the closed form, and the propellant
            // each burn drew against the rocket equation (the attitude
            // groups keeping the burn attitude draw a few grams more).
            EXPECT_NEAR(f.burns[0].dv / f.plan.start_dv, 1.0, 0.01);
            EXPECT_NEAR(f.burns[1].dv / f.plan.stop_dv, 1.0, 0.01);
            for (const auto& b : f.burns) {
                const double rocket = b.mass_before * (1.0 - std::exp(-b.planned_dv / 2800.0));
                const double drawn = b.mass_before - b.mass_after;
                EXPECT_GE(drawn, rocket * 0.999);
                EXPECT_LE(drawn, rocket * 1.01 + 0.02);
            }
        }
    }
}

TEST(RelocationExecutor, ArrivesInTheRealSkyWithTrims) {
    struct Case {
        double from, to;  // [deg] east
        int orbits;
    };
    // The default flight west, and a shorter one east across the stable
    // longitude near 105W.
    for (const Case c : {Case{285.0, 258.0, 27}, Case{250.0, 262.0, 6}}) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
        const Flight f = fly(c.from, c.to, c.orbits, "all");
        EXPECT_NEAR(wrap180(f.arrival_lon - c.to), 0.0, 0.05);
        EXPECT_LE(std::fabs(f.drift), 0.001);
        ASSERT_GE(f.burns.size(), 2U);
        EXPECT_EQ(f.burns.front().role, standin::BurnRole::start);
        int stops = 0;
        for (const auto& b : f.burns) {
            stops += b.role == standin::BurnRole::stop;
            EXPECT_TRUE(b.ended());
            // Trims are small beside the start.
            if (b.role == standin::BurnRole::trim) {
                EXPECT_LT(b.dv, 0.3 * f.burns[0].dv);
            }
        }
        EXPECT_EQ(stops, 1);
    }
}

}  // namespace
