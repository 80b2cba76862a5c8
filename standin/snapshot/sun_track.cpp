#include "standin/snapshot/sun_track.h"

#include <cmath>

#include "standin/world/earth.h"

namespace standin {

namespace {

constexpr double kSpanDays = 1.0 / 24.0;

VECTOR3 sun_at(double mjd) {
    const VECTOR3 d = sun_direction(mjd);
    const double r = sun_distance(mjd);
    return {d.x * r, d.y * r, d.z * r};
}

}  // namespace

VECTOR3 SunTrack::position(double mjd) {
    const double from = std::floor(mjd / kSpanDays) * kSpanDays;
    if (from != from_mjd_) {
        from_mjd_ = from;
        from_ = sun_at(from);
        to_ = sun_at(from + kSpanDays);
    }
    const double f = (mjd - from) / kSpanDays;
    return {from_.x + f * (to_.x - from_.x), from_.y + f * (to_.y - from_.y),
            from_.z + f * (to_.z - from_.z)};
}

}  // namespace standin
