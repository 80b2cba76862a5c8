// The forces of the integrated world: the gravity field against
// GeographicLib and a finite-difference gradient of its potential, the
// shadow, the force list and the gravity file's bad cases; and the surface
// that stops a falling vessel.
#include "standin/world/forces/force_model.h"

#include <gtest/gtest.h>

#include <GeographicLib/SphericalHarmonic.hpp>
#include <cmath>
#include <fstream>

#include "standin/core/standin_constants.h"
#include "standin/core/vessel_record.h"
#include "standin/world/earth.h"
#include "standin/world/forces/gravity_field.h"
#include "standin/world/forces/solar_pressure.h"
#include "standin/world/orbital_world.h"
#include "standin/world/vec3.h"

namespace {

using namespace standin;

const std::string kGravityFile = KRV_SOURCE_DIR "/data/Gravity/egm2008_deg20.gfc";

// GeographicLib's sum of the same coefficients: its potential is GM/a
// times the sum, its gradient the acceleration.
struct Reference {
    std::vector<double> c, s;
    GeographicLib::SphericalHarmonic sum;
    Reference(const GravityModel& g, int n)
        : c(order_major(g, n, true)),
          s(order_major(g, n, false)),
          sum(c, s, n, g.radius_m, GeographicLib::SphericalHarmonic::FULL) {}
    // Order by order; the sines leave out order 0.
    static std::vector<double> order_major(const GravityModel& g, int n, bool cos) {
        std::vector<double> out;
        for (int m = cos ? 0 : 1; m <= n; ++m)
            for (int l = m; l <= n; ++l) out.push_back(cos ? g.c(l, m) : g.s(l, m));
        return out;
    }
};

TEST(GravityField, MatchesGeographicLibAndTheGradientOfThePotential) {
    // Tolerances: 1e-13 of the acceleration against GeographicLib (both sum
    // the same series); 1e-8 m/s^2 against central differences of 2 m,
    // whose round-off is about 1e-9 m/s^2.
    for (int n : {2, 8, 20}) {
        const GravityModel g = read_gravity_file(kGravityFile, n);
        const GravityField field(g, n);
        const Reference ref(g, n);
        const double k = g.gm_m3_s2 / g.radius_m;
        for (const VECTOR3 r : {VECTOR3{42164e3, 0.0, 0.0}, VECTOR3{-1.2e6, 6.6e6, 1.9e6},
                                VECTOR3{3.0e6, -4.0e6, -5.2e6}, VECTOR3{1e5, -2e5, 7.0e6}}) {
            const VECTOR3 a = field.acceleration_ecef(r);
            double gx = 0.0, gy = 0.0, gz = 0.0;
            ref.sum(r.x, r.y, r.z, gx, gy, gz);
            const double tol = 1e-13 * norm(a);
            EXPECT_NEAR(a.x, k * gx, tol) << n;
            EXPECT_NEAR(a.y, k * gy, tol) << n;
            EXPECT_NEAR(a.z, k * gz, tol) << n;
            const double h = 2.0;
            auto v = [&](double dx, double dy, double dz) {
                return k * ref.sum(r.x + dx, r.y + dy, r.z + dz);
            };
            EXPECT_NEAR(a.x, (v(h, 0, 0) - v(-h, 0, 0)) / (2 * h), 1e-8) << n;
            EXPECT_NEAR(a.y, (v(0, h, 0) - v(0, -h, 0)) / (2 * h), 1e-8) << n;
            EXPECT_NEAR(a.z, (v(0, 0, h) - v(0, 0, -h)) / (2 * h), 1e-8) << n;
        }
    }
}

TEST(GravityFile, BadFilesNameTheFileAndLine) {
    const std::string path = testing::TempDir() + "bad.gfc";
    const std::string head =
        "modelname M\nearth_gravity_constant 3.986e14\nradius 6378136.3\nnorm fully_normalized\n"
        "end_of_head ===\n";
    const std::string good = "gfc 0 0 1.0 0.0\ngfc 1 0 0 0\ngfc 1 1 0 0\n";
    struct Case {
        std::string text, expected;
    };
    for (const Case& c : std::vector<Case>{
             {"modelname M\n", ":2: no end_of_head line"},
             {head + good + "gfc 2 3 0 0\n", ":9: degree and order"},
             {head + good + "gfc 2 0 x 0\n", ":9: C and S must be numbers"},
             {head + good + "xyz 2 0 0 0\n", ":9: expected a 'gfc L M C S' line"},
             {head + good + "gfc 1 1 0 0\n", ":9: degree 1 order 1 given twice"},
             {head + good, ":9: no coefficients for degree 2 order 0"},
             {"radius -1\n", ":1: radius: '-1' is not a positive number"},
             {"norm unnormalized\nend_of_head\n" + good, "only fully_normalized"},
         }) {
        std::ofstream(path) << c.text;
        try {
            read_gravity_file(path, 2);
            ADD_FAILURE() << c.text;
        } catch (const GravityFileError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(path + ":", 0), 0U) << what;
            EXPECT_NE(what.find(c.expected), std::string::npos) << what;
        }
    }
    EXPECT_THROW(read_gravity_file(path + ".none", 2), GravityFileError);
    EXPECT_EQ(read_gravity_file(kGravityFile, 20).name, "EGM2008");
}

