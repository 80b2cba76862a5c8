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
constexpr int kLeft = 100, kRight = 180, kTop = 88, kGap = 62;
constexpr double kDefaultBoxHalfWidth = 0.1;  // [deg] the module's own box
// [deg] with no station kept the second longitude panel shows at least this
// close to the target, where a box of a tenth of a degree is large enough to
// see.
constexpr double kNearHalfWidth = 0.5;
// Orbits required grow without bound as the drift stops; the axis ends here.
constexpr double kOrbitsAxisCap = 200.0;
// [px] a fitted parabola is drawn with this many points.
constexpr int kParabolaPoints = 80;
// Rows of labels along a panel's edge before a label that does not fit is
// left out (the delta-v panel still carries every burn).
constexpr int kLabelRows = 3;
constexpr const char* kDeg = "\xC2\xB0";  // UTF-8

double wrap180(double deg) {
    return std::remainder(deg, 360.0);
}

struct Series {
    std::string name;
    const char* colour;
    std::vector<double> value;  // per sample, or per entry of time; NaN: no point
    const char* dash = nullptr;
    // Empty: the samples' times; otherwise the points' own.
    std::vector<double> time = {};
    // Stems from zero with no line between them, the axis taking in zero.
    bool stems = false;
    // Over the data: left out of the axis's range, clipped to the panel.
    bool overlay = false;
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

// [px] a generous width of a label in sans-serif: 0.62 em a character.
double label_width(const std::string& utf8, int size) {
    std::size_t chars = 0;
    for (unsigned char c : utf8) chars += (c & 0xC0) != 0x80;
    return 0.62 * size * static_cast<double>(chars);
}

// Labels along one edge of a panel in a few rows, each placed in the first
// row where it clears the others; none where no row has room.
class LabelRows {
public:
    // The row for a label spanning x0..x1 [px], or -1.
    int place(double x0, double x1) {
        for (int r = 0; r < kLabelRows; ++r) {
            bool clear = true;
            for (const auto& [a, b] : taken_[r]) clear = clear && (x1 + 4 < a || x0 > b + 4);
            if (clear) {
                taken_[r].emplace_back(x0, x1);
                return r;
            }
        }
        return -1;
    }

private:
    std::vector<std::pair<double, double>> taken_[kLabelRows];
};

struct TimeAxis {
    Axis axis;
    double scale;  // [s] per unit shown
    const char* unit;
};

// A shaded band across a panel: the station's box.
struct Band {
    double lo, hi;  // [the panel's unit]
    std::string label;
};

class Plot {
public:
    Plot(const OverviewInput& in, const TimeAxis& t) : in_(in), t_(t) {}

