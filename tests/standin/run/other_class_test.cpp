// A vessel of a class the host has no profile of flies through every
// output: no dish, pointing or target figures, no error; its name, which
// JSON must escape, stays valid JSON wherever it is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/krvsim_process.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

TEST(OtherClass, FliesThroughTraceSummaryCallsOverviewHudAndReplay) {
    const fs::path dir = fs::temp_directory_path() / "krv_other_class_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "probe.scn") << "DATE 2024-06-15T00:00:00\nTIME 0\n"
                                        "VESSEL Pro\"be\\1 PROBE\n"
                                        "  ELEMENTS 42164169.46097 0 0 0 0 188.456769429554\n"
                                        "  PROPELLANT 0 10\nEND\n";
    const auto p = [&](const char* name) { return "'" + (dir / name).string() + "'"; };
    const krvtest::Outcome o = krvtest::krvsim(
        p("probe.scn") + " --modules '" + KRV_FIXTURE_DIR + "' --until 40 --key 5:G" +
        " --burn 10:5:main --attitude 20:prograde --hud-at 0 --hud-at 30 --svg " + p("") +
        " --trace " + p("trace.jsonl") + " --calls " + p("calls.jsonl") + " --summary " +
        p("summary.json") + " --replay " + p("replay.html") + " --save " + p("final.scn"));
    ASSERT_EQ(o.status, 0) << o.output;

    std::ifstream trace(dir / "trace.jsonl");
    std::string line;
    ASSERT_TRUE(std::getline(trace, line));
    const json header = json::parse(line);
    EXPECT_TRUE(header["vessels"][0]["profile"].is_null());
    EXPECT_EQ(header["vessels"][0]["animations"][0]["name"], "anim0");
    int steps = 0, keys = 0, burns = 0;
    while (std::getline(trace, line)) {
        const json r = json::parse(line);  // throws on invalid JSON
        if (r["type"] == "step") {
            ++steps;
            EXPECT_TRUE(r["vessels"][0]["pointing_error_deg"].is_null());
        }
        if (r["type"] == "key") keys += r["used"]["Pro\"be\\1"].get<bool>() ? 1 : 0;
        if (r["type"] == "burn") ++burns;
    }
    EXPECT_EQ(steps, 41);
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(burns, 2);

    std::ifstream calls(dir / "calls.jsonl");
    int call_lines = 0;
    while (std::getline(calls, line)) call_lines += json::parse(line).is_object() ? 1 : 0;
    EXPECT_GT(call_lines, 0);
    std::ifstream summary_file(dir / "summary.json");
    const json summary = json::parse(summary_file);
    EXPECT_GT(summary["vessels"][0]["propellant_used_kg"].get<double>(), 0.0);
    EXPECT_TRUE(summary["vessels"][0]["final_pointing_deg"].is_null());
    EXPECT_EQ(summary["vessels"][0]["hud_longitude"], "");
    for (const char* f : {"overview_Pro_be_1.svg", "hud_001_Pro_be_1.svg", "replay.html"})
        EXPECT_GT(fs::file_size(dir / f), 200u) << f;
}

}  // namespace
