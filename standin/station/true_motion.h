// A vessel's true motion along the geostationary arc: its mean surface
// longitude and drift, fitted over the last sidereal day of samples of the
// sub-satellite longitude. Unlike the osculating period, the fit sees what
// the orbit really does over the ground under every force (J2 widens the
// orbit that keeps pace with the Earth, the Moon and the Sun shift its
// longitude within a day).
//
// The fit is weighted least squares of the unwrapped longitude on 1, t and
// the daily harmonic (cos, sin of the sidereal angle: an eccentric orbit
// swings east and west once an orbit), each sample weighted by the time it
// stands for, so that uneven steps count by their length.
#pragma once

#include <deque>
#include <optional>

#include "standin/core/vessel_record.h"

namespace standin {

// [kg] the propellant drawn since the start by the vessel's thruster groups
// that move it (main, retro, hover and the linear attitude groups; the
// rotation groups fire in opposed pairs that only turn it): when it grows,
// the orbit was changed.
double moving_propellant_drawn(const VesselRecord& vessel);

struct TrueMotion {
    double lon_deg = 0.0;        // [deg] east, 0..360: mean surface longitude at the fit's end
    double drift_deg_day = 0.0;  // [deg per day of 86400 s] east positive
    double t = 0.0;              // [s] the fit's end: the latest sample
};

class TrueMotionFit {
public:
    // window [s]: how far back the fit reaches, and the history it needs;
    // history [s]: how far back samples are kept for fit_over (at least
    // the window).
    explicit TrueMotionFit(double window, double history = 0.0);
    TrueMotionFit();  // a sidereal day

    // A sample at time t [s] (increasing) of the sub-satellite longitude
    // [deg] east, any wrap. thrust: the vessel's thrusters changed its orbit
    // since the last sample; the history before is dropped, and the fit is
    // absent until a whole window has passed again.
    void add(double t, double lon_deg, bool thrust = false);
    void clear();

    // The fit over the last window; absent until the samples span a whole
    // window (and after thrust, until they span one again).
    std::optional<TrueMotion> fit() const;
    // [s] the time the samples kept span.
    double span() const;
    // The fit over the last `length` seconds (at most span()): the mean
    // longitude and drift at their middle, t the middle. A longer fit
    // averages out the Moon's half-monthly swing of the drift.
    std::optional<TrueMotion> fit_over(double length) const;

private:
    // Least squares over (end - length, end]: the mean longitude at the
    // middle and the drift; false when singular or too few samples.
    bool solve_over(double length, double& lon_mid, double& drift) const;
    struct Sample {
        double t, lon, weight;
    };
    double window_, history_;
    std::deque<Sample> samples_;
    double last_raw_ = 0.0;
};

}  // namespace standin