    // A panel: frame, grid, the Earth's shadow, marks, optional band, the
    // series, the legend.
    void panel(const std::string& title, const std::vector<Series>& series, double cap_hi,
               const Band* band = nullptr) {
        const double top = kTop + panels_ * (kPanelHeight + kGap);
        ++panels_;
        const double left = kLeft, right = kWidth - kRight, bottom = top + kPanelHeight;
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const auto& s : series) {
            if (s.overlay) continue;
            if (s.stems) lo = std::min(lo, 0.0), hi = std::max(hi, 0.0);
            for (double v : s.value)
                if (std::isfinite(v)) {
                    lo = std::min(lo, std::min(v, cap_hi));
                    hi = std::max(hi, std::min(v, cap_hi));
                }
        }
        if (band != nullptr) {
            lo = std::min(lo, band->lo);
            hi = std::max(hi, band->hi);
        }
        if (!std::isfinite(lo)) lo = hi = 0.0;
        Axis ay = padded(lo, hi);
        const bool any_stems =
            std::any_of(series.begin(), series.end(), [](const Series& s) { return s.stems; });
        // Room above the stems for their labels' rows.
        if (any_stems) ay.hi += 0.3 * (ay.hi - ay.lo);
        out_ += "<rect x=\"" + fmt("%.0f", left) + "\" y=\"" + fmt("%.0f", top) + "\" width=\"" +
                fmt("%.0f", right - left) + "\" height=\"" + std::to_string(kPanelHeight) +
                "\" fill=\"#111820\" stroke=\"#3A4652\"/>\n";
        text(out_, left, top - 10, "start", title, "#E8EEF4", 14);
        // The shadow first, under everything; at least a pixel wide, so that
        // a season of daily eclipses still shows on a months-long axis.
        for (const auto& e : in_.eclipses) {
            const double x0 = t_.axis.to_px(std::max(e.start, t_.axis.lo), left, right);
            const double x1 = t_.axis.to_px(std::min(e.end, t_.axis.hi), left, right);
            out_ += "<rect data-eclipse=\"" + fmt("%.17g", e.start) + " " + fmt("%.17g", e.end) +
                    "\" x=\"" + fmt("%.2f", x0) + "\" y=\"" + fmt("%.0f", top) + "\" width=\"" +
                    fmt("%.2f", std::max(1.0, x1 - x0)) + "\" height=\"" +
                    std::to_string(kPanelHeight) + "\" fill=\"#8393A5\" fill-opacity=\"0.4\"/>\n";
        }
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
        int row = 0;  // of the legend
        if (band != nullptr) {
            const double y1 = ay.to_px(band->hi, bottom, top), y0 = ay.to_px(band->lo, bottom, top);
            out_ += "<rect data-box=\"" + fmt("%.17g", band->lo) + " " + fmt("%.17g", band->hi) +
                    "\" x=\"" + fmt("%.1f", left) + "\" y=\"" + fmt("%.2f", y1) + "\" width=\"" +
                    fmt("%.1f", right - left) + "\" height=\"" +
                    fmt("%.2f", std::max(1.0, y0 - y1)) +
                    "\" fill=\"#FF6B6B\" fill-opacity=\"0.25\" stroke=\"#FF6B6B\"/>\n";
            legend(row++, top, right, "#FF6B6B", nullptr, band->label);
        }
        marks(top, bottom, left, right);
        const std::string map = fmt("%.17g", t_.axis.lo) + " " + fmt("%.17g", t_.axis.hi) + " " +
                                fmt("%.17g", left) + " " + fmt("%.17g", right) + " " +
                                fmt("%.17g", ay.lo) + " " + fmt("%.17g", ay.hi) + " " +
                                fmt("%.17g", bottom) + " " + fmt("%.17g", top);
        std::vector<std::string> named;  // in the legend already
        for (const auto& s : series) {
            std::string points;
            const bool stems = s.stems;
            LabelRows stem_labels;
            for (std::size_t i = 0; i < s.value.size(); ++i) {
                if (!std::isfinite(s.value[i])) continue;
                const double x =
                    t_.axis.to_px(s.time.empty() ? in_.samples[i].time : s.time[i], left, right);
                const double y = ay.to_px(std::min(s.value[i], cap_hi), bottom, top);
                // Overlays are clipped to the panel rather than widening it.
                if (s.overlay && (y < top || y > bottom)) continue;
                points += fmt("%.3f", x) + "," + fmt("%.3f", y) + " ";
                if (!stems) continue;
                line(out_, x, ay.to_px(0.0, bottom, top), x, y,
                     std::string("stroke=\"") + s.colour + "\" stroke-width=\"2\"");
                out_ += "<circle cx=\"" + fmt("%.1f", x) + "\" cy=\"" + fmt("%.1f", y) +
                        "\" r=\"2.5\" fill=\"" + s.colour + "\"/>\n";
                const std::string label = fmt("%.3g", s.value[i]);
                const double w = label_width(label, 10);
                const double lx = std::clamp(x, left + w / 2, right - w / 2);
                const int r = stem_labels.place(lx - w / 2, lx + w / 2);
                if (r >= 0) text(out_, lx, top + 12 + 11 * r, "middle", label, s.colour, 10);
            }
            out_ += "<polyline data-series=\"" + xml_escaped(s.name) + "\" data-map=\"" + map +
                    "\" fill=\"none\" stroke=\"" + (stems ? "none" : s.colour) +
                    "\" stroke-width=\"1.8\"" +
                    (s.dash != nullptr ? std::string(" stroke-dasharray=\"") + s.dash + "\"" : "") +
                    " points=\"";
            out_ += points;
            out_ += "\"/>\n";
            if (std::find(named.begin(), named.end(), s.name) != named.end()) continue;
            named.push_back(s.name);
            legend(row++, top, right, s.colour, s.dash, s.name);
        }
        if (cap_hi < std::numeric_limits<double>::infinity())
            text(out_, right, top - 10, "end",
                 "values above " + fmt("%g", cap_hi) + " drawn at the top", "#8A96A3", 11);
    }

