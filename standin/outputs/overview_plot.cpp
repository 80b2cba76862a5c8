#include "standin/outputs/overview_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "standin/core/standin_constants.h"
#include "standin/outputs/svg_text.h"

namespace standin {

namespace {

constexpr int kWidth = 1100;
constexpr int kPanelHeight = 170;
constexpr int kLeft = 100, kRight = 180, kTop = 70, kGap = 62;
constexpr double kBoxHalfWidth = 0.1;  // [deg] the station's longitude box
// [deg] the second longitude panel shows only this close to the target,
// where the box is large enough to see.
constexpr double kNearHalfWidth = 0.5;
// Orbits required grow without bound as the drift stops; the axis ends here.
constexpr double kOrbitsAxisCap = 200.0;
constexpr const char* kDeg = "\xC2\xB0";  // UTF-8

double wrap180(double deg) {
    return std::remainder(deg, 360.0);
}

struct Series {
    std::string name;
    const char* colour;
    std::vector<double> value;  // per sample; NaN: no point
    const char* dash = nullptr;
};

struct Axis {
    double lo, hi;
    double to_px(double v, double px_lo, double px_hi) const {
        return px_lo + (v - lo) / (hi - lo) * (px_hi - px_lo);
    }
};

Axis padded(double lo, double hi) {
    if (!(hi - lo > 1e-9)) {
        const double m = std::max(1e-3, std::fabs(lo) * 1e-3);
        return {lo - m, hi + m};
    }
    const double m = 0.08 * (hi - lo);
    return {lo - m, hi + m};
}

double nice_step(double span) {
    const double raw = span / 5.0;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (raw <= f * mag) return f * mag;
    return 10.0 * mag;
}

std::string fmt(const char* format, double a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a);
    return buf;
}

void text(std::string& out, double x, double y, const char* anchor, const std::string& s,
          const char* fill = "#C8D0D8", int size = 13) {
    out += "<text x=\"" + fmt("%.1f", x) + "\" y=\"" + fmt("%.1f", y) + "\" text-anchor=\"" +
           anchor + "\" fill=\"" + fill + "\" font-size=\"" + std::to_string(size) + "\">" +
           xml_escaped(s) + "</text>\n";
}

void line(std::string& out, double x1, double y1, double x2, double y2, const std::string& style) {
    out += "<line x1=\"" + fmt("%.1f", x1) + "\" y1=\"" + fmt("%.1f", y1) + "\" x2=\"" +
           fmt("%.1f", x2) + "\" y2=\"" + fmt("%.1f", y2) + "\" " + style + "/>\n";
}

struct TimeAxis {
    Axis axis;
    double scale;  // [s] per unit shown
    const char* unit;
};

class Plot {
public:
    Plot(const OverviewInput& in, const TimeAxis& t) : in_(in), t_(t) {}

