// The orbital world: time and the Earth's rotation, two-body orbits,
// thrust and propellant, attitude and frames.
#include "standin/world/orbital_world.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <variant>

#include "standin/core/vessel_record.h"
#include "standin/world/earth.h"
#include "standin/world/host_lines.h"
#include "standin/world/orbital_elements.h"
#include "standin/world/vec3.h"

namespace {

using standin::OrbitalWorld;
using standin::VesselRecord;
using standin::operator-;

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;
constexpr double kMjd = 60476.0;  // 2024-06-15 0h

// A vessel record with the KRV's mass, tank, main engine and its pitch
// thruster pairs, declared as a module would.
struct TestVessel {
    VesselRecord rec;
    explicit TestVessel(OrbitalWorld& w) {
        rec.name = "V";
        rec.empty_mass = 1650.0;
        rec.pmi = VECTOR3{2.0, 2.0, 2.0};
        rec.tanks.push_back({1450.0, 1450.0, 1.0});
        auto* tank = &rec.tanks.back();
        rec.thrusters.push_back({{0, 0, -1}, {0, 0, 1}, 500.0, tank, 2800.0, 0.0, 101400.0, 0.0});
        rec.groups.push_back({THGROUP_MAIN, {&rec.thrusters.back()}});
        rec.thrusters.push_back({{0, -1, 0}, {0, 0, 1}, 20.0, tank, 2800.0, 0.0, 101400.0, 0.0});
        rec.thrusters.push_back({{0, 1, 0}, {0, 0, -1}, 20.0, tank, 2800.0, 0.0, 101400.0, 0.0});
        rec.groups.push_back({THGROUP_ATT_PITCHUP, {&rec.thrusters[1], &rec.thrusters[2]}});
        rec.thrusters.push_back({{0, -1, 0}, {0, 0, -1}, 20.0, tank, 2800.0, 0.0, 101400.0, 0.0});
        rec.thrusters.push_back({{0, 1, 0}, {0, 0, 1}, 20.0, tank, 2800.0, 0.0, 101400.0, 0.0});
        rec.groups.push_back({THGROUP_ATT_PITCHDOWN, {&rec.thrusters[3], &rec.thrusters[4]}});
        w.vessel_added(rec);
    }
};

double mean_sub_satellite_lon_deg(OrbitalWorld& w, const VesselRecord& v) {
    ELEMENTS el;
    ORBITPARAM prm;
    w.elements(v, w.object_by_name("Earth"), el, &prm, w.sim_mjd(), 1);
    double lon = (prm.mean_lon - w.planet_rotation(w.object_by_name("Earth"))) / kDeg;
    lon = std::fmod(lon + 720.0, 360.0);
    return lon;
}

TEST(OrbitalWorld, GeostationaryOrbitHasTheSiderealPeriodAndStaysOverItsLongitude) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    w.place(v.rec, w.geostationary(285.0 * kDeg));
    ELEMENTS el;
    ORBITPARAM prm;
    ASSERT_TRUE(w.elements(v.rec, w.object_by_name("Earth"), el, &prm, w.sim_mjd(), 1));
    EXPECT_NEAR(prm.period, 86164.09, 0.01);
    EXPECT_NEAR(el.eccentricity, 0.0, 1e-12);
    EXPECT_NEAR(el.inclination, 0.0, 1e-12);
    EXPECT_NEAR(mean_sub_satellite_lon_deg(w, v.rec), 285.0, 1e-9);
    // Over two days in uneven steps the point below stays put: the Earth's
    // stellar day differs from 86164.09 s by 9 ms, 4e-5 degrees a day.
    for (int i = 0; i < 48; ++i) {
        w.advance(3599.5);
        ASSERT_NEAR(mean_sub_satellite_lon_deg(w, v.rec), 285.0, 1e-4) << "after hour " << i;
        // The true sub-satellite point too: the vessel turns with the Earth.
        const VECTOR3 r = w.state(v.rec).r;
        double lon = (std::atan2(r.y, r.x) - w.earth_rotation()) / kDeg;
        lon = std::fmod(lon + 720.0, 360.0);
        ASSERT_NEAR(lon, 285.0, 1e-4);
    }
}

