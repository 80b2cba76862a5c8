#include "standin/station/relocation_report.h"

#include <cstdio>

namespace standin {

namespace {

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

}  // namespace

std::string longitude_words(double east) {
    const double lon = std::remainder(east, 360.0);
    return lon < 0.0 ? fmt("%.2f\u00b0W", -lon) : fmt("%.2f\u00b0E", lon);
}

std::string relocation_plan_text(const RelocationReport& r, const std::string& indent) {
    const RelocationPlan& p = r.plan;
    const char* way = p.prograde ? "prograde" : "retrograde";
    const char* back = p.prograde ? "retrograde" : "prograde";
    std::string out = indent + r.vessel + ": relocation at " + fmt("%g", r.order_time) +
                      " s from " + longitude_words(p.start_lon) + " to " +
                      longitude_words(r.target_lon) + " in " + std::to_string(r.orbits) +
                      " drift orbits\n";
    out += indent + "  drift " + fmt("%.3f", std::fabs(p.drift_per_orbit)) + "\u00b0" +
           (p.drift_per_orbit < 0.0 ? "W" : "E") + " per orbit, drift orbit " +
           fmt("%+.2f", p.delta_a / 1000.0) + " km (period " + fmt("%.1f", p.drift_period) +
           " s)\n";
    out += indent + "  start burn " + way + " " + fmt("%.3f", p.start_dv) + " m/s, " +
           fmt("%.1f", p.start_duration) + " s of main engine; stop burn " + back + " " +
           fmt("%.3f", p.stop_dv) + " m/s, " + fmt("%.1f", p.stop_duration) + " s, " +
           fmt("%.0f", p.stop_offset) + " s later; propellant " + fmt("%.2f", p.propellant) +
           " kg\n";
    return out;
}

}  // namespace standin
