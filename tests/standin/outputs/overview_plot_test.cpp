// The overview plot and the HUD figures it reads back from the module.
#include "standin/outputs/overview_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "standin/outputs/hud_station_figures.h"
#include "standin/outputs/overview_recorder.h"
#include "standin/run/simulation.h"
#include "standin/scenario/scenario_file.h"
#include "standin/snapshot/snapshot_builder.h"
#include "standin/station/relocation_executor.h"

namespace {

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
         drawn("Drift Rate 0.154\xB0W per orbit"), drawn("Orbits Required 45.503")});
    EXPECT_DOUBLE_EQ(*f.remaining_dv, 1765.76);
    EXPECT_DOUBLE_EQ(*f.mean_lon, 360.0 - 95.01);
    EXPECT_DOUBLE_EQ(*f.angle_east, 353.01);
    EXPECT_DOUBLE_EQ(*f.angle_west, 6.99);
    EXPECT_DOUBLE_EQ(*f.drift_rate, -0.154);
    EXPECT_DOUBLE_EQ(*f.orbits_required, 45.503);

    f = standin::read_hud_station_figures({drawn("KRV Mean Surface Longitude 179.99\xB0"
                                                 "E"),
                                           drawn("Drift Rate 1.000\xB0"
                                                 "E per orbit")});
    EXPECT_DOUBLE_EQ(*f.mean_lon, 179.99);
    EXPECT_DOUBLE_EQ(*f.drift_rate, 1.0);
    EXPECT_FALSE(f.orbits_required);
    // A UTF-8 degree sign, a missing unit or trailing text is not the module's line.
    f = standin::read_hud_station_figures(
        {drawn("Drift Rate 0.154\xC2\xB0W per orbit"), drawn("Remaining dV = 12.00"),
         drawn("Orbits Required 4.000x"), drawn("Orbits Required  4.000"),
         drawn("Angle to Target Longitude 1.00\xB0"
               "E (2.00\xB0W")});
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
    const auto f = standin::read_hud_station_figures(frame.texts);
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
    auto drift = read_series(svg, 2);
    EXPECT_EQ(drift["HUD"].size(), 5U);
    EXPECT_NEAR(drift["host"][4].second, 0.4, 1e-3);
    auto dish = read_series(svg, 4);
    EXPECT_NEAR(dish["dish 2"][3].second, 1.5, 1e-3);
    auto anim = read_series(svg, 5);
    EXPECT_NEAR(anim["covers"][5].second, 1.0, 1e-3);
    auto tank = read_series(svg, 6);
    EXPECT_NEAR(tank["tank"][5].second, 1445.0, 1e-2);
    EXPECT_NE(svg.find("start burn"), std::string::npos);
    EXPECT_NE(svg.find("0.1\xC2\xB0 box"), std::string::npos);
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
    const auto last = standin::read_hud_station_figures(sim.hud(v, 1024, 768).texts);
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

}  // namespace
