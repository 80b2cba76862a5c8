// One SVG per vessel that tells a station-keeping run at a glance: the
// longitude relative to the target with the station's box and a parabola
// fitted between manoeuvres, the inclination, each burn's delta-v, the drift
// figures as the module printed them beside the host's own, the dishes'
// pointing, the mechanisms, propellant and remaining delta-v, with keys,
// burns and the Earth's shadow marked on every panel.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// One moment of a run. Printed figures the HUD did not show are NaN.
struct OverviewSample {
    double time = 0.0;  // [s]
    // The host's truth, from the orbit.
    double mean_lon = 0.0;         // [deg] east, 0..360
    double drift_rate = 0.0;       // [deg per orbit] east positive
    double orbits_required = 0.0;  // [orbits] at the present drift, toward the target
    double remaining_dv = 0.0;     // [m/s]
    double propellant = 0.0;       // [kg]
    double inclination = NAN;      // [deg] to the Earth's equator of the date
    // As the module printed them on its HUD.
    double printed_mean_lon = 0.0;         // [deg] east, 0..360
    double printed_drift_rate = 0.0;       // [deg per orbit] east positive
    double printed_orbits_required = 0.0;  // [orbits]
    double printed_remaining_dv = 0.0;     // [m/s]
    double dish_error[2] = {0.0, 0.0};     // [deg] boresight to the Earth's centre
    double animation[6] = {};              // states 0..1, in the rig's order
};

struct OverviewMark {
    enum class Kind { key, burn };
    Kind kind = Kind::key;
    double time = 0.0;      // [s]
    double duration = 0.0;  // [s] burns
    std::string label;      // "G", "K", "start burn 2.84 m/s", ...
    double dv = NAN;        // [m/s] burns: as flown; NaN: not known
};

// A station's longitude box: lon_deg +- halfwidth_deg.
struct StationBox {
    double lon_deg = 0.0;        // [deg] east
    double halfwidth_deg = 0.1;  // [deg]
};

// A stretch of the run the vessel spent in the Earth's shadow (penumbra).
struct OverviewSpan {
    double start = 0.0, end = 0.0;  // [s]
};

struct OverviewInput {
    std::string vessel;
    double target_lon = NAN;  // [deg] east; NaN: none (the vessel has no station)
    // The box drawn; none: +-0.1 degree about the target, if there is one.
    std::optional<StationBox> box;
    std::vector<OverviewSample> samples;
    std::vector<OverviewMark> marks;
    std::vector<OverviewSpan> eclipses;
};

// Each series is a polyline carrying data-series (its name) and data-map
// "t0 t1 x0 x1 v0 v1 y0 y1": time t0..t1 [s] maps to x0..x1 and value
// v0..v1 to y0..y1 [px], so that the points read back as the data: the
// longitude's fitted parabolas are series "parabola", the burns' delta-v a
// series "delta-v" (one point per burn, drawn as stems). Eclipses are rects
// with data-eclipse "start end" [s]; the box a rect with data-box
// "lo hi" [deg from the target].
std::string overview_plot_svg(const OverviewInput& input);

// The host's truth about drift and orbits required, as the module computes
// its figures, from a mean longitude and period.
void overview_truth(double mean_lon_deg, double period, double target_lon, double& drift_rate,
                    double& orbits_required);

}  // namespace standin
