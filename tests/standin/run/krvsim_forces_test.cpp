// krvsim's --forces: the trace's header names what the world integrated;
// a bad list stops the run with the option's name; the world's events (the
// surface reached, the Earth's shadow) reach the trace and the summary.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/krvsim_process.h"

namespace {

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The default scenario with its line starting `key` replaced by `line`.
std::string scenario_with(std::string scn, const std::string& key, const std::string& line) {
    const auto at = scn.find(key);
    if (at != std::string::npos) scn.replace(at, scn.find('\n', at) - at, line);
    return scn;
}

// The "t" of the trace's first record that contains `what`; -1: none.
double first_t(const std::string& trace, const std::string& what) {
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);)
        if (line.find(what) != std::string::npos)
            return std::stod(line.substr(line.find("\"t\":") + 4));
    return -1.0;
}

std::string header_of(const std::string& trace) {
    std::ifstream in(trace);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(KrvsimForces, TheHeaderNamesTheForcesAndBadListsExitTwo) {
    const std::string trace = testing::TempDir() + "forces_trace.jsonl";
    // Given none, the real sky.
    const struct {
        std::string forces, header;
    } cases[] = {
        {"", R"("forces":{"set":"gravity:8,moon,sun,srp","gravity_model":"EGM2008","degree":8})"},
        {"--forces two-body", R"("forces":{"set":"two-body","gravity_model":"","degree":-1})"},
        {"--forces gravity:20,moon,sun,srp",
         R"("forces":{"set":"gravity:20,moon,sun,srp","gravity_model":"EGM2008","degree":20})"},
    };
    krvtest::Outcome run;
    for (const auto& c : cases) {
        run = krvtest::krvsim("--until 120 --dt 60 " + c.forces + " --trace " + trace);
        ASSERT_EQ(run.status, 0) << c.forces << run.output;
        EXPECT_NE(header_of(trace).find(c.header), std::string::npos) << c.forces;
    }
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
        std::string args = path + " --until 30000 --dt 60 --hud-every 3000 --forces ";
        args += forces;
        args += " --save " + saved;
        const auto run = krvtest::krvsim(args);
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output.find("nan"), std::string::npos) << forces;
        std::ifstream back(saved);
        std::stringstream lines;
        lines << back.rdbuf();
        EXPECT_EQ(lines.str().find("nan"), std::string::npos) << forces;
        EXPECT_NE(lines.str().find("STATE"), std::string::npos) << forces;
    }
}

TEST(KrvsimForces, TheSurfaceReachedAndAnEclipseAreRunEvents) {
    const std::string base = file_text(KRV_SOURCE_DIR "/data/Scenarios/krv_geo_stowed.scn");
    const std::string dir = testing::TempDir();
    std::ofstream(dir + "to_surface.scn")
        << scenario_with(base, "ELEMENTS", "STATE 42164169 0 0 0 0 0");
    auto run = krvtest::krvsim(dir + "to_surface.scn --until 16000 --dt 60 --trace " + dir +
                               "surface.jsonl --summary " + dir + "surface.json --save " + dir +
                               "surfaced.scn");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string trace = file_text(dir + "surface.jsonl");
    EXPECT_GT(first_t(trace, R"("type":"surface")"), 0.0);
    EXPECT_NE(run.output.find("KRV-1 reached the Earth's surface at "), std::string::npos)
        << run.output;
    EXPECT_NE(file_text(dir + "surface.json").find(R"("surface_at_s":)"), std::string::npos);
    // The JSON files write a non-finite number as a string.
    for (const std::string& json : {trace, file_text(dir + "surface.json")})
        EXPECT_EQ(json.find(R"("nan")"), std::string::npos);
    for (const std::string& text : {run.output, file_text(dir + "surfaced.scn")})
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;

    // At the equinox, 15 deg short of the Sun's opposite: through the
    // Earth's shadow within the first two hours.
    std::ofstream(dir + "equinox.scn")
        << scenario_with(scenario_with(base, "DATE", "DATE 2024-03-20T00:00:00"), "ELEMENTS",
                         "ELEMENTS 42164169.46097 0 0 0 0 165");
    run = krvtest::krvsim(dir + "equinox.scn --until 7200 --dt 60 --forces all --trace " + dir +
                          "eclipse.jsonl");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string eclipse = file_text(dir + "eclipse.jsonl");
    const double entry = first_t(eclipse, R"("type":"eclipse","t")");
    const double exit = first_t(eclipse, R"("phase":"exit")");
    ASSERT_GT(entry, 0.0) << eclipse.substr(0, 400);
    // Penumbra to penumbra, some 70 min at the equinox, each edge seen at
    // the end of its step.
    EXPECT_GT(exit - entry, 60 * 60.0);
    EXPECT_LE(exit - entry, 72 * 60.0 + 2 * 60.0);
    EXPECT_NE(run.output.find("1 eclipse, "), std::string::npos) << run.output;
}

}  // namespace
