// krvsim's --forces: the trace's header names what the world integrated;
// a bad list stops the run with the option's name.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/krvsim_process.h"

namespace {

std::string header_of(const std::string& trace) {
    std::ifstream in(trace);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(KrvsimForces, TheHeaderNamesTheForcesAndBadListsExitTwo) {
    const std::string trace = testing::TempDir() + "forces_trace.jsonl";
    auto run = krvtest::krvsim("--until 120 --dt 60 --trace " + trace);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(
        header_of(trace).find(R"("forces":{"set":"two-body","gravity_model":"","degree":-1})"),
        std::string::npos);
    run = krvtest::krvsim("--until 120 --dt 60 --forces gravity:20,moon,sun,srp --trace " + trace);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(
        header_of(trace).find(
            R"("forces":{"set":"gravity:20,moon,sun,srp","gravity_model":"EGM2008","degree":20})"),
        std::string::npos);
    for (const char* bad : {"jupiter", "two-body,moon", "gravity:21", "gravity:x", "moon,moon"}) {
        run = krvtest::krvsim(std::string("--until 120 --forces ") + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.output.find("--forces"), std::string::npos) << run.output;
    }
}

TEST(KrvsimForces, AVesselFallingFromRestStopsOnTheSurfaceWithoutANan) {
    // At rest at the geostationary radius: it falls through where the
    // Earth's centre would be unless the surface stops it (in about 4.1 h).
    std::ifstream in(KRV_SOURCE_DIR "/data/Scenarios/krv_geo_stowed.scn");
    std::stringstream text;
    text << in.rdbuf();
    std::string scn = text.str();
    const auto at = scn.find("ELEMENTS");
    ASSERT_NE(at, std::string::npos);
    scn.replace(at, scn.find('\n', at) - at, "STATE 42164169 0 0 0 0 0");
    const std::string path = testing::TempDir() + "falling.scn";
    const std::string saved = testing::TempDir() + "fallen.scn";
    std::ofstream(path) << scn;
    for (const char* forces : {"two-body", "all"}) {
        const auto run =
            krvtest::krvsim(path + " --until 30000 --dt 60 --hud-every 3000 --forces " + forces +
                            " --save " + saved);
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output.find("nan"), std::string::npos) << forces;
        std::ifstream back(saved);
        std::stringstream lines;
        lines << back.rdbuf();
        EXPECT_EQ(lines.str().find("nan"), std::string::npos) << forces;
        EXPECT_NE(lines.str().find("STATE"), std::string::npos) << forces;
    }
}

}  // namespace
