// Sunlight's push on the vessel's Sun-facing area, dimmed in the Earth's
// shadow (a conical umbra and penumbra about a spherical Earth).
#pragma once

#include "standin/world/forces/force.h"
#include "standin/world/forces/sun_moon.h"

namespace standin {

// Solar radiation pressure at 1 au [N/m^2] on a perfect absorber.
constexpr double kSolarPressureAu = 4.56e-6;
// The reflectivity coefficient: 1 absorbs all, 2 mirrors all back; 1.3 is
// usual for a satellite body with solar panels.
constexpr double kReflectivity = 1.3;

// The fraction of the Sun's disc seen from r_m (both global frame, from the
// Earth's centre): 1 in sunlight, 0 in the umbra, between in the penumbra.
double sunlit_fraction(const VECTOR3& r_m, const VECTOR3& sun_m);

// The area the vessel turns to the Sun [m^2]: each declared cross-section
// (along the vessel's x, y, z axes) weighted by how squarely it faces the Sun.
double sun_facing_area(const VesselSurface& surface, const VECTOR3& to_sun_global);

class SolarPressure : public Force {
public:
    explicit SolarPressure(const SunMoon& ephemeris) : ephemeris_(ephemeris) {}
    VECTOR3 acceleration(const VECTOR3& r_m, double mjd_utc,
                         const VesselSurface& surface) const override;

private:
    const SunMoon& ephemeris_;
};

}  // namespace standin