    // A panel: frame, grid, marks, optional band, the series, the legend.
    void panel(const std::string& title, const std::vector<Series>& series, double cap_hi,
               const double* band_lo = nullptr, const double* band_hi = nullptr,
               const char* band_label = nullptr) {
        const double top = kTop + panels_ * (kPanelHeight + kGap);
        ++panels_;
        const double left = kLeft, right = kWidth - kRight, bottom = top + kPanelHeight;
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const auto& s : series)
            for (double v : s.value)
                if (std::isfinite(v)) {
                    lo = std::min(lo, std::min(v, cap_hi));
                    hi = std::max(hi, std::min(v, cap_hi));
                }
        if (band_lo != nullptr) {
            lo = std::min(lo, *band_lo);
            hi = std::max(hi, *band_hi);
        }
        if (!std::isfinite(lo)) lo = hi = 0.0;
        const Axis ay = padded(lo, hi);
        out_ += "<rect x=\"" + fmt("%.0f", left) + "\" y=\"" + fmt("%.0f", top) + "\" width=\"" +
                fmt("%.0f", right - left) + "\" height=\"" + std::to_string(kPanelHeight) +
                "\" fill=\"#111820\" stroke=\"#3A4652\"/>\n";
        text(out_, left, top - 10, "start", title, "#E8EEF4", 14);
        const double ys = nice_step(ay.hi - ay.lo);
        for (double v = std::ceil(ay.lo / ys) * ys; v <= ay.hi; v += ys) {
            const double py = ay.to_px(v, bottom, top);
            line(out_, left, py, right, py, "stroke=\"#24303B\"");
            text(out_, left - 8, py + 4, "end", fmt("%g", std::fabs(v) < ys * 1e-6 ? 0.0 : v));
        }
        const double xs = nice_step((t_.axis.hi - t_.axis.lo) / t_.scale) * t_.scale;
        for (double v = std::ceil(t_.axis.lo / xs) * xs; v <= t_.axis.hi; v += xs) {
            const double px = t_.axis.to_px(v, left, right);
            line(out_, px, top, px, bottom, "stroke=\"#24303B\"");
            text(out_, px, bottom + 16, "middle", fmt("%g", v / t_.scale));
        }
        text(out_, right, bottom + 32, "end", std::string("time [") + t_.unit + "]");
        if (band_lo != nullptr) {
            const double y1 = ay.to_px(*band_hi, bottom, top), y0 = ay.to_px(*band_lo, bottom, top);
            out_ += "<rect x=\"" + fmt("%.1f", left) + "\" y=\"" + fmt("%.2f", y1) + "\" width=\"" +
                    fmt("%.1f", right - left) + "\" height=\"" +
                    fmt("%.2f", std::max(1.0, y0 - y1)) +
                    "\" fill=\"#FF6B6B\" fill-opacity=\"0.25\" stroke=\"#FF6B6B\"/>\n";
            text(out_, right + 8, y1 + 4, "start", band_label, "#FF8C8C", 12);
        }
        int burn = 0;
        for (const auto& m : in_.marks) {
            const double x0 = t_.axis.to_px(m.time, left, right);
            // Labels on the top panel only, inward from the nearer edge.
            const bool labelled = panels_ == 1;
            const bool right_half = x0 > (left + right) / 2;
            const double lx = right_half ? x0 - 6 : x0 + 6;
            const char* anchor = right_half ? "end" : "start";
            if (m.kind == OverviewMark::Kind::burn) {
                const double x1 = t_.axis.to_px(m.time + m.duration, left, right);
                out_ += "<rect x=\"" + fmt("%.1f", x0 - 1.5) + "\" y=\"" + fmt("%.0f", top) +
                        "\" width=\"" + fmt("%.1f", std::max(3.0, x1 - x0)) + "\" height=\"" +
                        std::to_string(kPanelHeight) +
                        "\" fill=\"#FFB347\" fill-opacity=\"0.5\"/>\n";
                if (labelled)
                    text(out_, lx, top + 16 + 14 * (burn % 2), anchor, m.label, "#FFB347", 11);
                ++burn;
            } else {
                line(out_, x0, top, x0, bottom,
                     "stroke=\"#8AB4FF\" stroke-dasharray=\"4 4\" stroke-width=\"1.5\"");
                if (labelled) text(out_, lx, bottom - 6, anchor, m.label, "#8AB4FF", 11);
            }
        }
        const std::string map = fmt("%.17g", t_.axis.lo) + " " + fmt("%.17g", t_.axis.hi) + " " +
                                fmt("%.17g", left) + " " + fmt("%.17g", right) + " " +
                                fmt("%.17g", ay.lo) + " " + fmt("%.17g", ay.hi) + " " +
                                fmt("%.17g", bottom) + " " + fmt("%.17g", top);
        int row = 0;
        for (const auto& s : series) {
            std::string points;
            for (std::size_t i = 0; i < s.value.size(); ++i) {
                if (!std::isfinite(s.value[i])) continue;
                const double x = t_.axis.to_px(in_.samples[i].time, left, right);
                const double y = ay.to_px(std::min(s.value[i], cap_hi), bottom, top);
                points += fmt("%.3f", x) + "," + fmt("%.3f", y) + " ";
            }
            out_ += "<polyline data-series=\"" + xml_escaped(s.name) + "\" data-map=\"" + map +
                    "\" fill=\"none\" stroke=\"" + s.colour + "\" stroke-width=\"1.8\"" +
                    (s.dash != nullptr ? std::string(" stroke-dasharray=\"") + s.dash + "\"" : "") +
                    " points=\"";
            out_ += points;
            out_ += "\"/>\n";
            line(
                out_, right + 8, top + 14 + 16 * row, right + 26, top + 14 + 16 * row,
                std::string("stroke=\"") + s.colour + "\" stroke-width=\"3\"" +
                    (s.dash != nullptr ? std::string(" stroke-dasharray=\"") + s.dash + "\"" : ""));
            text(out_, right + 30, top + 18 + 16 * row, "start", s.name, "#C8D0D8", 12);
            ++row;
        }
        if (cap_hi < std::numeric_limits<double>::infinity())
            text(out_, right, top - 10, "end",
                 "values above " + fmt("%g", cap_hi) + " drawn at the top", "#8A96A3", 11);
    }

