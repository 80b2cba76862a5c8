#include "standin/station/drift_acceleration.h"

#include <cmath>

#include "standin/core/standin_constants.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

// Equally spaced longitudes more than twice the highest order sum every
// tesseral term to zero, leaving the zonal pull.
constexpr int kLongitudes = 48;

}  // namespace

DriftAcceleration::DriftAcceleration(const ForceModel& forces)
    : DriftAcceleration(forces.gravity_field()) {}

DriftAcceleration::DriftAcceleration(const GravityField* field) : field_(field) {
    const double n = mean_motion();
    if (field_ == nullptr) {
        radius_ = geostationary_radius();
        osculating_a_ = radius_;
        return;
    }
    // n^2 r = g(r): g falls as 1/r^2 near enough that r = cbrt(g r^2 / n^2)
    // gains about six digits a pass.
    double r = geostationary_radius();
    for (int i = 0; i < 6; ++i) r = std::cbrt(zonal_pull(r) * r * r / (n * n));
    radius_ = r;
    const double v = n * r;
    osculating_a_ = 1.0 / (2.0 / r - v * v / kEarthMu);
}

double DriftAcceleration::mean_motion() const {
    return kTwoPi / kSiderealDay;
}

double DriftAcceleration::zonal_pull(double r) const {
    double sum = 0.0;
    for (int i = 0; i < kLongitudes; ++i) {
        const double lon = kTwoPi * i / kLongitudes;
        const VECTOR3 p{r * std::cos(lon), r * std::sin(lon), 0.0};
        const VECTOR3 a = field_->acceleration_ecef(p);
        sum -= (a.x * p.x + a.y * p.y) / r;
    }
    return sum / kLongitudes;
}

double DriftAcceleration::east_acceleration(double lon, double r) const {
    if (field_ == nullptr) return 0.0;
    const double c = std::cos(lon), s = std::sin(lon);
    const VECTOR3 a = field_->acceleration_ecef({r * c, r * s, 0.0});
    return -s * a.x + c * a.y;
}

double DriftAcceleration::longitude_acceleration(double lon) const {
    return -3.0 * east_acceleration(lon, radius_) / radius_;
}

}  // namespace standin
