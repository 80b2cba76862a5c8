// --keep-station through krvsim in the real sky: bad orders stop the run
// before it starts; a kept vessel stays in its box for the delta-v the
// drift acceleration asks, and with :ns its inclination stays small.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tests/support/krvsim_process.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using krvtest::krvsim;
using krvtest::Outcome;
using nlohmann::json;

struct Folder : krvtest::ScratchFolder {
    Folder() : ScratchFolder("krv_keeping_test") {}
};

const std::string kStowed = std::string(KRV_SOURCE_DIR) + "/data/Scenarios/krv_geo_stowed.scn";

std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The default scenario's vessel moved to 102 W: its mean longitude is the
// Earth rotation angle of the date plus 258 deg.
fs::path scenario_at_102w(const Folder& f) {
    std::string text = read(kStowed);
    const std::string at75 = "188.456769429554";
    text.replace(text.find(at75, text.find("ELEMENTS")), at75.size(), "161.456769429554");
    return f.write("at102w.scn", text);
}

TEST(StationKeeping, BadOrdersAreRefusedNamingTheOptionOrTheLine) {
    const Folder f;
    const fs::path twice = f.write("twice.toml", "keep-station = [\"102W:0.1\", \"75W:0.1\"]\n");
    const fs::path bad = f.write("bad.toml", "until = 600\nkeep-station = \"102W:11\"\n");
    const struct {
        std::string args;
        std::string says;
    } cases[] = {
        {"--keep-station 102W", "--keep-station: expected LON:HALFWIDTH[:ns]"},
        {"--keep-station 102:0.1", "'102' is not a longitude"},
        {"--keep-station 181W:0.1", "'181W' is not a longitude"},
        {"--keep-station 102W:0", "the half-width must be above 0 and at most 10"},
        {"--keep-station 102W:10.5", "the half-width must be above 0 and at most 10"},
        {"--keep-station 102W:nan", "--keep-station: 'nan' is not a number"},
        {"--keep-station 102W:0.1:ew", "'ew' is not ns"},
        {"--keep-station 102W:0.1:ns:x", "expected LON:HALFWIDTH[:ns]"},
        {"--keep-station 102W:0.1 --keep-station 75W:0.1", "one station per run"},
        // Keeping holds a vessel on station; it does not take it there.
        {"--keep-station 102W:0.1", "KRV-1 is at 75.00\u00b0W, 27.00\u00b0 from the station"},
        {"--until 90000 --relocate 3600:90W:2 --keep-station 102W:0.1",
         "the relocation goes to 90.00\u00b0W, 12.00\u00b0 from the station"},
        // A timed order (a live flight's, recorded): its time in the run, the
        // vessel near the station at that time.
        {"--keep-station -5:75W:0.1", "the time must not be negative"},
        {"--keep-station 5000:75W:0.1", "5000 s is outside the run"},
        {"--keep-station 10:102W:0.1", "--keep-station 10:102W:0.1: KRV-1 is at 75.00\u00b0W"},
        {"--config " + twice.string(), "one station per run"},
        {"--config " + bad.string(), "the half-width must be above 0"},
    };
    for (const auto& c : cases) {
        const Outcome o =
            krvsim(kStowed + " " + c.args + " --summary " + (f.dir / "refused.json").string());
        EXPECT_EQ(o.status, 2) << c.args << "\n" << o.output;
        EXPECT_NE(o.output.find(c.says), std::string::npos) << c.args << "\n" << o.output;
        EXPECT_FALSE(fs::exists(f.dir / "refused.json")) << c.args << ": the run started";
    }
}

// The standard estimate of the east-west delta-v [m/s per year] at a
// longitude [deg east]: 1.7 |sin 2(lon - stable)|, stable at 105 W.
double ew_estimate(double lon) {
    return 1.7 * std::fabs(std::sin(2.0 * (lon - 255.0) * 3.141592653589793 / 180.0));
}

