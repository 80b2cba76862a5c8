// krvsim's calls log read back as a user reads it, and host faults flown
// through: the module keeps its dishes and figures while the host answers
// falsely and resumes after.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "standin/core/standin_constants.h"
#include "standin/json/json_text.h"
#include "tests/support/krvsim_process.h"

namespace {

using nlohmann::json;

using krvtest::krvsim;
using krvtest::Outcome;

std::vector<json> read_calls(const std::filesystem::path& path) {
    std::vector<json> calls;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) calls.push_back(json::parse(line));
    return calls;
}

std::filesystem::path temp_path(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() / "krv_calls_test";
    std::filesystem::create_directories(dir);
    return dir / name;
}

double read_back(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

TEST(CallsLog, NumbersReadBackExactlyAndNonFiniteOnesAreNamed) {
    for (double v :
         {0.1, 1.0 / 3.0, -0.0, 5e-324, 1.7976931348623157e308, 86164.09, 4.6003027765959})
        EXPECT_EQ(read_back(standin::json_number(v)), v) << standin::json_number(v);
    EXPECT_TRUE(std::signbit(read_back(standin::json_number(-0.0))));
    EXPECT_EQ(standin::json_number(std::numeric_limits<double>::quiet_NaN()), "\"nan\"");
    EXPECT_EQ(standin::json_number(INFINITY), "\"inf\"");
    EXPECT_EQ(standin::json_number(-INFINITY), "\"-inf\"");
}

TEST(CallsLog, EveryCallOfARunIsALineWithItsVesselArgumentsAndAnswers) {
    const auto path = temp_path("deploy.jsonl");
    const Outcome o = krvsim("--until 30 --key 5:G --calls '" + path.string() + "'");
    ASSERT_EQ(o.status, 0) << o.output;
    const auto calls = read_calls(path);
    ASSERT_FALSE(calls.empty());
    double last_t = -1.0;
    int set_animation = 0, tracking_steps = 0;
    for (const json& c : calls) {
        ASSERT_TRUE(c.contains("t") && c.contains("call") && c["args"].is_object()) << c;
        EXPECT_GE(c["t"].get<double>(), last_t) << c;
        last_t = c["t"].get<double>();
        if (c["call"] == "SetAnimation") {
            ++set_animation;
            EXPECT_EQ(c["vessel"], "KRV-1");
            EXPECT_TRUE(c["args"]["anim"].is_number_integer());
            EXPECT_TRUE(c["args"]["state"].is_number());
            EXPECT_EQ(c["result"], true);
        }
        if (c["call"] == "Global2Local") {
            ++tracking_steps;
            EXPECT_EQ(c["answers"]["local"].size(), 3u);
        }
        if (c["call"] == "GetElements") {
            EXPECT_GT(c["answers"]["prm.period"].get<double>(), 86000.0) << c;
        }
        if (c["call"] == "zapiGetSimMJD") {
            EXPECT_FALSE(c.contains("answers"));
        }
        if (c["call"] == "VESSEL2::clbkSetupClass") {
            EXPECT_FALSE(c.contains("result"));
        }
    }
    EXPECT_GT(set_animation, 0);
    // G at 5 s, booms out 10 s later: tracking from then on.
    EXPECT_GT(tracking_steps, 5);
    EXPECT_EQ(calls.front()["call"], "InitLib");

    // "-" writes the same lines to standard output.
    const Outcome out = krvsim("--until 30 --key 5:G --calls -");
    ASSERT_EQ(out.status, 0);
    std::ifstream in(path);
    const std::string file_text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(out.output.find(file_text.substr(file_text.find("\"SetAnimation\""), 200)),
              std::string::npos);
}

// Per step of the tracking scenario: what the module asked and was told.
struct Step {
    int dish_sets = 0;         // SetAnimation of the rotation and both tilts
    bool orbit_asked = false;  // GetElements
    bool orbit_given = false;  // ... answered true
    bool rotation_asked = false;
    double period = 0.0;  // [s] as answered
    bool earth_vector_zero = false;
};

TEST(HostFaults, TheModuleKeepsItsDishesAndFiguresThroughEachFaultAndResumesAfter) {
    const auto path = temp_path("faults.jsonl");
    // The tracking scenario starts at 3600 s with both dishes tracking.
    const Outcome o =
        krvsim(std::string(KRV_SOURCE_DIR) +
               "/data/Scenarios/krv_tracking.scn --until 3700 --calls '" + path.string() +
               "' --fault 3610:3620:no-earth --fault 3630:3640:no-elements "
               "--fault 3650:3660:zero-earth-vector --fault 3670:3680:geo-period "
               "--hud-at 3675 --hud-at 3690");
    ASSERT_EQ(o.status, 0) << o.output;
    EXPECT_EQ(o.output.find("nan"), std::string::npos) << o.output;
    EXPECT_EQ(o.output.find("inf"), std::string::npos) << o.output;
    std::vector<Step> steps(101);
    for (const json& c : read_calls(path)) {
        const double t = c["t"].get<double>();
        if (t < 3601.0 || t > 3700.0 || c["vessel"] != "KRV-1") continue;
        Step& s = steps[static_cast<std::size_t>(t - 3600.0)];
        const std::string name = c["call"];
        if (name == "SetAnimation" && c["args"]["anim"] >= 1 && c["args"]["anim"] <= 3)
            ++s.dish_sets;
        if (name == "GetElements") {
            s.orbit_asked = true;
            s.orbit_given = c["result"].get<bool>();
            if (s.orbit_given) s.period = c["answers"]["prm.period"];
        }
        if (name == "zapiGetPlanetCurrentRotation") s.rotation_asked = true;
        if (name == "Global2Local")
            s.earth_vector_zero = c["answers"]["local"] == json::array({0.0, 0.0, 0.0});
    }
    auto in = [](int t, int from, int to) { return t >= from && t < to; };
    for (int t = 3601; t <= 3700; ++t) {
        const Step& s = steps[static_cast<std::size_t>(t - 3600)];
        const bool no_earth = in(t, 3610, 3620), no_elements = in(t, 3630, 3640);
        const bool zero_vector = in(t, 3650, 3660), geo = in(t, 3670, 3680);
        // Dishes: still while the Earth or its direction is missing.
        EXPECT_EQ(s.dish_sets, no_earth || zero_vector ? 0 : 3) << "t=" << t;
        EXPECT_EQ(s.earth_vector_zero, zero_vector) << "t=" << t;
        // Figures: not computed from an orbit the host did not give.
        EXPECT_EQ(s.orbit_asked, !no_earth) << "t=" << t;
        EXPECT_EQ(s.orbit_given, !no_earth && !no_elements) << "t=" << t;
        EXPECT_EQ(s.rotation_asked, !no_earth && !no_elements) << "t=" << t;
        if (s.orbit_given) {
            EXPECT_EQ(s.period == standin::kNominalGeoPeriod, geo) << "t=" << t;
        }
    }
}

TEST(HostFaults, ABadWindowOrKindIsRefusedNamingTheOption) {
    for (const char* bad :
         {"10:5:no-earth", "1:2:no-moon", "a:2:no-earth", "1:2", "1:inf:no-earth"}) {
        const Outcome o = krvsim(std::string("--fault ") + bad);
        EXPECT_EQ(o.status, 2) << bad;
        EXPECT_NE(o.output.find("--fault"), std::string::npos) << bad << ": " << o.output;
    }
}

}  // namespace
