// One force on a vessel: its acceleration at a position and a date. The
// world sums the forces it was given and integrates the sum.
#pragma once

#include "host/types.h"
#include "standin/world/quaternion.h"

namespace standin {

// What a force may ask of the vessel besides its position.
struct VesselSurface {
    Quaternion attitude;                       // vessel frame to global frame
    VECTOR3 cross_sections_m2{0.0, 0.0, 0.0};  // projected areas along the vessel axes
    double mass_kg = 1.0;
};

class Force {
public:
    virtual ~Force() = default;
    // [m/s^2] global frame, at r_m (global frame, from the Earth's centre)
    // and the UTC date mjd_utc.
    virtual VECTOR3 acceleration(const VECTOR3& r_m, double mjd_utc,
                                 const VesselSurface& surface) const = 0;
};

}  // namespace standin