    static int height_for(int panels) { return kTop + panels * (kPanelHeight + kGap) + 10; }
    std::string& out() { return out_; }

private:
    const OverviewInput& in_;
    TimeAxis t_;
    int panels_ = 0;
    std::string out_;
};

// Relative to the target, east positive, continued across the 0/360 seam.
std::vector<double> unwrapped_offset(const std::vector<OverviewSample>& samples, double target,
                                     double OverviewSample::*field) {
    std::vector<double> out;
    double prev_lon = std::nan(""), prev = 0.0;
    for (const auto& s : samples) {
        const double lon = s.*field;
        if (!std::isfinite(lon)) {
            out.push_back(std::nan(""));
            continue;
        }
        prev = std::isnan(prev_lon) ? wrap180(lon - target) : prev + wrap180(lon - prev_lon);
        prev_lon = lon;
        out.push_back(prev);
    }
    return out;
}

std::vector<double> column(const std::vector<OverviewSample>& samples,
                           double OverviewSample::*field) {
    std::vector<double> out;
    out.reserve(samples.size());
    for (const auto& s : samples) out.push_back(s.*field);
    return out;
}

}  // namespace

void overview_truth(double mean_lon_deg, double period, double target_lon, double& drift_rate,
                    double& orbits_required) {
    // The module's own figure for a geostationary period, not the Earth's
    // rotation period the world turns by (86164.0989 s).
    drift_rate = (kNominalGeoPeriod - period) / kNominalGeoPeriod * 360.0;
    double east = std::fmod(target_lon - mean_lon_deg, 360.0);
    if (east < 0.0) east += 360.0;
    if (drift_rate > 0.0)
        orbits_required = east / drift_rate;
    else if (drift_rate < 0.0)
        orbits_required = (360.0 - east) / -drift_rate;
    else
        orbits_required = std::numeric_limits<double>::infinity();
}