TEST(Forces, TheListIsReadOrRefused) {
    EXPECT_TRUE(parse_forces("two-body").two_body);
    EXPECT_EQ(parse_forces("gravity,moon").text(), "gravity:8,moon");
    EXPECT_EQ(parse_forces("srp,sun,gravity:20").text(), "gravity:20,sun,srp");
    EXPECT_EQ(parse_forces("all").text(), "gravity:8,moon,sun,srp");
    for (const char* bad : {"", "two-body,moon", "gravity:1", "gravity:21", "gravity:x",
                            "gravity:", "moon,moon", "moon,,sun", "jupiter", "all,moon"})
        EXPECT_THROW(parse_forces(bad), ForcesError) << bad;
}

TEST(SolarPressure, ShadowIsConicalWithAPenumbra) {
    const VECTOR3 sun{kAstronomicalUnit, 0.0, 0.0};
    const double r = 42164e3;
    EXPECT_EQ(sunlit_fraction({r, 0.0, 0.0}, sun), 1.0);
    EXPECT_EQ(sunlit_fraction({-r, 0.0, 0.0}, sun), 0.0);
    // Behind the Earth at GEO: the umbra's half-width is the Earth's radius
    // less the cone's narrowing, R - r (Rsun - R) / au; the penumbra's is
    // R + r (Rsun + R) / au.
    const double umbra = kEarthRadius - r * (kSunRadius - kEarthRadius) / kAstronomicalUnit;
    const double penumbra = kEarthRadius + r * (kSunRadius + kEarthRadius) / kAstronomicalUnit;
    EXPECT_EQ(sunlit_fraction({-r, 0.0, 0.99 * umbra}, sun), 0.0);
    EXPECT_EQ(sunlit_fraction({-r, 0.0, 1.01 * penumbra}, sun), 1.0);
    const double middle = sunlit_fraction({-r, 0.0, 0.5 * (umbra + penumbra)}, sun);
    EXPECT_NEAR(middle, 0.5, 0.05);
}

TEST(OrbitalWorld, AVesselThatReachesTheSurfaceStopsThereAndIsReported) {
    for (const char* forces : {"two-body", "all"}) {
        OrbitalWorld w(60476.0);
        VesselRecord rec;
        rec.name = "V";
        rec.empty_mass = 1000.0;
        w.vessel_added(rec);
        w.place(rec, {{42164169.0, 0.0, 0.0}, {0.0, 0.0, 0.0}});
        w.set_forces(ForceModel(parse_forces(forces), kGravityFile));
        // A fall from rest at GEO radius reaches the surface in about 5.8 h
        // (the radial Kepler orbit); ten hours of 60 s steps.
        std::vector<WorldEvent> events;
        for (int i = 0; i < 600; ++i) {
            w.advance(60.0);
            for (const auto& e : w.take_events()) events.push_back(e);
            const StateVector s = w.state(rec);
            ASSERT_TRUE(std::isfinite(s.r.x + s.r.y + s.r.z + s.v.x + s.v.y + s.v.z)) << i;
            ASSERT_GE(norm(s.r), kEarthPolarRadius - 1.0) << i;
        }
        ASSERT_TRUE(w.on_surface(rec)) << forces;
        int surface = 0;
        double when = 0.0;
        for (const auto& e : events)
            if (e.kind == WorldEvent::Kind::surface) ++surface, when = e.time;
        EXPECT_EQ(surface, 1) << forces;
        // The radial fall's time from r0 to R: sqrt(r0^3 / 2mu) (acos(sqrt(x))
        // + sqrt(x (1 - x))), x = R / r0.
        const double r0 = 42164169.0, x = kEarthRadius / r0;
        const double fall = std::sqrt(r0 * r0 * r0 / (2.0 * kEarthMu)) *
                            (std::acos(std::sqrt(x)) + std::sqrt(x * (1.0 - x)));
        EXPECT_NEAR(when, fall, std::string(forces) == "two-body" ? 1.0 : 120.0) << forces;
        EXPECT_NEAR(norm(w.state(rec).v), kTwoPi / kSiderealDay * kEarthRadius, 1.0);
    }
}

}  // namespace
