// Station keeping through krvsim: what the overview plot draws is what the
// trace of the same run holds, and impossible orders stop the run before it
// starts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/krvsim_process.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr double kPi = 3.141592653589793;

using krvtest::krvsim;
using krvtest::Outcome;

struct Folder : krvtest::ScratchFolder {
    Folder() : ScratchFolder("krvsim_station_test") {}
};

std::string scenario(const char* name) {
    return std::string(KRV_SOURCE_DIR) + "/data/Scenarios/" + name;
}

// A polyline of the overview plot, its points read back as (time, value).
struct Series {
    std::string name;
    std::vector<std::pair<double, double>> points;
    double value_slack = 0.0;  // what the points' rounding to 0.001 px hides
};

std::vector<Series> read_series(const std::string& svg) {
    std::vector<Series> all;
    const std::regex polyline(
        "<polyline data-series=\"([^\"]*)\" data-map=\"([^\"]*)\"[^>]*points=\"([^\"]*)\"");
    for (std::sregex_iterator it(svg.begin(), svg.end(), polyline), end; it != end; ++it) {
        Series s;
        s.name = (*it)[1];
        double t0, t1, x0, x1, v0, v1, y0, y1;
        std::istringstream map((*it)[2].str());
        map >> t0 >> t1 >> x0 >> x1 >> v0 >> v1 >> y0 >> y1;
        s.value_slack = 0.0006 * std::fabs((v1 - v0) / (y1 - y0));
        std::istringstream points((*it)[3].str());
        double x, y;
        char comma;
        while (points >> x >> comma >> y)
            s.points.emplace_back(t0 + (x - x0) * (t1 - t0) / (x1 - x0),
                                  v0 + (y - y0) * (v1 - v0) / (y1 - y0));
        all.push_back(s);
    }
    return all;
}

TEST(KrvsimOverview, ThePlottedPointsAreTheTracesValues) {
    const Folder folder;
    const fs::path trace = folder.dir / "trace.jsonl";
    const Outcome o =
        krvsim(scenario("krv_drifting.scn") + " --until 7200 --key 5:G --warp 600:120 --trace " +
               trace.string() + " --svg " + folder.dir.string());
    ASSERT_EQ(o.status, 0) << o.output;
    std::map<double, json> steps;  // by time
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
        json r = json::parse(line);
        if (r["type"] == "step") steps[r["t"].get<double>()] = r["vessels"][0];
    }
    std::ifstream svg_in(folder.dir / "overview_KRV-1.svg");
    std::stringstream svg;
    svg << svg_in.rdbuf();
    const std::vector<Series> series = read_series(svg.str());
    ASSERT_GE(series.size(), 14u);

    // The trace's value at the step nearest t (the points' times are rounded
    // to 0.001 px, steps are at least a second apart).
    const auto at = [&](double t) -> const json& {
        auto it = steps.lower_bound(t - 0.5);
        EXPECT_TRUE(it != steps.end() && std::fabs(it->first - t) < 0.5) << t;
        return it->second;
    };
    std::map<std::string, std::function<double(const json&)>> from_trace = {
        {"tank", [](const json& v) { return v["propellant_kg"].get<double>(); }},
        {"booms", [](const json& v) { return v["anim"]["ant"].get<double>(); }},
        {"solar wings", [](const json& v) { return v["anim"]["solp"].get<double>(); }},
        {"dish 1", [](const json& v) { return v["pointing_error_deg"][0].get<double>(); }},
    };
    int checked = 0;
    for (const Series& s : series) {
        const auto f = from_trace.find(s.name);
        if (f == from_trace.end()) continue;
        for (const auto& [t, value] : s.points) {
            EXPECT_NEAR(value, f->second(at(t)), s.value_slack) << s.name << " at " << t << " s";
            ++checked;
        }
    }
    // The first series: the mean longitude from the orbit the module was
    // given, relative to 102 W.
    for (const auto& [t, value] : series.front().points) {
        const json& host = at(t)["host"];
        const double lon =
            (host["orbit_mean_lon_rad"].get<double>() - host["earth_rotation_rad"].get<double>()) *
            180.0 / kPi;
        EXPECT_NEAR(value, std::remainder(lon - 258.0, 360.0), series.front().value_slack) << t;
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST(KrvsimStation, ImpossibleOrdersAreRefusedBeforeTheRun) {
    const Folder folder;
    const fs::path trace = folder.dir / "refused.jsonl";
    struct Case {
        std::string args, says;
    } cases[] = {
        {"--warp 70:60", "--warp 70:60"},
        {"--warp 10:0", "--warp 10:0"},
        {"--warp 10", "--warp: expected TIME:DT"},
        {"--attitude 5:sideways", "--attitude 5:sideways: unknown mode"},
        {"--attitude 61:sun", "--attitude 61:sun"},
        {"--relocate 30:102W:0", "whole number"},
        {"--relocate 30:200W:3", "'200W' is not a longitude"},
        {"--relocate 61:102W:3", "--relocate 61:102W:3"},
        {"--relocate 30:102W:3 --relocate 40:100W:3", "one relocation per run"},
        // 179 degrees east in one orbit: a drift orbit far below, two long burns.
        {"--relocate 30:104E:1", "not enough propellant"},
    };
    for (const Case& c : cases) {
        const Outcome o =
            krvsim(scenario("krv_geo_stowed.scn") + " " + c.args + " --trace " + trace.string());
        EXPECT_EQ(o.status, 2) << c.args;
        EXPECT_NE(o.output.find(c.says), std::string::npos) << o.output;
        EXPECT_FALSE(fs::exists(trace)) << c.args << ": the run started";
    }
}

}  // namespace
