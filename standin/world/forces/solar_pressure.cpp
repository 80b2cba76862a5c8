#include "standin/world/forces/solar_pressure.h"

#include <algorithm>
#include <cmath>

#include "standin/world/earth.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {
// M_PI's value: mingw-w64 defines M_PI only outside strict ISO C++.
constexpr double kPi = 3.14159265358979323846;
}  // namespace

double sunlit_fraction(const VECTOR3& r_m, const VECTOR3& sun_m) {
    // Apparent radii of the Sun and the Earth and the angle between their
    // centres, as seen from the vessel (Montenbruck and Gill, section 3.4.2).
    const VECTOR3 to_sun = sun_m - r_m;
    const double sun_distance = norm(to_sun), r = norm(r_m);
    const double a = std::asin(std::min(1.0, kSunRadius / sun_distance));
    const double b = std::asin(std::min(1.0, kEarthRadius / r));
    const double c = std::acos(std::clamp(-dot(r_m, to_sun) / (r * sun_distance), -1.0, 1.0));
    if (c >= a + b) return 1.0;
    if (c <= b - a) return 0.0;
    if (c <= a - b) return 1.0 - (b * b) / (a * a);  // the Earth inside the Sun's disc
    const double x = (c * c + a * a - b * b) / (2.0 * c);
    const double y = std::sqrt(std::max(0.0, a * a - x * x));
    const double hidden = a * a * std::acos(std::clamp(x / a, -1.0, 1.0)) +
                          b * b * std::acos(std::clamp((c - x) / b, -1.0, 1.0)) - c * y;
    return std::clamp(1.0 - hidden / (kPi * a * a), 0.0, 1.0);
}

double sun_facing_area(const VesselSurface& surface, const VECTOR3& to_sun_global) {
    const VECTOR3 s = unrotate(surface.attitude, unit(to_sun_global));
    const VECTOR3& cs = surface.cross_sections_m2;
    return std::fabs(s.x) * cs.x + std::fabs(s.y) * cs.y + std::fabs(s.z) * cs.z;
}

VECTOR3 SolarPressure::acceleration(const VECTOR3& r_m, double mjd_utc,
                                    const VesselSurface& surface) const {
    const VECTOR3 sun = ephemeris_.sun_m(mjd_utc);
    const double lit = sunlit_fraction(r_m, sun);
    if (lit <= 0.0 || !(surface.mass_kg > 0.0)) return {0.0, 0.0, 0.0};
    const VECTOR3 to_sun = sun - r_m;
    const double d_au = norm(to_sun) / kAstronomicalUnit;
    const double pressure = kSolarPressureAu / (d_au * d_au);  // [N/m^2]
    const double area = sun_facing_area(surface, to_sun);
    return (-lit * pressure * kReflectivity * area / surface.mass_kg) * unit(to_sun);
}

}  // namespace standin
