// The five station-keeping figures from one orbit, as plain arithmetic in
// the order that fixes their bits.
#pragma once

namespace krvcalc {

struct DriftFigures {
    double mean_lon;         // [deg east, 0..360) mean sub-satellite longitude
    double angle_east;       // [deg] eastward gap to the target longitude
    double angle_west;       // [deg] 360 - angle_east
    double drift_rate;       // [deg/orbit] positive eastward
    double orbits_required;  // [orbits] to reach the target at the present drift
};

// mean_lon [rad] and period [s] of the orbit referred to the Earth's
// equator, rotation [rad] the Earth's rotation angle. With no drift (or no
// number for it) the count stays orbits_required_before.
DriftFigures drift_figures(double mean_lon, double rotation, double period,
                           double orbits_required_before);

}  // namespace krvcalc
