// The true motion fitted over a sidereal day of uneven samples.
#include "standin/station/true_motion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "standin/core/standin_constants.h"

namespace {

using standin::kSiderealDay;

// A longitude drifting at drift [deg/day] from lon0, swinging by swing [deg]
// once a sidereal day, and wrapped to 0..360 as a step reports it.
double sampled(double t, double lon0, double drift, double swing) {
    // The swing comes at the orbit's rate: the Earth's plus the drift.
    const double rate = standin::kTwoPi / kSiderealDay + drift / standin::kDegPerRad / 86400.0;
    const double lon = lon0 + drift * t / 86400.0 + swing * std::sin(rate * t + 0.7);
    return std::fmod(std::fmod(lon, 360.0) + 360.0, 360.0);
}

TEST(TrueMotionFit, RecoversMeanLongitudeAndDriftFromUnevenSteps) {
    struct Case {
        double lon0, drift, swing;
    };
    // Westward across 0 deg, eastward, still with a wide daily swing.
    for (const Case c : {Case{0.3, -1.0, 0.2}, Case{258.0, 0.37, 0.05}, Case{359.9, 0.0, 0.5}}) {
        SCOPED_TRACE(c.lon0);
        standin::TrueMotionFit fit;
        double t = 0.0;
        int k = 0;
        // Warped steps of 300 s, with bursts of short ones.
        while (t < 2.0 * kSiderealDay) {
            fit.add(t, sampled(t, c.lon0, c.drift, c.swing));
            if (t < kSiderealDay - 400.0) {
                EXPECT_FALSE(fit.fit());
            }
            t += (k++ % 50 < 10) ? 1.0 : 300.0;
        }
        const auto m = fit.fit();
        ASSERT_TRUE(m);
        const double mean = c.lon0 + c.drift * m->t / 86400.0;
        EXPECT_NEAR(std::remainder(m->lon_deg - mean, 360.0), 0.0, 2e-4);
        EXPECT_GE(m->lon_deg, 0.0);
        EXPECT_LT(m->lon_deg, 360.0);
        EXPECT_NEAR(m->drift_deg_day, c.drift, 2e-4);
        // Over a longer span, at its middle.
        standin::TrueMotionFit long_fit(kSiderealDay, 3.0 * kSiderealDay);
        for (double u = 0.0; u < 2.0 * kSiderealDay; u += 300.0)
            long_fit.add(u, sampled(u, c.lon0, c.drift, c.swing));
        EXPECT_FALSE(long_fit.fit_over(2.5 * kSiderealDay));
        const auto l = long_fit.fit_over(1.5 * kSiderealDay);
        ASSERT_TRUE(l);
        EXPECT_NEAR(std::remainder(l->lon_deg - (c.lon0 + c.drift * l->t / 86400.0), 360.0), 0.0,
                    2e-4);
        EXPECT_NEAR(l->drift_deg_day, c.drift, 2e-4);
    }
}

TEST(TrueMotionFit, ThrustStartsTheDayAgainAndBadSamplesAreIgnored) {
    standin::TrueMotionFit fit;
    for (double t = 0.0; t <= 1.1 * kSiderealDay; t += 300.0) fit.add(t, sampled(t, 10, 0.1, 0));
    ASSERT_TRUE(fit.fit());
    double t = 1.1 * kSiderealDay + 300.0;
    fit.add(t, sampled(t, 10.0, 0.1, 0.0), true);
    EXPECT_FALSE(fit.fit());
    fit.add(t + 300.0, std::nan(""));
    fit.add(std::nan(""), 10.0);
    for (t += 300.0; t <= 2.3 * kSiderealDay; t += 300.0) fit.add(t, sampled(t, 10.0, -0.5, 0.0));
    const auto m = fit.fit();
    ASSERT_TRUE(m);
    EXPECT_NEAR(m->drift_deg_day, -0.5, 1e-6);
}

}  // namespace
