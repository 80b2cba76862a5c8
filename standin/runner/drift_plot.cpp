#include "standin/runner/drift_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "standin/runner/svg_text.h"

namespace standin {

namespace {

constexpr double kTargetEast = 258.0;  // [deg] 102 degrees west
constexpr int kWidth = 960;
constexpr int kPanelHeight = 260;
constexpr int kLeft = 90, kRight = 30, kTop = 50, kGap = 70;

struct Axis {
    double lo, hi;
    double to_px(double v, double px_lo, double px_hi) const {
        return px_lo + (v - lo) / (hi - lo) * (px_hi - px_lo);
    }
};

// A range with a little margin, never empty.
Axis padded(double lo, double hi) {
    if (!(hi - lo > 1e-9)) {
        const double m = std::max(1e-6, std::fabs(lo) * 1e-3);
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

void line(std::string& out, double x1, double y1, double x2, double y2, const char* style) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" %s/>\n",
                  x1, y1, x2, y2, style);
    out += buf;
}

void text(std::string& out, double x, double y, const char* anchor, const std::string& s,
          const char* fill = "#C8D0D8") {
    char buf[160];
    std::snprintf(buf, sizeof buf, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"%s\" fill=\"%s\">", x,
                  y, anchor, fill);
    out += buf;
    out += xml_escaped(s) + "</text>\n";
}

// One panel: frame, ticks, the series, optional reference line.
void panel(std::string& out, double top, const std::string& title, const std::string& unit,
           const std::vector<double>& t, const std::vector<double>& y, const Axis& tx,
           double time_scale, const char* time_unit, const double* ref,
           const std::string& ref_label, const char* colour) {
    const double left = kLeft, right = kWidth - kRight, bottom = top + kPanelHeight;
    double lo = *std::min_element(y.begin(), y.end());
    double hi = *std::max_element(y.begin(), y.end());
    if (ref != nullptr) {
        lo = std::min(lo, *ref);
        hi = std::max(hi, *ref);
    }
    const Axis ay = padded(lo, hi);
    char buf[128];
    out += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" +
           std::to_string(static_cast<int>(top)) + "\" width=\"" +
           std::to_string(kWidth - kLeft - kRight) + "\" height=\"" + std::to_string(kPanelHeight) +
           "\" fill=\"#111820\" stroke=\"#3A4652\"/>\n";
    text(out, left, top - 10, "start", title + " [" + unit + "]");
    const double ys = nice_step(ay.hi - ay.lo);
    for (double v = std::ceil(ay.lo / ys) * ys; v <= ay.hi; v += ys) {
        const double py = ay.to_px(v, bottom, top);
        line(out, left, py, right, py, "stroke=\"#24303B\"");
        std::snprintf(buf, sizeof buf, "%g", std::fabs(v) < ys * 1e-6 ? 0.0 : v);
        text(out, left - 8, py + 4, "end", buf);
    }
    const double xs = nice_step((tx.hi - tx.lo) / time_scale) * time_scale;
    for (double v = std::ceil(tx.lo / xs) * xs; v <= tx.hi; v += xs) {
        const double px = tx.to_px(v, left, right);
        line(out, px, top, px, bottom, "stroke=\"#24303B\"");
        std::snprintf(buf, sizeof buf, "%g", v / time_scale);
        text(out, px, bottom + 18, "middle", buf);
    }
    text(out, (left + right) / 2, bottom + 38, "middle", std::string("time [") + time_unit + "]");
    if (ref != nullptr) {
        const double py = ay.to_px(*ref, bottom, top);
        line(out, left, py, right, py,
             "stroke=\"#FF6B6B\" stroke-width=\"2\" stroke-dasharray=\"8 5\"");
        text(out, right - 6, py - 6, "end", ref_label, "#FF8C8C");
    }
    std::string points;
    for (std::size_t i = 0; i < t.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%.2f,%.2f ", tx.to_px(t[i], left, right),
                      ay.to_px(y[i], bottom, top));
        points += buf;
    }
    out += std::string("<polyline fill=\"none\" stroke=\"") + colour +
           "\" stroke-width=\"2\" points=\"" + points + "\"/>\n";
}

}  // namespace

std::string drift_plot_svg(const std::string& vessel, const std::vector<DriftSample>& samples) {
    const int height = kTop + 2 * kPanelHeight + kGap + 60;
    std::string out =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kWidth) +
        "\" height=\"" + std::to_string(height) + "\" font-family=\"sans-serif\" " +
        "font-size=\"13\">\n<rect width=\"100%\" height=\"100%\" fill=\"#0B0F14\"/>\n";
    text(out, kWidth / 2.0, 24, "middle", vessel + ": station keeping", "#E8EEF4");
    if (samples.empty()) {
        text(out, kWidth / 2.0, 80, "middle", "no samples");
        return out + "</svg>\n";
    }
    std::vector<double> t, lon, drift;
    for (const auto& s : samples) {
        t.push_back(s.time);
        lon.push_back(s.mean_lon);
        drift.push_back(s.drift_rate);
    }
    Axis tx{t.front(), t.back()};
    if (!(tx.hi > tx.lo)) tx.hi = tx.lo + 1.0;
    const double span = tx.hi - tx.lo;
    const double scale = span > 2 * 86400.0 ? 86400.0 : span > 2 * 3600.0 ? 3600.0 : 1.0;
    const char* unit = scale == 86400.0 ? "days" : scale == 3600.0 ? "h" : "s";
    const double target = kTargetEast;
    panel(out, kTop, "mean sub-satellite longitude", "deg east", t, lon, tx, scale, unit, &target,
          "target 102\xC2\xB0W (258\xC2\xB0"
          "E)",
          "#66FF66");
    const double zero = 0.0;
    panel(out, kTop + kPanelHeight + kGap, "drift rate, east positive", "deg per orbit", t, drift,
          tx, scale, unit, &zero, "no drift", "#66C8FF");
    return out + "</svg>\n";
}

}  // namespace standin
