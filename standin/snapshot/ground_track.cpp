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

}  // namespace standin
