#include "standin/world/forces/sun_moon.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>

namespace standin {

namespace {

constexpr double kMjdZero = 2400000.5;  // [days] Julian Date of MJD 0
constexpr double kNodesPerDay = 24.0;   // hourly samples
constexpr std::size_t kMostNodes = 200000;

// eraRxp takes its inputs by non-const pointer; it reads them only.
VECTOR3 turned(double m[3][3], double p[3]) {
    double out[3];
    eraRxp(m, p, out);
    return {out[0] * ERFA_DAU, out[1] * ERFA_DAU, out[2] * ERFA_DAU};
}

}  // namespace

double tt_from_utc(double mjd_utc) {
    double tai1 = 0.0, tai2 = 0.0, tt1 = 0.0, tt2 = 0.0;
    // Status 1 (a date beyond ERFA's table of leap seconds) still converts,
    // with the last known offset.
    if (eraUtctai(kMjdZero, mjd_utc, &tai1, &tai2) < 0) return mjd_utc + 69.184 / 86400.0;
    eraTaitt(tai1, tai2, &tt1, &tt2);
    return (tt1 - kMjdZero) + tt2;
}

const SunMoon::Turn& SunMoon::turn(long day) const {
    const auto found = turns_.find(day);
    if (found != turns_.end()) return found->second;
    if (turns_.size() > kMostNodes) turns_.clear();
    Turn t{};
    eraC2i06a(kMjdZero, tt_from_utc(static_cast<double>(day)), t.m);
    return turns_.emplace(day, t).first->second;
}

const SunMoon::Node& SunMoon::node(long hour) const {
    const auto found = nodes_.find(hour);
    if (found != nodes_.end()) return found->second;
    if (nodes_.size() > kMostNodes) nodes_.clear();
    const double tt = tt_from_utc(static_cast<double>(hour) / kNodesPerDay);
    // The Earth about the Sun and the Moon about the Earth, with the
    // celestial reference axes; the celestial-to-intermediate matrix turns
    // them onto the equator of the date and its origin (the global frame).
    // It is taken between its daily values: it moves by a few
    // milliarcseconds a day, smoothly.
    double pvh[2][3], pvb[2][3], moon[2][3], rc2i[3][3];
    eraEpv00(kMjdZero, tt, pvh, pvb);
    eraMoon98(kMjdZero, tt, moon);
    const long day = static_cast<long>(std::floor(static_cast<double>(hour) / kNodesPerDay));
    const double f =
        (static_cast<double>(hour) - kNodesPerDay * static_cast<double>(day)) / kNodesPerDay;
    const Turn t0 = turn(day);  // a copy: the next call may clear the cache
    const Turn& t1 = turn(day + 1);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rc2i[i][j] = (1.0 - f) * t0.m[i][j] + f * t1.m[i][j];
    double sun[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]};
    return nodes_.emplace(hour, Node{turned(rc2i, sun), turned(rc2i, moon[0])}).first->second;
}

VECTOR3 SunMoon::interpolate(double mjd_utc, bool sun) const {
    // Four-point Lagrange interpolation between hourly nodes: the Moon moves
    // half a degree an hour, the error stays under a metre.
    const double x = mjd_utc * kNodesPerDay;
    const long k = static_cast<long>(std::floor(x));
    const double u = x - static_cast<double>(k);  // 0..1 between nodes k and k + 1
    const double w[4] = {-u * (u - 1.0) * (u - 2.0) / 6.0, (u + 1.0) * (u - 1.0) * (u - 2.0) / 2.0,
                         -(u + 1.0) * u * (u - 2.0) / 2.0, (u + 1.0) * u * (u - 1.0) / 6.0};
    VECTOR3 out{0.0, 0.0, 0.0};
    for (int i = 0; i < 4; ++i) {
        const Node& n = node(k - 1 + i);
        const VECTOR3& p = sun ? n.sun : n.moon;
        out = {out.x + w[i] * p.x, out.y + w[i] * p.y, out.z + w[i] * p.z};
    }
    return out;
}

VECTOR3 SunMoon::sun_m(double mjd_utc) const {
    return interpolate(mjd_utc, true);
}

VECTOR3 SunMoon::moon_m(double mjd_utc) const {
    return interpolate(mjd_utc, false);
}

}  // namespace standin
