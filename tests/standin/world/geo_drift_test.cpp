// The integrated world against the closed forms of geostationary drift:
// the longitude acceleration from the equator's ellipticity (J22), the
// stable longitudes it makes, and the inclination the Sun and the Moon
// build up in a year.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "standin/core/standin_constants.h"
#include "standin/core/vessel_record.h"
#include "standin/world/earth.h"
#include "standin/world/forces/gravity_model.h"
#include "standin/world/orbital_world.h"
#include "standin/world/vec3.h"

namespace {

using namespace standin;

constexpr double kMjd = 60476.0;  // 2024-06-15
const std::string kGravityFile = KRV_SOURCE_DIR "/data/Gravity/egm2008_deg20.gfc";
constexpr double kDeg = kTwoPi / 360.0;

struct Flight {
    OrbitalWorld world{kMjd};
    VesselRecord rec;
    Flight(const char* forces, double lon_deg) {
        rec.name = "V";
        rec.empty_mass = 3100.0;
        world.vessel_added(rec);
        world.place(rec, world.geostationary(lon_deg * kDeg));
        world.set_forces(ForceModel(parse_forces(forces), kGravityFile));
    }
    double surface_lon() {
        const StateVector s = world.state(rec);
        return std::atan2(s.r.y, s.r.x) - world.earth_rotation();
    }
    // The mean surface longitude [rad] of each sidereal day, unwrapped.
    std::vector<double> daily_means(int days) {
        std::vector<double> out;
        double last = surface_lon();
        double turns = 0.0;
        const int per_day = 1436;  // 60 s steps: 86160 s
        for (int d = 0; d < days; ++d) {
            double sum = 0.0;
            for (int i = 0; i < per_day; ++i) {
                world.advance(60.0);
                double lon = surface_lon() + turns;
                while (lon - last > kTwoPi / 2) lon -= kTwoPi, turns -= kTwoPi;
                while (lon - last < -kTwoPi / 2) lon += kTwoPi, turns += kTwoPi;
                last = lon;
                sum += lon;
            }
            out.push_back(sum / per_day);
        }
        return out;
    }
};

// Least squares of y = c0 + c1 x + c2 x^2; returns {c0, c1, c2}.
std::vector<double> quadratic_fit(const std::vector<double>& y) {
    double s[5] = {}, t[3] = {};
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double x = static_cast<double>(i);
        double p = 1.0;
        for (double& k : s) k += p, p *= x;
        t[0] += y[i], t[1] += x * y[i], t[2] += x * x * y[i];
    }
    // Cramer's rule on the normal equations.
    auto det = [](double a, double b, double c, double d, double e, double f, double g, double h,
                  double i) {
        return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    };
    const double d0 = det(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    return {det(t[0], s[1], s[2], t[1], s[2], s[3], t[2], s[3], s[4]) / d0,
            det(s[0], t[0], s[2], s[1], t[1], s[3], s[2], t[2], s[4]) / d0,
            det(s[0], s[1], t[0], s[1], s[2], t[1], s[2], s[3], t[2]) / d0};
}

TEST(GeostationaryDrift, TheEquatorsEllipticityAcceleratesTheLongitudeAsTheClosedFormSays) {
    // d2lon/dt2 = 18 n^2 (R/a)^2 J22 sin 2(lon - lon22), the tangential pull
    // of the degree-2 sectoral term through Gauss's equation for the
    // semi-major axis. Tolerance 3%: the closed form holds for the mean
    // longitude, which moves a few degrees in the 40 days fitted.
    const GravityModel g = read_gravity_file(kGravityFile, 2);
    const double c22 = g.c(2, 2) * std::sqrt(5.0 / 12.0), s22 = g.s(2, 2) * std::sqrt(5.0 / 12.0);
    const double j22 = std::hypot(c22, s22), lon22 = 0.5 * std::atan2(s22, c22);
    const double n = kTwoPi / kSiderealDay, a = std::cbrt(kEarthMu / (n * n));
    const double day = kSiderealDay - 4.0;  // the daily means are 86160 s apart
    std::vector<double> lon_accel;
    for (double lon : {-75.0, -30.0, -100.0, -110.0}) {
        Flight f("gravity:2", lon);
        const auto c = quadratic_fit(f.daily_means(40));
        const double accel = 2.0 * c[2] / (day * day);  // [rad/s^2]
        const double mid = c[0] + c[1] * 19.5 + c[2] * 19.5 * 19.5;
        const double expected =
            18.0 * n * n * std::pow(g.radius_m / a, 2) * j22 * std::sin(2.0 * (mid - lon22));
        if (std::fabs(lon + 105.0) > 10.0) {
            EXPECT_NEAR(accel, expected, 0.03 * std::fabs(expected)) << lon;
        }
        lon_accel.push_back(accel);
    }
    // The stable longitude near 105 W (lon22 - 90 degrees = 104.9 W): the
    // longitude is pulled back toward it from either side.
    EXPECT_NEAR(lon22 / kDeg - 90.0, -104.9, 0.05);
    EXPECT_LT(lon_accel[2], 0.0);
    EXPECT_GT(lon_accel[3], 0.0);
}

TEST(GeostationaryDrift, TheSunAndTheMoonTiltTheOrbitByAboutADegreeAYear) {
    // The standard growth from i = 0 is 0.75 to 0.95 degrees a year across
    // the Moon's 18.6-year cycle, highest near the lunar standstill of
    // 2024-25; a year from 2024-06-15 must lie near the top of that range.
    Flight f("gravity:8,moon,sun", -75.0);
    for (int i = 0; i < 365 * 144; ++i) f.world.advance(600.0);
    const StateVector s = f.world.state(f.rec);
    const VECTOR3 h = cross(s.r, s.v);
    const double inclination = std::acos(h.z / norm(h)) / kDeg;
    EXPECT_GT(inclination, 0.85);
    EXPECT_LT(inclination, 1.0);
}

}  // namespace
