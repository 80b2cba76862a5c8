#include "standin/station/true_motion.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "standin/core/standin_constants.h"

namespace standin {

namespace {

// Samples closer than this [s] to the last kept one are skipped: a day of
// one-second steps would otherwise make each fit slow for nothing.
constexpr double kMinSpacing = 60.0;
// [s] slack on the window's span, for times summed from steps.
constexpr double kSpanSlack = 1e-3;
// [s] the unit of the fit's time, so that the drift comes out per day.
constexpr double kSecondsPerDayFit = 86400.0;

using Row = std::array<double, 4>;

// Solves the 4x4 symmetric system by Gaussian elimination with partial
// pivoting; false when it is singular.
bool solve(std::array<Row, 4> m, Row& b) {
    for (int c = 0; c < 4; ++c) {
        int p = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[p][c])) p = r;
        if (!(std::fabs(m[p][c]) > 0.0)) return false;
        std::swap(m[c], m[p]);
        std::swap(b[c], b[p]);
        for (int r = c + 1; r < 4; ++r) {
            const double f = m[r][c] / m[c][c];
            for (int k = c; k < 4; ++k) m[r][k] -= f * m[c][k];
            b[r] -= f * b[c];
        }
    }
    for (int c = 3; c >= 0; --c) {
        double s = b[c];
        for (int k = c + 1; k < 4; ++k) s -= m[c][k] * b[k];
        b[c] = s / m[c][c];
    }
    return true;
}

}  // namespace

double moving_propellant_drawn(const VesselRecord& vessel) {
    double drawn = 0.0;
    for (const auto& g : vessel.groups) {
        const bool moves = g.type == THGROUP_MAIN || g.type == THGROUP_RETRO ||
                           g.type == THGROUP_HOVER ||
                           (g.type >= THGROUP_ATT_RIGHT && g.type <= THGROUP_ATT_BACK);
        if (!moves) continue;
        for (const Thruster* t : g.thrusters) drawn += t->drawn_kg;
    }
    return drawn;
}

TrueMotionFit::TrueMotionFit(double window, double history)
    : window_(window), history_(std::max(window, history)) {}

TrueMotionFit::TrueMotionFit() : TrueMotionFit(kSiderealDay) {}

void TrueMotionFit::clear() {
    samples_.clear();
}

void TrueMotionFit::add(double t, double lon_deg, bool thrust) {
    if (!std::isfinite(t) || !std::isfinite(lon_deg)) return;
    if (thrust) samples_.clear();
    if (samples_.empty()) {
        samples_.push_back({t, lon_deg, 0.0});
        last_raw_ = lon_deg;
        return;
    }
    const Sample& last = samples_.back();
    if (t - last.t < kMinSpacing) return;
    // Unwrapped: the step to the nearest turn (a sample a quarter turn
    // away would be another vessel's speed, not a geostationary one's).
    const double lon = last.lon + std::remainder(lon_deg - last_raw_, 360.0);
    last_raw_ = lon_deg;
    samples_.push_back({t, lon, t - last.t});
    // Keep one sample at or before the window's start: the span is whole.
    while (samples_.size() > 2 && samples_[1].t <= t - history_) samples_.pop_front();
}

double TrueMotionFit::span() const {
    return samples_.empty() ? 0.0 : samples_.back().t - samples_.front().t;
}

bool TrueMotionFit::solve_over(double length, double& lon_mid, double& drift) const {
    if (samples_.size() < 8 || span() < length - kSpanSlack) return false;
    const double end = samples_.back().t;
    const double start = end - length;
    const double mid = end - length / 2.0;
    // The daily swing comes at the orbit's own rate, the Earth's plus the
    // drift: fitted once at the Earth's, then again at the rate found.
    double w = kTwoPi / kSiderealDay;
    Row b{};
    for (int pass = 0; pass < 2; ++pass) {
        std::array<Row, 4> m{};
        b = Row{};
        // From the latest back to the span's start.
        for (std::size_t i = samples_.size() - 1; i >= 1; --i) {
            const Sample& s = samples_[i];
            // The first sample inside the span stands only for its part of it.
            const double weight = std::min(s.weight, s.t - start);
            if (weight <= 0.0) break;
            const double tau = (s.t - mid) / kSecondsPerDayFit;
            const Row x{1.0, tau, std::cos(w * (s.t - mid)), std::sin(w * (s.t - mid))};
            for (int r = 0; r < 4; ++r) {
                for (int c = 0; c < 4; ++c) m[r][c] += weight * x[r] * x[c];
                b[r] += weight * x[r] * s.lon;
            }
        }
        if (!solve(m, b)) return false;
        w = kTwoPi / kSiderealDay + b[1] / kDegPerRad / kSecondsPerDayFit;
    }
    lon_mid = b[0];
    drift = b[1];
    return true;
}

namespace {

double wrap360(double deg) {
    const double lon = std::fmod(deg, 360.0);
    const double w = lon < 0.0 ? lon + 360.0 : lon;
    return w >= 360.0 ? 0.0 : w;
}

}  // namespace

std::optional<TrueMotion> TrueMotionFit::fit() const {
    double lon = 0.0, drift = 0.0;
    if (!solve_over(window_, lon, drift)) return std::nullopt;
    TrueMotion out;
    out.t = samples_.back().t;
    out.drift_deg_day = drift;
    out.lon_deg = wrap360(lon + drift * (window_ / 2.0) / kSecondsPerDayFit);
    return out;
}

std::optional<TrueMotion> TrueMotionFit::fit_over(double length) const {
    double lon = 0.0, drift = 0.0;
    if (!(length > 0.0) || !solve_over(length, lon, drift)) return std::nullopt;
    return TrueMotion{wrap360(lon), drift, samples_.back().t - length / 2.0};
}

}  // namespace standin
