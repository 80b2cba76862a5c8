// The Moon or the Sun pulling a vessel and the Earth apart: the pull on the
// vessel less the pull on the Earth's centre (the indirect term).
#pragma once

#include "standin/world/forces/force.h"
#include "standin/world/forces/sun_moon.h"

namespace standin {

class ThirdBody : public Force {
public:
    enum class Which { moon, sun };
    ThirdBody(Which which, const SunMoon& ephemeris) : which_(which), ephemeris_(ephemeris) {}
    VECTOR3 acceleration(const VECTOR3& r_m, double mjd_utc,
                         const VesselSurface& surface) const override;

private:
    Which which_;
    const SunMoon& ephemeris_;
};

}  // namespace standin
