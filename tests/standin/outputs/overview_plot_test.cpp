// The overview plot and the HUD figures it reads back from the module.
#include "standin/outputs/overview_plot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "standin/outputs/hud_station_figures.h"
#include "standin/outputs/overview_recorder.h"
#include "standin/run/simulation.h"
#include "standin/scenario/scenario_file.h"
#include "standin/snapshot/snapshot_builder.h"
#include "standin/station/relocation_executor.h"
#include "tests/support/krvsim_process.h"

namespace {

const standin::HudLabels& kKrvLabels = standin::class_profile("KRV")->hud;

standin::DrawnText drawn(const std::string& bytes) {
    standin::DrawnText t;
    t.bytes = bytes;
    t.len = static_cast<int>(bytes.size());
    return t;
}

TEST(HudStationFigures, ReadsEveryFigureInBothForms) {
    auto f = standin::read_hud_station_figures(
        {drawn("Remaining dV = 1765.76 m/s"), drawn("HGA and Solar Panels Deployed"),
         drawn("Target Longitude 102\xB0W (New Mexico)"),
         drawn("KRV Mean Surface Longitude 95.01\xB0W"),
         drawn("Angle to Target Longitude 353.01\xB0"
               "E (6.99\xB0W)"),
         drawn("Drift Rate 0.154\xB0W per orbit"), drawn("Orbits Required 45.503")},
        kKrvLabels);
    EXPECT_DOUBLE_EQ(*f.remaining_dv, 1765.76);
    EXPECT_DOUBLE_EQ(*f.mean_lon, 360.0 - 95.01);
    EXPECT_DOUBLE_EQ(*f.angle_east, 353.01);
    EXPECT_DOUBLE_EQ(*f.angle_west, 6.99);
    EXPECT_DOUBLE_EQ(*f.drift_rate, -0.154);
    EXPECT_DOUBLE_EQ(*f.orbits_required, 45.503);

    f = standin::read_hud_station_figures({drawn("KRV Mean Surface Longitude 179.99\xB0"
                                                 "E"),
                                           drawn("Drift Rate 1.000\xB0"
                                                 "E per orbit")},
                                          kKrvLabels);
    EXPECT_DOUBLE_EQ(*f.mean_lon, 179.99);
    EXPECT_DOUBLE_EQ(*f.drift_rate, 1.0);
    EXPECT_FALSE(f.orbits_required);
    // A UTF-8 degree sign, a missing unit or trailing text is not the module's line.
    f = standin::read_hud_station_figures(
        {drawn("Drift Rate 0.154\xC2\xB0W per orbit"), drawn("Remaining dV = 12.00"),
         drawn("Orbits Required 4.000x"), drawn("Orbits Required  4.000"),
         drawn("Angle to Target Longitude 1.00\xB0"
               "E (2.00\xB0W")},
        kKrvLabels);
    EXPECT_FALSE(f.drift_rate);
    EXPECT_FALSE(f.remaining_dv);
    EXPECT_FALSE(f.orbits_required);
    EXPECT_FALSE(f.angle_east);
}

TEST(HudStationFigures, ReadsTheModulesOwnHudBackAsTheOrbitsFigures) {
    standin::Simulation sim(
        standin::read_scenario_file(KRV_SOURCE_DIR "/data/Scenarios/krv_drifting.scn"),
        std::filesystem::path(KRV_MODULE_FILE).parent_path());
    for (int i = 0; i < 10; ++i) sim.step(60.0);
    const auto frame = sim.hud(*sim.vessels()[0], 1024, 768);
    const auto f = standin::read_hud_station_figures(frame.texts, kKrvLabels);
    ASSERT_TRUE(f.mean_lon && f.drift_rate && f.orbits_required && f.remaining_dv);
    double drift = 0.0, orbits = 0.0;
    const ORBITPARAM prm = sim.world().orbit(*sim.vessels()[0]->record);
    double lon =
        std::fmod((prm.mean_lon - sim.world().earth_rotation()) * 57.29577951308232 + 720.0, 360.0);
    standin::overview_truth(lon, prm.period, 258.0, drift, orbits);
    EXPECT_NEAR(*f.mean_lon, lon, 0.005 + 1e-9);
    EXPECT_NEAR(*f.drift_rate, drift, 0.0005 + 1e-9);
    EXPECT_NEAR(*f.orbits_required, orbits, 0.0005 + 1e-6);
    EXPECT_NEAR(*f.remaining_dv, 1765.76, 0.005);
}

// Every polyline's points mapped back to (time, value) through its data-map.
std::map<std::string, std::vector<std::pair<double, double>>> read_series(const std::string& svg,
                                                                          int panel) {
    std::map<std::string, std::vector<std::pair<double, double>>> out;
    std::size_t at = 0;
    int seen = -1;
    std::string last_map;
    while ((at = svg.find("<polyline data-series=\"", at)) != std::string::npos) {
        at += 23;
        const std::string name = svg.substr(at, svg.find('"', at) - at);
        const std::size_t m = svg.find("data-map=\"", at) + 10;
        const std::string map = svg.substr(m, svg.find('"', m) - m);
        if (map != last_map) ++seen;
        last_map = map;
        if (seen != panel) continue;
        std::istringstream ms(map);
        double t0, t1, x0, x1, v0, v1, y0, y1;
        ms >> t0 >> t1 >> x0 >> x1 >> v0 >> v1 >> y0 >> y1;
        const std::size_t p = svg.find("points=\"", at) + 8;
        std::istringstream ps(svg.substr(p, svg.find('"', p) - p));
        double x, y;
        char comma;
        while (ps >> x >> comma >> y)
            out[name].push_back(
                {t0 + (x - x0) / (x1 - x0) * (t1 - t0), v0 + (y - y0) / (y1 - y0) * (v1 - v0)});
    }
    return out;
}

TEST(OverviewPlot, PlottedPointsAreTheSamplesLongitudeUnwrappedAcrossTheSeam) {
    standin::OverviewInput in;
    in.vessel = "KRV-1";
    in.target_lon = 258.0;
    const double lons[] = {250.0, 300.0, 350.0, 359.9, 0.1, 10.0};
    for (int i = 0; i < 6; ++i) {
        standin::OverviewSample s;
        s.time = 3600.0 * i;
        s.mean_lon = s.printed_mean_lon = lons[i];
        s.drift_rate = 0.1 * i;
        s.printed_drift_rate = i == 2 ? std::nan("") : 0.1 * i;  // a frame without the figure
        s.propellant = 1450.0 - i;
        s.dish_error[1] = 0.5 * i;
        s.animation[5] = i / 5.0;
        in.samples.push_back(s);
    }
    in.marks.push_back({standin::OverviewMark::Kind::burn, 3600.0, 17.6, "start burn"});
    const std::string svg = standin::overview_plot_svg(in);
    const double tol = 1e-3 * 200.0;  // a thousandth of a pixel on a 200 degree span

    auto lon = read_series(svg, 0);
    ASSERT_EQ(lon["host"].size(), 6U);
    const double expect[] = {-8.0, 42.0, 92.0, 101.9, 102.1, 112.0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(lon["host"][i].first, 3600.0 * i, 1.0);
        EXPECT_NEAR(lon["host"][i].second, expect[i], tol);
        EXPECT_NEAR(lon["HUD"][i].second, expect[i], tol);
    }
    auto drift = read_series(svg, 4);
    EXPECT_EQ(drift["HUD"].size(), 5U);
    EXPECT_NEAR(drift["host"][4].second, 0.4, 1e-3);
    auto dish = read_series(svg, 6);
    EXPECT_NEAR(dish["dish 2"][3].second, 1.5, 1e-3);
    auto anim = read_series(svg, 7);
    EXPECT_NEAR(anim["covers"][5].second, 1.0, 1e-3);
    auto tank = read_series(svg, 8);
    EXPECT_NEAR(tank["tank"][5].second, 1445.0, 1e-2);
    EXPECT_NE(svg.find("start burn"), std::string::npos);
    EXPECT_NE(svg.find("0.1\xC2\xB0 box"), std::string::npos);
    // A station's own box, measured from the target.
    in.box = standin::StationBox{260.0, 0.05};
    const std::string boxed = standin::overview_plot_svg(in);
    std::istringstream box(boxed.substr(boxed.find("data-box=\"") + 10));
    double box_lo = 0.0, box_hi = 0.0;
    box >> box_lo >> box_hi;
    EXPECT_NEAR(box_lo, 1.95, 1e-9);
    EXPECT_NEAR(box_hi, 2.05, 1e-9);
    EXPECT_NE(boxed.find("0.05\xC2\xB0 box"), std::string::npos);
    // The near panel is scaled to the kept box, not to half a degree.
    EXPECT_NE(boxed.find("within 2.15\xC2\xB0 of the target"), std::string::npos);
}

// The real module flown from its drift at 95 degrees west onto 102 west:
// the HUD tells the arrival, the dishes stay on the Earth through every
// turn, and the overview plot is drawn from the run.
TEST(OverviewPlot, RelocationOfTheRealModuleArrivesAsItsHudPrints) {
    standin::Simulation sim(
        standin::read_scenario_file(KRV_SOURCE_DIR "/data/Scenarios/krv_drifting.scn"),
        std::filesystem::path(KRV_MODULE_FILE).parent_path());
    sim.world().set_attitude_hold(true);
    auto& v = *sim.vessels()[0];
    standin::RelocationExecutor ex(sim.world(), *v.record, {600.0, 258.0, 6});
    standin::SnapshotBuilder snapshot(sim.world(), sim.session(), sim.vessels(), nullptr, {});
    standin::OverviewInput in;
    in.vessel = "KRV-1";
    in.target_lon = 258.0;
    double worst_dish = 0.0;
    double worst_attitude = 0.0;  // [rad] from the mode's attitude at the step's end
    for (int i = 0; i < 2000 && ex.phase() != standin::RelocationPhase::arrived; ++i) {
        ex.before_step();
        const double next = ex.next_event_time() - sim.world().sim_time();
        const double dt = next > 1e-9 && next < 600.0 ? next : 600.0;
        sim.step(dt);
        const auto frame = sim.hud(v, 1024, 768);
        in.samples.push_back(standin::overview_sample(snapshot.take(i + 1, dt), 0, *v.record,
                                                      frame.texts, in.target_lon));
        // The dish on the Earth's side; the other may face away.
        worst_dish = std::max(
            worst_dish, std::min(in.samples.back().dish_error[0], in.samples.back().dish_error[1]));
        worst_attitude = std::max(worst_attitude, sim.world().attitude_mode_error(*v.record));
    }
    ASSERT_EQ(ex.phase(), standin::RelocationPhase::arrived) << ex.refusal();
    for (int i = 0; i < 4; ++i) sim.step(3600.0);
    const auto last = standin::read_hud_station_figures(sim.hud(v, 1024, 768).texts, kKrvLabels);
    EXPECT_NEAR(*last.mean_lon, 258.0, 0.05);
    EXPECT_LE(std::fabs(*last.drift_rate), 0.001);
    EXPECT_LT(worst_dish, 1.0);  // degrees, through turns of up to half a circle
    EXPECT_LT(worst_attitude, 0.2 * 3.141592653589793 / 180.0);

    in.marks = standin::burn_marks(ex.burns());
    const std::string svg = standin::overview_plot_svg(in);
    std::ofstream(std::filesystem::temp_directory_path() / "krv_overview_test.svg") << svg;
    EXPECT_EQ(read_series(svg, 0)["host"].size(), in.samples.size());
    EXPECT_NE(svg.find("start burn"), std::string::npos);
    EXPECT_NE(svg.find("stop burn"), std::string::npos);
}

// A run under every force in the eclipse season, with one burn: the plot's
// shadow, delta-v, inclination and parabolas are placed from the run's own
// events and steps, as its trace has them.
TEST(OverviewPlot, ShadowBurnInclinationAndParabolasComeFromTheRun) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("krv_overview_run_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "equinox.scn") << "DATE 2024-09-20T00:00:00\nTIME 0\n"
                                          "VESSEL KRV-1 KRV\n  ELEMENTS 42164169.46 0 0 0 0 0\n"
                                          "  ATTITUDE SUN\n  PROPELLANT 0 1450\n"
                                          "  ANT 1 1.0000 0.2500 0.0000 0.0000\nEND\n";
    const krvtest::Outcome o =
        krvtest::krvsim((dir / "equinox.scn").string() +
                        " --forces all --dt 60 --until 259200 --burn 90000:5:main" + " --trace " +
                        (dir / "trace.jsonl").string() + " --svg " + dir.string() + " --summary " +
                        (dir / "summary.json").string());
    ASSERT_EQ(o.status, 0) << o.output;
    std::set<std::pair<double, double>> eclipses;
    std::map<double, nlohmann::json> steps;  // by time
    // It starts in the shadow: an exit with no entry before it.
    double entry = 0.0, burn_start = NAN, burn_end = NAN;
    std::ifstream trace(dir / "trace.jsonl");
    for (std::string line; std::getline(trace, line);) {
        const auto r = nlohmann::json::parse(line);
        const double t = r.value("t", 0.0);
        if (r["type"] == "step") steps[t] = r["vessels"][0];
        if (r["type"] == "eclipse" && r["phase"] == "entry") entry = t;
        if (r["type"] == "eclipse" && r["phase"] == "exit") eclipses.emplace(entry, t), entry = NAN;
        if (r["type"] == "burn") (r["phase"] == "start" ? burn_start : burn_end) = t;
    }
    if (!std::isnan(entry)) eclipses.emplace(entry, 259200.0);  // in the shadow at the end
    std::ifstream svg_in(dir / "overview_KRV-1.svg");
    const std::string svg((std::istreambuf_iterator<char>(svg_in)), {});
    std::ifstream summary_in(dir / "summary.json");
    const auto summary = nlohmann::json::parse(summary_in);
    fs::remove_all(dir);
    const auto at = [&](double t) -> const nlohmann::json& {
        auto it = steps.lower_bound(t - 0.5);
        EXPECT_TRUE(it != steps.end() && std::fabs(it->first - t) < 0.5) << t;
        return it->second;
    };

    // Three days at the equinox: an eclipse a day, each shaded where it was.
    ASSERT_EQ(eclipses.size(), 4U);
    std::set<std::pair<double, double>> shaded;
    for (std::size_t p = 0; (p = svg.find("data-eclipse=\"", p)) != std::string::npos;) {
        std::istringstream span(svg.substr(p += 14));
        double a, b;
        span >> a >> b;
        shaded.emplace(a, b);
    }
    EXPECT_EQ(shaded, eclipses);
    // The summary's time in the shadow counts the first spell too.
    double shadow = 0.0;
    for (const auto& [a, b] : eclipses) shadow += b - a;
    EXPECT_NEAR(summary["vessels"][0]["shadow_s"].get<double>(), shadow, 1e-6);

    // The inclination as the trace has it.
    const auto inclination = read_series(svg, 2)["host"];
    ASSERT_GT(inclination.size(), 1000U);
    for (const auto& [t, v] : inclination)
        EXPECT_NEAR(v, at(t)["inclination_deg"].get<double>(), 1e-5) << t;

    // The burn at its start with the main engine's delta-v across it.
    const auto dv = read_series(svg, 3)["delta-v"];
    ASSERT_EQ(dv.size(), 1U);
    EXPECT_NEAR(dv[0].first, burn_start, 1.0);
    const double flown = steps.lower_bound(burn_end - 0.5)->second["main_dv_m_s"].get<double>() -
                         at(burn_start)["main_dv_m_s"].get<double>();
    EXPECT_GT(flown, 0.5);
    EXPECT_NEAR(dv[0].second, flown, 1e-3 * flown);

    // A parabola on each coast, none across the burn, each within the
    // longitude's daily wobble of the points it was fitted to.
    auto lon = read_series(svg, 0);
    const auto& host = lon["host"];
    const auto& fit = lon["parabola"];
    ASSERT_EQ(fit.size(), 2U * 81U);
    for (const auto& [t, v] : fit) {
        EXPECT_FALSE(t > burn_start - 1.0 && t < burn_end + 1.0) << t;
        const auto near = std::min_element(host.begin(), host.end(), [t = t](auto& a, auto& b) {
            return std::fabs(a.first - t) < std::fabs(b.first - t);
        });
        EXPECT_NEAR(v, near->second, 0.01) << t;
    }
}

}  // namespace
