// End to end: the real KRV module in the orbital world, driven as krvsim
// drives it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "standin/run/key_spec.h"
#include "standin/run/simulation.h"
#include "standin/scenario/scenario_file.h"

namespace {

using standin::HudFrame;
using standin::Simulation;

constexpr double kDeg = 3.141592653589793 / 180.0;
// Animation order of the KRV's rig.
enum { kAnt = 0, kRot = 1, kTilt1 = 2, kTilt2 = 3, kSolp = 4, kLid = 5 };

std::filesystem::path modules_dir() {
    return std::filesystem::path(KRV_MODULE_FILE).parent_path();
}

bool shows(const HudFrame& f, const std::string& text) {
    for (const auto& t : f.texts)
        if (t.bytes == text) return true;
    return false;
}

const standin::DrawnText* starting(const HudFrame& f, const std::string& prefix) {
    for (const auto& t : f.texts)
        if (t.bytes.rfind(prefix, 0) == 0) return &t;
    return nullptr;
}

// The state in the vessel's ANT line as it saves it.
int ant_status(Simulation& sim) {
    for (const auto& line : sim.vessel_own_lines(*sim.vessels()[0])) {
        int s = -1;
        if (std::sscanf(line.c_str(), "ANT %d", &s) == 1) return s;
    }
    return -1;
}

TEST(KrvsimEndToEnd, DefaultScenarioDeploysTracksAndPointsTheEarthSideDish) {
    standin::CallLog log;
    Simulation sim(standin::read_scenario_file(KRV_DEFAULT_SCENARIO), modules_dir(), KRV_DATA_DIR,
                   {&log, nullptr});
    auto& v = *sim.vessels()[0];
    auto& anims = v.record->animations;
    ASSERT_EQ(anims.size(), 6u);
    const HudFrame first = sim.hud(v, 1024, 768);
    EXPECT_TRUE(shows(first, "G = Deploy HGA + Solar Panels"));
    EXPECT_TRUE(shows(first, "K = Open AIA Covers"));

    const double dt = 0.5;  // 0.05 of boom travel a step: exactly 1 after 20 steps
    const auto g = *standin::parse_key("G");
    const auto k = *standin::parse_key("K");
    double boom_full = -1, boom_open = -1, tracking = -1;
    double worst_late = 0.0;
    while (sim.world().sim_time() < 300.0 - 1e-9) {
        const double t = sim.world().sim_time();
        if (std::fabs(t - 5.0) < 1e-9) {
            EXPECT_EQ(sim.press(v, g), 1);
        }
        if (std::fabs(t - 20.0) < 1e-9) {
            EXPECT_EQ(sim.press(v, k), 1);
        }
        log.clear();
        sim.step(dt);
        const double now = sim.world().sim_time();
        if (tracking < 0 && log.count("Global2Local") > 0) tracking = now;
        if (boom_full < 0 && anims[kAnt].state == 1.0) boom_full = now;
        if (boom_open < 0 && ant_status(sim) == 1) boom_open = now;
        if (now > 250.0) {
            // The dish on the Earth's side: antenna 1 at +y, antenna 2 at -y.
            const VECTOR3 e = sim.world().earth_in_vessel_frame(*v.record);
            const int dish = e.y >= 0.0 ? 1 : 2;
            worst_late = std::max(worst_late, sim.world().dish_earth_angle(*v.record, dish));
        }
    }
    const HudFrame later = sim.hud(v, 1024, 768);
    EXPECT_TRUE(shows(later, "HGA and Solar Panels Deployed"));
    EXPECT_TRUE(shows(later, "AIA Covers Open"));
    EXPECT_FALSE(shows(later, "G = Deploy HGA + Solar Panels"));
    EXPECT_EQ(anims[kSolp].state, 1.0);
    EXPECT_EQ(anims[kLid].state, 1.0);
    EXPECT_DOUBLE_EQ(boom_full, 15.0);  // G at 5 s plus 10 s of travel
    EXPECT_DOUBLE_EQ(boom_open, 15.5);  // one step later
    EXPECT_DOUBLE_EQ(tracking, 16.0);   // the step after that
    EXPECT_LT(worst_late, 0.5 * kDeg) << worst_late / kDeg << " deg";
    // Over 75 degrees west, as placed.
    const auto* lon = starting(later, "KRV Mean Surface Longitude ");
    ASSERT_NE(lon, nullptr);
    EXPECT_EQ(lon->bytes, "KRV Mean Surface Longitude 75.00\xB0W");
}

TEST(KrvsimEndToEnd, SavedScenarioReloadsToTheSameStatesAndPositions) {
    std::string saved;
    std::vector<double> states;
    standin::StateVector where;
    std::vector<std::string> own;
    {
        Simulation sim(standin::read_scenario_file(KRV_DEFAULT_SCENARIO), modules_dir());
        auto& v = *sim.vessels()[0];
        for (int i = 0; i < 14; ++i) {
            if (i == 2) sim.press(v, *standin::parse_key("G"));
            sim.step(0.5);  // booms mid-way, panels moving
        }
        for (const auto& a : v.record->animations) states.push_back(a.state);
        where = sim.world().state(*v.record);
        own = sim.vessel_own_lines(v);
        saved = sim.scenario_text();
    }
    Simulation again(standin::parse_scenario(saved, "saved.scn"), modules_dir());
    auto& v = *again.vessels()[0];
    ASSERT_EQ(v.record->animations.size(), states.size());
    for (std::size_t i = 0; i < states.size(); ++i)
        EXPECT_NEAR(v.record->animations[i].state, states[i], 0.00005) << "animation " << i;
    EXPECT_EQ(again.vessel_own_lines(v), own);
    const auto r = again.world().state(*v.record);
    EXPECT_EQ(r.r.x, where.r.x);
    EXPECT_EQ(r.r.y, where.r.y);
    EXPECT_EQ(r.v.z, where.v.z);
    EXPECT_EQ(again.world().sim_time(), 7.0);
}

// The drift line after a main-engine burn of 60 s with +z along or against
// the velocity.
std::string drift_after_burn(const char* attitude) {
    std::string text =
        "DATE 2024-06-15T00:00:00\nTIME 0\nVESSEL KRV-1 KRV\n"
        "  ELEMENTS 42164169.46097 0 0 0 0 188.456769429554\n"
        "  ATTITUDE ";
    text += attitude;
    text += "\nEND\n";
    Simulation sim(standin::parse_scenario(text, "burn.scn"), modules_dir());
    auto& v = *sim.vessels()[0];
    sim.world().schedule_burn(*v.record, THGROUP_MAIN, 10.0, 60.0, 1.0);
    for (int i = 0; i < 100; ++i) sim.step(1.0);
    const HudFrame f = sim.hud(v, 1024, 768);
    const auto* drift = starting(f, "Drift Rate ");
    const auto* orbits = starting(f, "Orbits Required ");
    if (drift == nullptr || orbits == nullptr) return "(no drift lines)";
    double n = 0.0;
    EXPECT_EQ(std::sscanf(orbits->bytes.c_str(), "Orbits Required %lf", &n), 1);
    EXPECT_TRUE(std::isfinite(n)) << orbits->bytes;
    EXPECT_GT(n, 0.0);
    return drift->bytes;
}

// A burn along the velocity raises the orbit: a period above the sidereal
// day, the point below falls behind the Earth, westward. Against the
// velocity the orbit sinks and the drift is eastward.
TEST(KrvsimEndToEnd, ProgradeBurnDriftsWestAndRetrogradeEast) {
    const std::string pro = drift_after_burn("PROGRADE");
    EXPECT_NE(pro.find("\xB0W per orbit"), std::string::npos) << pro;
    const std::string retro = drift_after_burn("RETROGRADE");
    EXPECT_NE(retro.find("\xB0"
                         "E per orbit"),
              std::string::npos)
        << retro;
}

}  // namespace