TEST(OrbitalWorld, CoastingPeriodStaysConstantOverThirtyDays) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    const auto s0 = standin::state_from_elements(24400e3, 0.7, 7 * kDeg, 40 * kDeg, 100 * kDeg,
                                                 10 * kDeg, standin::kEarthMu);
    w.place(v.rec, s0);
    const double p0 = w.orbit(v.rec).period;
    // Steps of every length, from a second to most of an orbit.
    const double steps[] = {1.0, 7.3, 60.0, 3600.0, 0.25, 30000.0};
    double t = 0.0;
    int i = 0;
    while (t < 30 * 86400.0) {
        const double dt = steps[i++ % 6];
        w.advance(dt);
        t += dt;
        ASSERT_NEAR(w.orbit(v.rec).period / p0, 1.0, 1e-9) << "at t = " << t;
    }
    // Back at the start after a whole number of orbits (a closed conic).
    OrbitalWorld w2(kMjd);
    TestVessel v2(w2);
    w2.place(v2.rec, s0);
    for (int k = 0; k < 20; ++k) w2.advance(p0 / 2.0);
    const auto s1 = w2.state(v2.rec);
    EXPECT_NEAR(standin::norm(s1.r - s0.r) / standin::norm(s0.r), 0.0, 1e-9);
}

TEST(OrbitalWorld, MainEngineBurnGivesTheRocketEquationDeltaV) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    OrbitalWorld coast(kMjd);
    TestVessel c(coast);
    w.place(v.rec, w.geostationary(285.0 * kDeg));
    coast.place(c.rec, coast.geostationary(285.0 * kDeg));
    // 100 s from 10.5 s: the burn's edges fall inside steps of 1 s.
    ASSERT_TRUE(w.schedule_burn(v.rec, THGROUP_MAIN, 10.5, 100.0, 1.0));
    for (int i = 0; i < 130; ++i) {
        w.advance(1.0);
        coast.advance(1.0);
    }
    const double used = 100.0 * 500.0 / 2800.0;  // [kg]
    EXPECT_NEAR(v.rec.tanks[0].mass, 1450.0 - used, 1e-9);
    const double expected_dv = 2800.0 * std::log(3100.0 / (3100.0 - used));  // [m/s]
    const double dv = standin::norm(w.state(v.rec).v - coast.state(c.rec).v);
    EXPECT_NEAR(dv / expected_dv, 1.0, 1e-3);
    // Along the main engine's +z, which the Sun attitude points at the Sun.
    const VECTOR3 push = standin::unit(w.state(v.rec).v - coast.state(c.rec).v);
    const VECTOR3 z = standin::rotate(w.attitude(v.rec), {0, 0, 1});
    EXPECT_GT(standin::dot(push, z), 0.999);
}

TEST(OrbitalWorld, EmptyTankGivesNoThrust) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    OrbitalWorld coast(kMjd);
    TestVessel c(coast);
    w.place(v.rec, w.geostationary(0.0));
    coast.place(c.rec, coast.geostationary(0.0));
    v.rec.tanks[0].mass = 0.0;
    w.schedule_burn(v.rec, THGROUP_MAIN, 0.0, 50.0, 1.0);
    for (int i = 0; i < 60; ++i) {
        w.advance(1.0);
        coast.advance(1.0);
    }
    EXPECT_EQ(v.rec.tanks[0].mass, 0.0);
    EXPECT_LT(standin::norm(w.state(v.rec).v - coast.state(c.rec).v), 1e-6);
}

TEST(OrbitalWorld, TankRunningDryMidBurnGivesWhatItHeld) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    w.place(v.rec, w.geostationary(0.0));
    v.rec.tanks[0].mass = 5.0;  // 28 s of the main engine
    w.schedule_burn(v.rec, THGROUP_MAIN, 0.0, 100.0, 1.0);
    for (int i = 0; i < 100; ++i) w.advance(1.0);
    EXPECT_EQ(v.rec.tanks[0].mass, 0.0);
}

TEST(OrbitalWorld, EarthRotationAngleIsErfasAtTheDate) {
    // J2000.0 (MJD 51544.5 UT1): 0.7790572732640 of a turn.
    OrbitalWorld j2000(51544.5);
    EXPECT_NEAR(j2000.planet_rotation(j2000.object_by_name("Earth")), 0.7790572732640 * 2 * kPi,
                1e-12);
    for (double mjd : {15020.0, 58849.0, 60476.0, 88000.25}) {
        OrbitalWorld w(mjd);
        const double era = w.planet_rotation(w.object_by_name("Earth"));
        EXPECT_NEAR(era, eraEra00(2400000.5, mjd), 1e-12) << mjd;
        EXPECT_GE(era, 0.0);
        EXPECT_LT(era, 2 * kPi);
        // And as time runs: a day later, one stellar turn and a bit more.
        w.advance(86400.0);
        EXPECT_NEAR(w.planet_rotation(w.object_by_name("Earth")), eraEra00(2400000.5, mjd + 1.0),
                    1e-9);
    }
    EXPECT_EQ(j2000.planet_rotation(nullptr), 0.0);
}

