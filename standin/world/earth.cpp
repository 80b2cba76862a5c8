#include "standin/world/earth.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>

#include "standin/world/forces/sun_moon.h"

namespace standin {

namespace {

constexpr double kMjdZero = 2400000.5;  // [days] Julian Date of MJD 0

// The Sun's position seen from the Earth [au], with the axes of the global
// frame: ERFA's Earth ephemeris gives the Earth about the Sun with the
// celestial reference axes; the celestial-to-intermediate matrix of the
// date turns those onto the equator of the date and its origin.
VECTOR3 sun_from_earth_au(double mjd_utc) {
    const double tt = tt_from_utc(mjd_utc);
    double pvh[2][3];
    double pvb[2][3];
    eraEpv00(kMjdZero, tt, pvh, pvb);
    double rc2i[3][3];
    eraC2i06a(kMjdZero, tt, rc2i);
    double gcrs[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]};
    double cirs[3];
    eraRxp(rc2i, gcrs, cirs);
    return {cirs[0], cirs[1], cirs[2]};
}

}  // namespace

double earth_rotation_angle(double mjd) {
    return eraEra00(kMjdZero, mjd);
}

VECTOR3 sun_direction(double mjd) {
    const VECTOR3 s = sun_from_earth_au(mjd);
    const double n = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
    return {s.x / n, s.y / n, s.z / n};
}

double sun_distance(double mjd) {
    const VECTOR3 s = sun_from_earth_au(mjd);
    return std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z) * ERFA_DAU;
}

double ecliptic_obliquity(double mjd) {
    return eraObl06(kMjdZero, tt_from_utc(mjd));
}

}  // namespace standin
