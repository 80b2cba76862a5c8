// The longitude acceleration and the synchronous orbit from the gravity
// field, loosely against J2 and J22 alone.
#include "standin/station/drift_acceleration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "standin/core/standin_constants.h"
#include "standin/world/forces/gravity_model.h"

namespace {

const std::string kGravityFile = KRV_SOURCE_DIR "/data/Gravity/egm2008_deg20.gfc";

TEST(DriftAcceleration, PointMassHasTheGeostationaryRadiusAndNoAcceleration) {
    const standin::DriftAcceleration d(nullptr);
    EXPECT_DOUBLE_EQ(d.synchronous_radius(), standin::geostationary_radius());
    EXPECT_DOUBLE_EQ(d.osculating_semi_major_axis(), standin::geostationary_radius());
    EXPECT_EQ(d.longitude_acceleration(1.0), 0.0);
    const standin::ForceModel two_body;
    EXPECT_EQ(standin::DriftAcceleration(two_body).longitude_acceleration(-1.0), 0.0);
}

TEST(DriftAcceleration, FollowsJ2AndJ22) {
    const standin::GravityModel m = standin::read_gravity_file(kGravityFile, 8);
    const standin::GravityField field(m, 8);
    const standin::DriftAcceleration d(&field);
    const double a = d.synchronous_radius();
    const double ratio = m.radius_m / a;
    // J2 widens the synchronous orbit by J2 (R/a)^2 a / 2, about 0.52 km.
    const double j2 = -std::sqrt(5.0) * m.c(2, 0);
    EXPECT_NEAR(a - standin::geostationary_radius(), 0.5 * j2 * ratio * ratio * a, 60.0);
    EXPECT_GT(d.osculating_semi_major_axis(), a);

    // 18 n^2 (R/a)^2 J22 sin 2(lon - lon22), the unnormalized J22.
    const double c22 = m.c(2, 2) * std::sqrt(5.0 / 12.0);
    const double s22 = m.s(2, 2) * std::sqrt(5.0 / 12.0);
    const double j22 = std::hypot(c22, s22);
    const double lon22 = 0.5 * std::atan2(s22, c22);
    const double n = d.mean_motion();
    double largest = 0.0;
    for (int deg = -180; deg < 180; deg += 15) {
        const double lon = deg * standin::kTwoPi / 360.0;
        const double closed = 18.0 * n * n * ratio * ratio * j22 * std::sin(2.0 * (lon - lon22));
        const double got = d.longitude_acceleration(lon);
        // The higher terms add up to about a fifth of J22's at most.
        EXPECT_NEAR(got, closed, 0.3 * 18.0 * n * n * ratio * ratio * j22) << deg;
        largest = std::max(largest, std::fabs(got));
    }
    // About 0.002 deg/day^2 at most.
    const double deg_day2 = largest * standin::kDegPerRad * 86400.0 * 86400.0;
    EXPECT_GT(deg_day2, 0.0015);
    EXPECT_LT(deg_day2, 0.0025);
}

}  // namespace