std::string overview_plot_svg(const OverviewInput& in) {
    const auto& samples = in.samples;
    constexpr int kPanels = 8;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      std::to_string(kWidth) + "\" height=\"" +
                      std::to_string(Plot::height_for(kPanels)) +
                      "\" font-family=\"sans-serif\" font-size=\"13\">\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"#0B0F14\"/>\n";
    const double target_w = 360.0 - in.target_lon;
    text(svg, kWidth / 2.0, 28, "middle",
         in.vessel + (std::isnan(in.target_lon)
                          ? std::string(": no station to keep")
                          : ": station keeping toward " +
                                (in.target_lon >= 180.0 ? fmt("%.2f", target_w) + kDeg + "W"
                                                        : fmt("%.2f", in.target_lon) + kDeg + "E")),
         "#E8EEF4", 18);
    text(svg, kWidth / 2.0, 48, "middle",
         "solid: the host's truth from the orbit; dashed: as the module printed it on its HUD; "
         "orange: burns; blue: keys",
         "#8A96A3", 12);
    if (samples.empty()) {
        text(svg, kWidth / 2.0, 100, "middle", "no samples");
        return svg + "</svg>\n";
    }
    TimeAxis t{{samples.front().time, samples.back().time}, 1.0, "s"};
    if (!(t.axis.hi > t.axis.lo)) t.axis.hi = t.axis.lo + 1.0;
    const double span = t.axis.hi - t.axis.lo;
    if (span > 2 * 86400.0) {
        t.scale = 86400.0;
        t.unit = "days";
    } else if (span > 2 * 3600.0) {
        t.scale = 3600.0;
        t.unit = "h";
    }

    Plot plot(in, t);
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double box_lo = -kBoxHalfWidth, box_hi = kBoxHalfWidth;
    plot.panel(
        std::string("mean sub-satellite longitude relative to the target [") + kDeg +
            ", east positive]",
        {{"host", "#66FF66", unwrapped_offset(samples, in.target_lon, &OverviewSample::mean_lon)},
         {"HUD", "#FFFFFF",
          unwrapped_offset(samples, in.target_lon, &OverviewSample::printed_mean_lon), "6 4"}},
        kInf, &box_lo, &box_hi,
        "\xC2\xB1"
        "0.1\xC2\xB0 box");
    const auto near_target = [](std::vector<double> v) {
        for (double& x : v)
            if (!(std::fabs(x) <= kNearHalfWidth)) x = std::nan("");
        return v;
    };
    plot.panel(
        std::string("the same within ") + fmt("%g", kNearHalfWidth) + kDeg + " of the target [" +
            kDeg + ", east positive]",
        {{"host", "#66FF66",
          near_target(unwrapped_offset(samples, in.target_lon, &OverviewSample::mean_lon))},
         {"HUD", "#FFFFFF",
          near_target(unwrapped_offset(samples, in.target_lon, &OverviewSample::printed_mean_lon)),
          "6 4"}},
        kInf, &box_lo, &box_hi,
        "\xC2\xB1"
        "0.1\xC2\xB0 box");
    plot.panel(std::string("drift rate [") + kDeg + " per orbit, east positive]",
               {{"host", "#66C8FF", column(samples, &OverviewSample::drift_rate)},
                {"HUD", "#FFFFFF", column(samples, &OverviewSample::printed_drift_rate), "6 4"}},
               kInf);
    plot.panel(
        "orbits required to reach the target [orbits]",
        {{"host", "#C39BFF", column(samples, &OverviewSample::orbits_required)},
         {"HUD", "#FFFFFF", column(samples, &OverviewSample::printed_orbits_required), "6 4"}},
        kOrbitsAxisCap);
    std::vector<double> dish1, dish2;
    for (const auto& s : samples) {
        dish1.push_back(s.dish_error[0]);
        dish2.push_back(s.dish_error[1]);
    }
    plot.panel(std::string("dish pointing error [") + kDeg + "]",
               {{"dish 1", "#FFD166", dish1}, {"dish 2", "#EF476F", dish2, "6 4"}}, kInf);
    static const char* const kAnimNames[6] = {"booms",       "dish rotation", "dish 1 tilt",
                                              "dish 2 tilt", "solar wings",   "covers"};
    static const char* const kAnimColours[6] = {"#66FF66", "#FFD166", "#EF476F",
                                                "#06D6A0", "#66C8FF", "#C39BFF"};
    std::vector<Series> anims;
    for (int k = 0; k < 6; ++k) {
        std::vector<double> v;
        v.reserve(samples.size());
        for (const auto& s : samples) v.push_back(s.animation[k]);
        anims.push_back({kAnimNames[k], kAnimColours[k], v});
    }
    plot.panel("animation states [0 stowed .. 1 deployed]", anims, kInf);
    plot.panel("propellant [kg]",
               {{"tank", "#FFB347", column(samples, &OverviewSample::propellant)}}, kInf);
    plot.panel("remaining delta-v [m/s]",
               {{"host", "#66FF66", column(samples, &OverviewSample::remaining_dv)},
                {"HUD", "#FFFFFF", column(samples, &OverviewSample::printed_remaining_dv), "6 4"}},
               kInf);
    return svg + plot.out() + "</svg>\n";
}

}  // namespace standin
