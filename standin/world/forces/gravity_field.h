// The Earth's gravity field to a degree and order, from a spherical-harmonic
// model, evaluated in the Earth-fixed frame: the global frame turned by the
// Earth rotation angle about its z axis (polar motion neglected).
#pragma once

#include <vector>

#include "standin/world/forces/force.h"
#include "standin/world/forces/gravity_model.h"

namespace standin {

class GravityField : public Force {
public:
    // degree: 0 (the central term alone) up to the model's max_degree.
    GravityField(const GravityModel& model, int degree);
    VECTOR3 acceleration(const VECTOR3& r_m, double mjd_utc,
                         const VesselSurface& surface) const override;
    // [m/s^2] in the Earth-fixed frame at r_m_ecef.
    VECTOR3 acceleration_ecef(const VECTOR3& r_m_ecef) const;
    int degree() const { return degree_; }

private:
    int degree_;
    double gm_m3_s2_, radius_m_;
    // Unnormalized coefficients, index n * (n + 1) / 2 + m.
    std::vector<double> c_, s_;
};

}  // namespace standin
