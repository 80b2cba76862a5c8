#include "standin/outputs/overview_sample.h"

#include <cmath>
#include <cstdio>

#include "standin/core/standin_constants.h"
#include "standin/outputs/hud_station_figures.h"

namespace standin {

namespace {}  // namespace

OverviewSample take_overview_sample(const OrbitalWorld& world, const VesselRecord& vessel,
                                    const std::vector<DrawnText>& hud_texts, double target_lon) {
    OverviewSample s;
    s.time = world.sim_time();
    const ORBITPARAM prm = world.orbit(vessel);
    s.mean_lon = std::fmod((prm.mean_lon - world.earth_rotation()) * kDegPerRad, 360.0);
    if (s.mean_lon < 0.0) s.mean_lon += 360.0;
    overview_truth(s.mean_lon, prm.period, target_lon, s.drift_rate, s.orbits_required);
    s.propellant = 0.0;
    for (const auto& t : vessel.tanks) s.propellant += t.mass;
    const double empty = vessel.empty_mass.value_or(0.0);
    const double ve = main_engine(vessel).exhaust_velocity;
    s.remaining_dv = empty > 0.0 ? ve * std::log(vessel.total_mass() / empty) : std::nan("");
    for (int d = 0; d < 2; ++d)
        s.dish_error[d] = world.dish_earth_angle(vessel, d + 1) * kDegPerRad;
    for (std::size_t k = 0; k < 6; ++k)
        s.animation[k] = k < vessel.animations.size() ? vessel.animations[k].state : std::nan("");
    const HudStationFigures f = read_hud_station_figures(hud_texts);
    const double none = std::nan("");
    s.printed_mean_lon = f.mean_lon.value_or(none);
    s.printed_drift_rate = f.drift_rate.value_or(none);
    s.printed_orbits_required = f.orbits_required.value_or(none);
    s.printed_remaining_dv = f.remaining_dv.value_or(none);
    return s;
}

std::vector<OverviewMark> burn_marks(const RelocationExecutor& executor) {
    std::vector<OverviewMark> marks;
    const auto& burns = executor.burns();
    marks.reserve(burns.size());
    for (std::size_t i = 0; i < burns.size(); ++i) {
        const ExecutedBurn& b = burns[i];
        char label[80];
        std::snprintf(label, sizeof label, "%s burn %.3f m/s %s", i == 0 ? "start" : "stop",
                      b.planned_dv, b.prograde ? "prograde" : "retrograde");
        marks.push_back({OverviewMark::Kind::burn, b.start, b.duration, label});
    }
    return marks;
}

}  // namespace standin
