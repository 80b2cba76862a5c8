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

double DriftAcceleration::acceleration_deg_day2(double lon_deg) const {
    constexpr double kDay = 86400.0;
    return longitude_acceleration(lon_deg / kDegPerRad) * kDegPerRad * kDay * kDay;
}

ArcMotion coast_along_arc(const DriftAcceleration& drift, ArcMotion from, double duration) {
    constexpr double kDay = 86400.0;
    constexpr double kLongestStep = 3600.0;  // [s]
    if (!(duration > 0.0) || !std::isfinite(duration)) return from;
    const int steps = static_cast<int>(std::ceil(duration / kLongestStep));
    const double h = duration / steps / kDay;  // [days]
    double x = from.lon_deg, v = from.drift_deg_day;
    for (int i = 0; i < steps; ++i) {
        const double a1 = drift.acceleration_deg_day2(x);
        const double a2 = drift.acceleration_deg_day2(x + 0.5 * h * v);
        const double a3 = drift.acceleration_deg_day2(x + 0.5 * h * v + 0.25 * h * h * a1);
        const double a4 = drift.acceleration_deg_day2(x + h * v + 0.5 * h * h * a2);
        x += h * v + h * h * (a1 + a2 + a3) / 6.0;
        v += h * (a1 + 2.0 * a2 + 2.0 * a3 + a4) / 6.0;
    }
    return {x, v};
}

}  // namespace standin
