// The station-keeping figures from the orbit about the Earth.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"

namespace {

using krvtest::as_krv;

class DriftFigures : public krvtest::HostFixture {
protected:
    void SetUp() override {
        v = &spawn();
        k = &as_krv(*v);
    }
    void update(double mean_lon, double rotation, double period) {
        world.orbit_params.mean_lon = mean_lon;
        world.orbit_params.period = period;
        world.earth_rotation = rotation;
        log.clear();
        k->UpdateDrift();
    }
    standin::SessionVessel* v = nullptr;
    krv* k = nullptr;
};

TEST_F(DriftFigures, FourHostCallsInOrderWithTheEquatorialFrame) {
    world.mjd = 58471.25;
    update(1.0, 0.5, 86000.0);
    ASSERT_EQ(log.size(), 4u) << testing::PrintToString(krvtest::describe(log));
    EXPECT_EQ(log[0], (standin::HostCall{"zapiGetObjectByName", {std::string("Earth")}}));
    EXPECT_EQ(log[1].name, "zapiGetSimMJD");
    EXPECT_EQ(log[2].name, "GetElements");
    EXPECT_EQ(log[2].vessel, v->record->handle());
    EXPECT_EQ(log[2].arg<const void*>("ref"), static_cast<const void*>(world.earth()));
    EXPECT_NE(log[2].arg<const void*>("prm"), nullptr) << "orbit figures asked for";
    EXPECT_EQ(log[2].arg<double>("mjd"), 58471.25);
    EXPECT_EQ(log[2].arg<std::int64_t>("frame"), 1);
    EXPECT_EQ(log[3].name, "zapiGetPlanetCurrentRotation");
    EXPECT_EQ(log[3].arg<const void*>("planet"), static_cast<const void*>(world.earth()));
}

struct DriftCase {
    const char* what;
    double L, r, T;
    double mean_lon, angle_east, angle_west, drift_rate, orbits_required;
};

TEST_F(DriftFigures, WorkedExamples) {
    const double keep = 42.0;  // orbits_required from an earlier step
    const DriftCase cases[] = {
        {"drifting east", 1.0, 0.5, 86000.0, 28.6478898, 229.352110, 130.647890, 0.685580269,
         334.537210},
        {"drifting west", 1.0, 0.5, 86400.0, 28.6478898, 229.352110, 130.647890, -0.985649590,
         132.550037},
        {"negative longitude wraps", 0.0, 0.5, 86000.0, 331.352110, 286.647890, 73.3521102,
         0.685580269, 286.647890 / 0.685580269},
        {"no drift keeps the count", 1.0, 0.5, 86164.09, 28.6478898, 229.352110, 130.647890, 0.0,
         keep},
        {"rotation above a turn", 2.0, 7.0, 86000.0, 73.5211024, 184.478898, 175.521102,
         0.685580269, 184.478898 / 0.685580269},
        // One wrap only: 20 rad less one turn still leaves the longitude
        // negative after its one correction.
        {"single wraps", 0.0, 20.0, 86000.0, -425.915590, 683.915590, -323.915590, 0.685580269,
         683.915590 / 0.685580269},
        {"at the target, east", 4.50294947014537, 0.0, 86000.0, 258.0, 0.0, 360.0, 0.685580269,
         0.0},
        {"at the target, west", 4.50294947014537, 0.0, 86400.0, 258.0, 0.0, 360.0, -0.985649590,
         360.0 / 0.985649590},
        {"past the target", 5.235987755982989, 0.0, 86000.0, 300.0, 318.0, 42.0, 0.685580269,
         318.0 / 0.685580269},
    };
    for (const DriftCase& c : cases) {
        SCOPED_TRACE(c.what);
        k->orbits_required = keep;
        update(c.L, c.r, c.T);
        EXPECT_NEAR(k->mean_lon, c.mean_lon, 1e-6);
        EXPECT_NEAR(k->angle_east, c.angle_east, 1e-6);
        EXPECT_NEAR(k->angle_west, c.angle_west, 1e-6);
        EXPECT_NEAR(k->drift_rate, c.drift_rate, 1e-9);
        EXPECT_NEAR(k->orbits_required, c.orbits_required, 1e-6);
    }
}

TEST_F(DriftFigures, ExactTargetAndExactZeroDrift) {
    update(4.50294947014537, 0.0, 86164.09);
    EXPECT_EQ(k->mean_lon, 258.0);
    EXPECT_EQ(k->angle_east, 0.0);
    EXPECT_EQ(k->angle_west, 360.0);
    EXPECT_EQ(k->drift_rate, 0.0);
    // A rotation of exactly a full turn is not corrected.
    update(6.283185307179586, 6.283185307179586, 86000.0);
    EXPECT_EQ(k->mean_lon, 0.0);
}

TEST_F(DriftFigures, AnUndefinedPeriodLeavesTheCount) {
    k->orbits_required = 7.5;
    update(1.0, 0.5, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(k->drift_rate));
    EXPECT_EQ(k->orbits_required, 7.5);
    EXPECT_NEAR(k->mean_lon, 28.6478898, 1e-6);
}

TEST_F(DriftFigures, NoEarthOrNoOrbitKeepsThePreviousFigures) {
    update(1.0, 0.5, 86000.0);
    const double before[] = {k->mean_lon, k->angle_east, k->angle_west, k->drift_rate,
                             k->orbits_required};

    world.earth_present = false;
    update(2.0, 0.1, 86400.0);
    EXPECT_EQ(log.names(), std::vector<std::string>{"zapiGetObjectByName"});
    world.earth_present = true;
    world.elements_ok = false;
    update(2.0, 0.1, 86400.0);
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"zapiGetObjectByName", "zapiGetSimMJD", "GetElements"}));

    const double after[] = {k->mean_lon, k->angle_east, k->angle_west, k->drift_rate,
                            k->orbits_required};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(after[i], before[i]) << i;
}

TEST_F(DriftFigures, FiguresStartAtZeroBeforeTheFirstStep) {
    EXPECT_EQ(k->mean_lon, 0.0);
    EXPECT_EQ(k->angle_east, 0.0);
    EXPECT_EQ(k->angle_west, 0.0);
    EXPECT_EQ(k->drift_rate, 0.0);
    EXPECT_EQ(k->orbits_required, 0.0);
    // A first step without an orbit keeps those defined figures.
    world.elements_ok = false;
    session->step(1.0);
    EXPECT_EQ(k->orbits_required, 0.0);
    EXPECT_EQ(k->mean_lon, 0.0);
}

TEST_F(DriftFigures, EveryStepEndsWithTheDrift) {
    world.orbit_params.mean_lon = 1.0;
    world.orbit_params.period = 86000.0;
    world.earth_rotation = 0.5;
    log.clear();
    session->step(0.1);
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log.calls().back().name, "zapiGetPlanetCurrentRotation");
    EXPECT_NEAR(k->orbits_required, 334.537210, 1e-6);
}

}  // namespace
