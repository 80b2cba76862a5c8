#include "standin/core/orbit_answers.h"

namespace standin {

void record_orbit(const Recorded& call, const ELEMENTS& el, const ORBITPARAM* prm) {
    call.answer("el.semi_major_axis", el.semi_major_axis);
    call.answer("el.eccentricity", el.eccentricity);
    call.answer("el.inclination", el.inclination);
    call.answer("el.ascending_node", el.ascending_node);
    call.answer("el.periapsis_lon", el.periapsis_lon);
    call.answer("el.mean_lon_epoch", el.mean_lon_epoch);
    if (prm == nullptr) return;
    call.answer("prm.semi_minor_axis", prm->semi_minor_axis);
    call.answer("prm.periapsis_dist", prm->periapsis_dist);
    call.answer("prm.apoapsis_dist", prm->apoapsis_dist);
    call.answer("prm.mean_anomaly", prm->mean_anomaly);
    call.answer("prm.true_anomaly", prm->true_anomaly);
    call.answer("prm.eccentric_anomaly", prm->eccentric_anomaly);
    call.answer("prm.mean_lon", prm->mean_lon);
    call.answer("prm.true_lon", prm->true_lon);
    call.answer("prm.period", prm->period);
    call.answer("prm.time_to_periapsis", prm->time_to_periapsis);
    call.answer("prm.time_to_apoapsis", prm->time_to_apoapsis);
}

}  // namespace standin