TEST(OrbitalWorld, Global2LocalFollowsARotatedAttitude) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    const double r = 42164e3;
    w.place(v.rec, {{r, 0.0, 0.0}, {0.0, 3074.7, 0.0}});
    // Vessel turned 90 degrees about global z: its x axis is global +y.
    w.set_attitude(v.rec, {std::cos(kPi / 4), 0.0, 0.0, std::sin(kPi / 4)});
    const VECTOR3 earth = w.global_to_local(v.rec, w.global_pos(w.object_by_name("Earth")));
    EXPECT_NEAR(earth.x, 0.0, 1e-6);
    EXPECT_NEAR(earth.y, r, 1e-6);
    EXPECT_NEAR(earth.z, 0.0, 1e-6);
    const VECTOR3 p = w.global_to_local(v.rec, {r, 0.0, 1000.0});  // 1 km above it
    EXPECT_NEAR(p.x, 0.0, 1e-9);
    EXPECT_NEAR(p.y, 0.0, 1e-9);
    EXPECT_NEAR(p.z, 1000.0, 1e-9);
    VECTOR3 g = w.global_pos(v.rec.handle());
    EXPECT_EQ(g.x, r);
}

TEST(OrbitalWorld, SunAttitudePointsPlusZAtTheSunWithYOnTheEquator) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    w.place(v.rec, w.geostationary(285.0 * kDeg));
    const auto q = w.sun_attitude(w.state(v.rec).r);
    const VECTOR3 z = standin::rotate(q, {0, 0, 1});
    const VECTOR3 y = standin::rotate(q, {0, 1, 0});
    // Mid-June: the Sun 23.3 degrees north of the equator.
    const VECTOR3 sun = standin::sun_direction(kMjd);
    EXPECT_NEAR(std::asin(sun.z) / kDeg, 23.3, 0.1);
    EXPECT_LT(standin::angle_between(z, sun), 1e-3);  // parallax of GEO: 0.016 deg
    EXPECT_NEAR(y.z, 0.0, 1e-12);
}

TEST(OrbitalWorld, ElementsComeBackFromTheStateTheyGave) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    w.place(v.rec, standin::state_from_elements(30000e3, 0.1, 10 * kDeg, 30 * kDeg, 80 * kDeg,
                                                200 * kDeg, standin::kEarthMu));
    ELEMENTS el;
    ORBITPARAM prm;
    w.elements(v.rec, w.object_by_name("Earth"), el, &prm, w.sim_mjd(), 1);
    EXPECT_NEAR(el.semi_major_axis, 30000e3, 1e-3);
    EXPECT_NEAR(el.eccentricity, 0.1, 1e-12);
    EXPECT_NEAR(el.inclination, 10 * kDeg, 1e-12);
    EXPECT_NEAR(el.ascending_node, 30 * kDeg, 1e-12);
    EXPECT_NEAR(el.periapsis_lon, 80 * kDeg, 1e-12);
    EXPECT_NEAR(prm.mean_lon, 200 * kDeg, 1e-12);
    EXPECT_NEAR(prm.mean_anomaly, 120 * kDeg, 1e-12);
    EXPECT_NEAR(prm.period, 2 * kPi * std::sqrt(std::pow(30000e3, 3) / 3.986004418e14), 1e-6);
    EXPECT_NEAR(prm.periapsis_dist, 27000e3, 1e-3);
    EXPECT_NEAR(prm.apoapsis_dist, 33000e3, 1e-3);
    // A day ahead, the mean longitude at that epoch moves on by n * 86400.
    w.elements(v.rec, w.object_by_name("Earth"), el, &prm, w.sim_mjd() + 1.0, 1);
    const double lon = std::fmod(200 * kDeg + 86400.0 * 2 * kPi / prm.period, 2 * kPi);
    EXPECT_NEAR(el.mean_lon_epoch, lon, 1e-9);
    EXPECT_FALSE(w.elements(v.rec, nullptr, el, &prm, w.sim_mjd(), 1));
}

TEST(OrbitalWorld, AttitudeThrustersTurnTheVesselThroughItsInertia) {
    OrbitalWorld w(kMjd);
    TestVessel v(w);
    w.place(v.rec, w.geostationary(0.0));
    w.schedule_burn(v.rec, THGROUP_ATT_PITCHUP, 0.0, 2.0, 1.0);
    w.advance(1.0);
    w.advance(1.0);
    // Torque (-40, 0, 0) N m on 2 m^2 per kg of about 3100 kg.
    const double inertia = 2.0 * (1650.0 + v.rec.tanks[0].mass);
    EXPECT_NEAR(w.rate(v.rec).x, -40.0 * 2.0 / inertia, 1e-6);
    // Coasting, the rate stays; with the hold on it is nulled.
    w.advance(5.0);
    EXPECT_NEAR(w.rate(v.rec).x, -40.0 * 2.0 / inertia, 1e-6);
    w.set_attitude_hold(true);
    for (int i = 0; i < 5; ++i) w.advance(1.0);
    EXPECT_EQ(standin::norm(w.rate(v.rec)), 0.0);
}

}  // namespace

