#include "standin/world/forces/third_body.h"

#include "standin/world/vec3.h"

namespace standin {

VECTOR3 ThirdBody::acceleration(const VECTOR3& r_m, double mjd_utc,
                                const VesselSurface& /*surface*/) const {
    const bool sun = which_ == Which::sun;
    const VECTOR3 body = sun ? ephemeris_.sun_m(mjd_utc) : ephemeris_.moon_m(mjd_utc);
    const double gm = sun ? kSunGm : kMoonGm;
    const VECTOR3 d = body - r_m;
    const double dn = norm(d), bn = norm(body);
    return gm * ((1.0 / (dn * dn * dn)) * d - (1.0 / (bn * bn * bn)) * body);
}

}  // namespace standin