    static int height_for(int panels) { return kTop + panels * (kPanelHeight + kGap) + 10; }
    std::string& out() { return out_; }

private:
    void legend(int row, double top, double right, const char* colour, const char* dash,
                const std::string& name) {
        line(out_, right + 8, top + 14 + 16 * row, right + 26, top + 14 + 16 * row,
             std::string("stroke=\"") + colour + "\" stroke-width=\"3\"" +
                 (dash != nullptr ? std::string(" stroke-dasharray=\"") + dash + "\"" : ""));
        text(out_, right + 30, top + 18 + 16 * row, "start", name, "#C8D0D8", 12);
    }

    // Keys and burns on every panel; their labels on the top one only,
    // inward from the nearer edge, where they clear each other. Burns with a
    // delta-v have theirs on the delta-v panel instead.
    void marks(double top, double bottom, double left, double right) {
        const bool labelled = panels_ == 1;
        LabelRows burn_rows, key_rows;
        for (const auto& m : in_.marks) {
            const double x0 = t_.axis.to_px(m.time, left, right);
            const bool right_half = x0 > (left + right) / 2;
            const double lx = right_half ? x0 - 6 : x0 + 6;
            const char* anchor = right_half ? "end" : "start";
            const double w = label_width(m.label, 11);
            const double l0 = right_half ? lx - w : lx, l1 = right_half ? lx : lx + w;
            if (m.kind == OverviewMark::Kind::burn) {
                const double x1 = t_.axis.to_px(m.time + m.duration, left, right);
                out_ += "<rect x=\"" + fmt("%.1f", x0 - 1.5) + "\" y=\"" + fmt("%.0f", top) +
                        "\" width=\"" + fmt("%.1f", std::max(3.0, x1 - x0)) + "\" height=\"" +
                        std::to_string(kPanelHeight) +
                        "\" fill=\"#FFB347\" fill-opacity=\"0.5\"/>\n";
                const int r = labelled && std::isnan(m.dv) ? burn_rows.place(l0, l1) : -1;
                if (r >= 0) text(out_, lx, top + 16 + 14 * r, anchor, m.label, "#FFB347", 11);
            } else {
                line(out_, x0, top, x0, bottom,
                     "stroke=\"#8AB4FF\" stroke-dasharray=\"4 4\" stroke-width=\"1.5\"");
                const int r = labelled ? key_rows.place(l0, l1) : -1;
                if (r >= 0) text(out_, lx, bottom - 6 - 14 * r, anchor, m.label, "#8AB4FF", 11);
            }
        }
    }

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

// Least squares of y = c0 + c1 x + c2 x^2 over the points; false when they
// cannot fix three coefficients.
bool fit_parabola(const std::vector<double>& x, const std::vector<double>& y, double c[3]) {
    double s[5] = {}, t[3] = {};
    for (std::size_t i = 0; i < x.size(); ++i) {
        double p = 1.0;
        for (int k = 0; k < 5; ++k) {
            if (k < 3) t[k] += p * y[i];
            s[k] += p;
            p *= x[i];
        }
    }
    const auto det = [](double a, double b, double cc, double d, double e, double f, double g,
                        double h, double i) {
        return a * (e * i - f * h) - b * (d * i - f * g) + cc * (d * h - e * g);
    };
    const double d = det(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    if (!(std::fabs(d) > 1e-12 * s[0] * s[2] * s[4])) return false;
    c[0] = det(t[0], s[1], s[2], t[1], s[2], s[3], t[2], s[3], s[4]) / d;
    c[1] = det(s[0], t[0], s[2], s[1], t[1], s[3], s[2], t[2], s[4]) / d;
    c[2] = det(s[0], s[1], t[0], s[1], s[2], t[1], s[2], s[3], t[2]) / d;
    return true;
}

// The longitude's parabola between each pair of successive burns (and before
// the first and after the last), a series each. Drift under a steady
// longitude acceleration is a parabola in time; its curvature is the
// acceleration a station keeper plans against.
std::vector<Series> parabolas(const std::vector<OverviewSample>& samples,
                              const std::vector<double>& lon,
                              const std::vector<OverviewMark>& marks) {
    std::vector<std::pair<double, double>> burns;  // [s] start, end
    for (const auto& m : marks)
        if (m.kind == OverviewMark::Kind::burn) burns.emplace_back(m.time, m.time + m.duration);
    std::sort(burns.begin(), burns.end());
    std::vector<std::pair<double, double>> gaps;  // the coasts between
    double from = -std::numeric_limits<double>::infinity();
    for (const auto& [b0, b1] : burns) {
        gaps.emplace_back(from, b0);
        from = std::max(from, b1);
    }
    gaps.emplace_back(from, std::numeric_limits<double>::infinity());
    std::vector<Series> out;
    for (const auto& [g0, g1] : gaps) {
        std::vector<double> x, y;
        for (std::size_t i = 0; i < samples.size(); ++i)
            if (samples[i].time > g0 && samples[i].time < g1 && std::isfinite(lon[i])) {
                x.push_back(samples[i].time);
                y.push_back(lon[i]);
            }
        if (x.size() < 3) continue;
        // Centred and scaled, for a well-conditioned fit.
        const double mid = 0.5 * (x.front() + x.back()), half = 0.5 * (x.back() - x.front());
        if (!(half > 0.0)) continue;
        std::vector<double> u;
        u.reserve(x.size());
        for (double t : x) u.push_back((t - mid) / half);
        double c[3];
        if (!fit_parabola(u, y, c)) continue;
        Series p{"parabola", "#FF4FD8", {}, "2 3", {}, false, true};
        for (int k = 0; k <= kParabolaPoints; ++k) {
            const double v = -1.0 + 2.0 * k / kParabolaPoints;
            p.time.push_back(mid + v * half);
            p.value.push_back(c[0] + v * (c[1] + v * c[2]));
        }
        out.push_back(std::move(p));
    }
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
    constexpr int kPanels = 10;
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
    text(svg, kWidth / 2.0, 46, "middle",
         "solid: the host's truth from the orbit; dashed: as the module printed it on its HUD",
         "#8A96A3", 12);
    text(svg, kWidth / 2.0, 61, "middle",
         "orange: burns; blue: keys; grey: the Earth's shadow; dotted: the longitude's parabola "
         "between burns",
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
    const StationBox box = in.box ? *in.box : StationBox{in.target_lon, kDefaultBoxHalfWidth};
    const double box_mid = std::isnan(in.target_lon) ? 0.0 : wrap180(box.lon_deg - in.target_lon);
    const Band band{box_mid - box.halfwidth_deg, box_mid + box.halfwidth_deg,
                    "\xC2\xB1" + fmt("%g", box.halfwidth_deg) + kDeg + " box"};
    const std::vector<double> lon =
        unwrapped_offset(samples, in.target_lon, &OverviewSample::mean_lon);
    const std::vector<double> printed_lon =
        unwrapped_offset(samples, in.target_lon, &OverviewSample::printed_mean_lon);
    const std::vector<Series> fitted = parabolas(samples, lon, in.marks);
    std::vector<Series> lon_series = {{"host", "#66FF66", lon},
                                      {"HUD", "#FFFFFF", printed_lon, "6 4"}};
    lon_series.insert(lon_series.end(), fitted.begin(), fitted.end());
    plot.panel(std::string("mean sub-satellite longitude relative to the target [") + kDeg +
                   ", east positive]",
               lon_series, kInf, &band);
    // A station kept is shown at a third of the panel, however small its
    // box: what the keeping does inside it is the point of the panel.
    const double near_box = 3.0 * box.halfwidth_deg + std::fabs(box_mid);
    const double near = in.box ? near_box : std::max(kNearHalfWidth, near_box);
    const auto near_target = [near](std::vector<double> v) {
        for (double& x : v)
            if (!(std::fabs(x) <= near)) x = std::nan("");
        return v;
    };
    std::vector<Series> near_series = {{"host", "#66FF66", near_target(lon)},
                                       {"HUD", "#FFFFFF", near_target(printed_lon), "6 4"}};
    near_series.insert(near_series.end(), fitted.begin(), fitted.end());
    plot.panel(std::string("the same within ") + fmt("%g", near) + kDeg + " of the target [" +
                   kDeg + ", east positive]",
               near_series, kInf, &band);
    plot.panel(std::string("inclination to the equator of the date [") + kDeg + "]",
               {{"host", "#FFD166", column(samples, &OverviewSample::inclination)}}, kInf);
    Series dv{"delta-v", "#FFB347", {}, nullptr, {}, true};
    for (const auto& m : in.marks)
        if (m.kind == OverviewMark::Kind::burn && std::isfinite(m.dv)) {
            dv.time.push_back(m.time);
            dv.value.push_back(m.dv);
        }
    plot.panel("manoeuvres: each burn's delta-v as flown [m/s]", {dv}, kInf);
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