// A quaternion is a direction in four dimensions: its size does not matter,
// however large, and only one too small to tell from zero is refused.
TEST(HostLines, AttitudeQuaternionOfAnySizeIsNormalised) {
    struct Case {
        const char* line;
        bool taken;
        standin::Quaternion want;
    };
    const Case cases[] = {
        {"ATTITUDE QUAT 2 0 0 0", true, {1, 0, 0, 0}},
        {"ATTITUDE QUAT 1e300 1e-300 0 0", true, {1, 0, 0, 0}},
        {"ATTITUDE QUAT 0 -3e300 0 4e300", true, {0, -0.6, 0, 0.8}},
        {"ATTITUDE QUAT 3e-200 0 4e-200 0", false, {}},
        {"ATTITUDE QUAT 0 0 0 0", false, {}},
    };
    for (const Case& c : cases) {
        const standin::HostLine parsed = standin::parse_host_line(c.line);
        const auto* a = std::get_if<standin::AttitudeLine>(&parsed);
        if (!c.taken) {
            EXPECT_NE(std::get_if<standin::HostLineError>(&parsed), nullptr) << c.line;
            continue;
        }
        ASSERT_NE(a, nullptr) << c.line;
        EXPECT_NEAR(a->q.w, c.want.w, 1e-15) << c.line;
        EXPECT_NEAR(a->q.x, c.want.x, 1e-15) << c.line;
        EXPECT_NEAR(a->q.y, c.want.y, 1e-15) << c.line;
        EXPECT_NEAR(a->q.z, c.want.z, 1e-15) << c.line;
    }
}

// The writer prints doubles with round-trip precision, subnormal ones too;
// the reader takes them back, and refuses only what is not a finite number.
TEST(HostLines, SubnormalNumbersAreNumbers) {
    const standin::HostLine rate = standin::parse_host_line("RATE 3e-311 -4.9e-324 0");
    const auto* r = std::get_if<standin::RateLine>(&rate);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->omega.x, 3e-311);
    EXPECT_EQ(r->omega.y, -4.9e-324);
    const standin::HostLine quat =
        standin::parse_host_line("ATTITUDE QUAT 1 3.3333333333331585e-311 0 0");
    EXPECT_NE(std::get_if<standin::AttitudeLine>(&quat), nullptr);
    for (const char* bad : {"RATE 1e309 0 0", "RATE inf 0 0", "RATE nan 0 0", "RATE 1x 0 0"}) {
        const standin::HostLine refused = standin::parse_host_line(bad);
        EXPECT_NE(std::get_if<standin::HostLineError>(&refused), nullptr) << bad;
    }
}

// Orbits reach at most 1e12 m from the Earth: beyond that an orbit's sizes
// overflow in their squares and cubes, and a vessel coasting out to its
// apoapsis would save a state that could not be read back.
TEST(HostLines, OrbitsReachAtMostATrillionMetres) {
    struct Case {
        const char* line;
        bool taken;
    };
    const Case cases[] = {
        {"ELEMENTS 1e12 0 0 0 0 0", true},
        {"ELEMENTS 6e11 0.5 0 0 0 0", true},   // apoapsis 9e11 m
        {"ELEMENTS 7e11 0.5 0 0 0 0", false},  // apoapsis 1.05e12 m
        {"ELEMENTS 4.2162683587371853e307 0 0 0 0 58", false},
        {"STATE 1e12 0 0 0 1 0", true},      // at its apoapsis
        {"STATE 7e11 8e11 0 0 1 0", false},  // farther than 1e12 m
        {"STATE 1e11 0 0 0 85 0", true},     // apoapsis 9.7e11 m
        {"STATE 1e11 0 0 0 88 0", false},    // closed, but reaching out to 3.4e12 m
        {"STATE 4.2e307 3.5e305 0 0 0 0", false},
    };
    for (const Case& c : cases) {
        const standin::HostLine parsed = standin::parse_host_line(c.line);
        EXPECT_EQ(std::get_if<standin::HostLineError>(&parsed) == nullptr, c.taken) << c.line;
    }
}
