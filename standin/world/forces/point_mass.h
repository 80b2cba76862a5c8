// The Earth as a point mass: the two-body world's only force.
#pragma once

#include <cmath>

#include "standin/world/forces/force.h"

namespace standin {

class PointMass : public Force {
public:
    explicit PointMass(double gm_m3_s2) : gm_m3_s2_(gm_m3_s2) {}
    VECTOR3 acceleration(const VECTOR3& r_m, double /*mjd_utc*/,
                         const VesselSurface& /*surface*/) const override {
        const double r = std::sqrt(r_m.x * r_m.x + r_m.y * r_m.y + r_m.z * r_m.z);
        const double k = -gm_m3_s2_ / (r * r * r);
        return {k * r_m.x, k * r_m.y, k * r_m.z};
    }

private:
    double gm_m3_s2_;
};

}  // namespace standin
