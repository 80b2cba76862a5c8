#include "standin/snapshot/ground_track.h"

#include <cmath>

#include "standin/core/standin_constants.h"

namespace standin {

double sub_satellite_lon_deg(const VECTOR3& r, double earth_rotation) {
    double lon = std::fmod(std::atan2(r.y, r.x) - earth_rotation, kTwoPi);
    if (lon < 0.0) lon += kTwoPi;
    const double deg = lon * kDegPerRad;
    return deg >= 360.0 ? 0.0 : deg;
}

double mean_surface_lon_deg(double mean_lon, double earth_rotation) {
    const double lon = std::fmod((mean_lon - earth_rotation) * kDegPerRad, 360.0);
    return lon < 0.0 ? lon + 360.0 : lon;
}

double drift_deg_per_orbit(double period) {
    return (kSiderealDay - period) / kSiderealDay * 360.0;
}

double inclination_deg(const VECTOR3& r, const VECTOR3& v) {
    const double hx = r.y * v.z - r.z * v.y, hy = r.z * v.x - r.x * v.z, hz = r.x * v.y - r.y * v.x;
    const double h = std::sqrt(hx * hx + hy * hy + hz * hz);
    if (!(h > 0.0)) return 0.0;
    // atan2 rather than acos: exact near 0, where geostationary orbits are.
    return std::atan2(std::hypot(hx, hy), hz) * kDegPerRad;
}

}  // namespace standin
