// The station-keeping figures: where below the orbit the vessel stands,
// how far that is from the target longitude either way, how fast it drifts
// and how many orbits the drift needs to get there.
#include "hud/drift_figures.h"
#include "vessel/krv.h"

namespace {

constexpr int kEquatorialFrame = 1;  // orbit referred to the Earth's equator

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
    const double rotation = zapiGetPlanetCurrentRotation(earth);  // [rad]

    const krvcalc::DriftFigures f =
        krvcalc::drift_figures(params.mean_lon, rotation, params.period, orbits_required);
    mean_lon = f.mean_lon;
    angle_east = f.angle_east;
    angle_west = f.angle_west;
    drift_rate = f.drift_rate;
    orbits_required = f.orbits_required;
}
