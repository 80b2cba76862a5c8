// The trace's shortcuts measured against the world they stand in for: the
// dish pointing from moved centroids, the Sun between hourly ephemeris
// points; and the summary of a run with a burn, read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "standin/run/run.h"
#include "standin/run/simulation.h"
#include "standin/snapshot/pointing_gauge.h"
#include "standin/snapshot/sun_track.h"
#include "standin/world/earth.h"

namespace {

std::filesystem::path modules_dir() {
    return std::filesystem::path(KRV_MODULE_FILE).parent_path();
}

// atan2 of cross and dot: acos cannot resolve angles this small.
double angle(const VECTOR3& a, const VECTOR3& b) {
    const VECTOR3 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    return std::atan2(std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z),
                      a.x * b.x + a.y * b.y + a.z * b.z);
}

TEST(KrvsimTraceParts, PointingFromMovedCentroidsIsTheWorldsAngle) {
    standin::Simulation sim(standin::read_scenario_file(std::string(KRV_DATA_DIR) +
                                                        "/Scenarios/krv_mid_deployment.scn"),
                            modules_dir());
    const standin::VesselRecord& r = *sim.vessels()[0]->record;
    const standin::PointingGauge gauge(r);
    ASSERT_TRUE(gauge.applies());
    for (int i = 0; i < 400; ++i) {
        sim.step(1.0);
        const VECTOR3 earth = sim.world().earth_in_vessel_frame(r);
        const auto errors = gauge.errors(earth);
        // What the gauge kept of a resting dish is what it would work out.
        EXPECT_EQ(errors, standin::PointingGauge(r).errors(earth)) << i;
        EXPECT_NEAR(errors[0], sim.world().dish_earth_angle(r, 1), 1e-9) << i;
        EXPECT_NEAR(errors[1], sim.world().dish_earth_angle(r, 2), 1e-9) << i;
    }
}

TEST(KrvsimTraceParts, SunBetweenHourlyPointsStaysOnTheEphemeris) {
    standin::SunTrack track;
    for (double mjd = 60476.0; mjd < 60478.0; mjd += 0.0137) {
        const VECTOR3 p = track.position(mjd);
        EXPECT_LT(angle(p, standin::sun_direction(mjd)), 1e-8) << mjd;
        EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) / standin::sun_distance(mjd), 1.0,
                    1e-7);
    }
}

TEST(KrvsimTraceParts, SummaryOfABurnReadsBack) {
    const auto json = std::filesystem::temp_directory_path() / "krvsim_burn_summary.json";
    standin::Options o;
    o.modules = modules_dir().string();
    o.until = 60.0;
    o.burns.push_back({10.0, 20.0, THGROUP_MAIN, "main", 1.0});
    o.summary = json.string();
    o.progress = false;
    std::FILE* sink = std::tmpfile();
    ASSERT_EQ(standin::run(o, sink, sink), 0);
    std::rewind(sink);
    std::string text(1 << 16, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), sink));
    std::fclose(sink);
    EXPECT_NE(text.find("10 s  KRV-1: burn main starts at level 1"), std::string::npos) << text;
    EXPECT_NE(text.find("30 s  KRV-1: burn main ends"), std::string::npos) << text;
    std::FILE* f = std::fopen(json.c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::string summary(1 << 16, '\0');
    summary.resize(std::fread(summary.data(), 1, summary.size(), f));
    std::fclose(f);
    std::filesystem::remove(json);
    // 20 s of the main engine: some 3.6 kg at 500 N and 2800 m/s, and the
    // delta-v the rocket equation gives for it.
    double used = 0, dv = 0;
    const auto at = summary.find("\"propellant_used_kg\":");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(std::sscanf(summary.c_str() + at, "\"propellant_used_kg\":%lf", &used), 1);
    const auto dv_at = summary.find("\"delta_v_m_s\":");
    ASSERT_EQ(std::sscanf(summary.c_str() + dv_at, "\"delta_v_m_s\":%lf", &dv), 1);
    EXPECT_NEAR(used, 500.0 * 20.0 / 2800.0, 0.01);
    EXPECT_NEAR(dv, 2800.0 * std::log((1650.0 + 1450.0) / (1650.0 + 1450.0 - used)), 1e-6);
    // All of it drawn by the main engine, and its own delta-v the same.
    double main_used = 0, main_dv = 0;
    const auto mu_at = summary.find("\"main_engine_propellant_kg\":");
    ASSERT_EQ(std::sscanf(summary.c_str() + mu_at, "\"main_engine_propellant_kg\":%lf", &main_used),
              1);
    const auto md_at = summary.find("\"main_engine_delta_v_m_s\":");
    ASSERT_EQ(std::sscanf(summary.c_str() + md_at, "\"main_engine_delta_v_m_s\":%lf", &main_dv), 1);
    EXPECT_NEAR(main_used, used, 1e-9);
    EXPECT_NEAR(main_dv, dv, 1e-6);
}

}  // namespace
