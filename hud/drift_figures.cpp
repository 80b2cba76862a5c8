#include "hud/drift_figures.h"

#include "vessel/constants.h"

namespace krvcalc {

namespace {

using krvconst::kDegPerRad;
using krvconst::kTwoPi;

constexpr double kTargetLon = 258.0;       // [deg east] 102 deg west
constexpr double kSiderealDay = 86164.09;  // [s] a geostationary period

}  // namespace

DriftFigures drift_figures(double mean_lon, double rotation, double period,
                           double orbits_required_before) {
    DriftFigures f{};
    // Single corrections, not loops: the host's angles lie within a turn.
    if (rotation > kTwoPi) rotation -= kTwoPi;
    f.mean_lon = (mean_lon - rotation) * kDegPerRad;
    if (f.mean_lon < 0.0) f.mean_lon += 360.0;
    f.angle_east = kTargetLon - f.mean_lon;
    if (f.angle_east < 0.0) f.angle_east += 360.0;
    f.angle_west = 360.0 - f.angle_east;
    // Difference, quotient, product: another order gives other bits.
    f.drift_rate = ((kSiderealDay - period) / kSiderealDay) * 360.0;
    if (f.drift_rate > 0.0)
        f.orbits_required = f.angle_east / f.drift_rate;
    else if (f.drift_rate < 0.0)
        f.orbits_required = -(f.angle_west / f.drift_rate);
    else
        f.orbits_required = orbits_required_before;  // no drift, or no number
    return f;
}

}  // namespace krvcalc
