// The station-keeping figures: where below the orbit the vessel stands,
// how far that is from the target longitude either way, how fast it drifts
// and how many orbits the drift needs to get there.
#include "vessel/krv.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;  // [rad]
constexpr double kDegPerRad = 57.29577951308232;
constexpr double kTargetLon = 258.0;       // [deg east] 102 deg west
constexpr double kSiderealDay = 86164.09;  // [s] a geostationary period
constexpr int kEquatorialFrame = 1;        // orbit referred to the Earth's equator

}  // namespace

void krv::UpdateDrift() {
    char earth_name[] = "Earth";
    const OBJHANDLE earth = zapiGetObjectByName(earth_name);
    // Without the Earth or its orbit the figures would come from undefined
    // records: keep the previous ones.
    if (earth == nullptr) return;
    const double mjd = zapiGetSimMJD();
    ELEMENTS elements{};
    ORBITPARAM params{};
    if (!GetElements(earth, elements, &params, mjd, kEquatorialFrame)) return;
    double rotation = zapiGetPlanetCurrentRotation(earth);  // [rad]

    const double mean_lon_rad = params.mean_lon;
    const double period = params.period;  // [s]

    // Single corrections, not loops: the host's angles lie within a turn.
    if (rotation > kTwoPi) rotation -= kTwoPi;
    mean_lon = (mean_lon_rad - rotation) * kDegPerRad;
    if (mean_lon < 0.0) mean_lon += 360.0;
    angle_east = kTargetLon - mean_lon;
    if (angle_east < 0.0) angle_east += 360.0;
    angle_west = 360.0 - angle_east;
    drift_rate = ((kSiderealDay - period) / kSiderealDay) * 360.0;
    if (drift_rate > 0.0)
        orbits_required = angle_east / drift_rate;
    else if (drift_rate < 0.0)
        orbits_required = -(angle_west / drift_rate);
    // No drift (or no number): the previous count stands.
}