TEST(StationKeeping, SixtyDaysAt102WestStayInTheBoxForAboutTheEstimatedDeltaV) {
    const Folder f;
    const fs::path summary = f.dir / "summary.json";
    const fs::path trace = f.dir / "trace.jsonl";
    const Outcome o =
        krvsim(scenario_at_102w(f).string() +
               " --forces all --warp 600:300 --until 5184000 --keep-station "
               "102W:0.05 --trace-every 1000 --summary " +
               summary.string() + " --trace " + trace.string() + " --svg " + f.dir.string());
    ASSERT_EQ(o.status, 0) << o.output;
    const json k = json::parse(read(summary))["station_keeping"].at(0);
    EXPECT_EQ(k["lon_deg"], 258.0);
    EXPECT_EQ(k["start_t"], 0.0);
    // The mean longitude stays within the box (the report says so when not).
    EXPECT_LE(k["largest_excursion_deg"].get<double>(), 0.05) << k.dump(1);
    EXPECT_EQ(k["outside_s"], 0.0);
    EXPECT_GT(k["measured_s"].get<double>(), 58.0 * 86400.0);
    // The drift acceleration there is small: a few burns of a few cm/s.
    const json& y = k["per_year"];
    EXPECT_GT(y["ew_dv_m_s"].get<double>(), ew_estimate(258.0) / 5.0) << k.dump(1);
    EXPECT_LT(y["ew_dv_m_s"].get<double>(), ew_estimate(258.0) * 5.0) << k.dump(1);
    EXPECT_EQ(y["ns_dv_m_s"], 0.0);
    const int burns = k["flown"]["ew_manoeuvres"];
    EXPECT_GE(burns, 1);
    EXPECT_LE(burns, 8);
    // Without north-south keeping the Moon and the Sun tilt the orbit.
    EXPECT_GT(k["final_inclination_deg"].get<double>(), 0.1);

    // Each burn in the trace: planned and flown, the box once.
    int starts = 0, ends = 0, boxes = 0;
    std::istringstream lines(read(trace));
    for (std::string line; std::getline(lines, line);) {
        const json r = json::parse(line);
        if (r["type"] == "keeping") {
            ++boxes;
            EXPECT_EQ(r["halfwidth_deg"], 0.05);
        }
        if (r["type"] != "burn" || !r.contains("manoeuvre")) continue;
        EXPECT_EQ(r["manoeuvre"], "east-west");
        if (r["phase"] == "start") {
            ++starts;
        } else {
            ++ends;
            EXPECT_NEAR(r["dv_m_s"].get<double>(), r["planned_dv_m_s"].get<double>(), 1e-4);
        }
    }
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(starts, burns);
    EXPECT_EQ(ends, burns);

    // The overview plot draws the box kept and each burn.
    const std::string svg = read(f.dir / "overview_KRV-1.svg");
    EXPECT_NE(svg.find("data-box=\"-0.05"), std::string::npos);
    EXPECT_NE(svg.find("0.05\xC2\xB0 box"), std::string::npos);
    const std::size_t dv = svg.find("data-series=\"delta-v\"");
    ASSERT_NE(dv, std::string::npos);
    const std::size_t from = svg.find("points=\"", dv) + 8;
    const std::string points = svg.substr(from, svg.find('"', from) - from);
    EXPECT_EQ(std::count(points.begin(), points.end(), ','), burns) << points;
}

TEST(StationKeeping, NorthSouthKeepingHoldsTheInclinationUnderTheHalfWidth) {
    const Folder f;
    const fs::path summary = f.dir / "summary.json";
    const Outcome o = krvsim(kStowed +
                             " --forces all --warp 600:300 --until 3456000 --keep-station "
                             "75W:0.05:ns --summary " +
                             summary.string());
    ASSERT_EQ(o.status, 0) << o.output;
    const json k = json::parse(read(summary))["station_keeping"].at(0);
    EXPECT_LT(k["largest_inclination_deg"].get<double>(), 0.05) << k.dump(1);
    EXPECT_GE(k["flown"]["ns_manoeuvres"].get<int>(), 1);
    // About 0.9 deg a year of the Moon's and the Sun's pull, 40 to 50 m/s
    // to undo; a burn's share of it over 40 days is lumpy.
    const double ns = k["per_year"]["ns_dv_m_s"];
    EXPECT_GT(ns, 20.0) << k.dump(1);
    EXPECT_LT(ns, 100.0) << k.dump(1);
    EXPECT_LE(k["largest_excursion_deg"].get<double>(), 0.06) << k.dump(1);
}

}  // namespace
