#include "standin/station/keeping_report.h"

#include <cstdio>

#include "standin/station/relocation_report.h"

namespace standin {

namespace {

constexpr double kYear = 365.25 * 86400.0;  // [s]

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

}  // namespace

const char* manoeuvre_name(const KeepingBurn& b) {
    return b.north_south ? "north-south" : "east-west";
}

KeepingFigures keeping_figures(const KeepingReport& r) {
    KeepingFigures f;
    if (std::isnan(r.start) || std::isnan(r.end)) return f;
    f.kept_s = r.end - r.start;
    f.per_year = f.kept_s > 0.0 ? kYear / f.kept_s : 0.0;
    for (const KeepingBurn& b : r.burns) {
        if (!b.burn.ended()) continue;
        (b.north_south ? f.ns_dv : f.ew_dv) += b.burn.dv;
        ++(b.north_south ? f.ns_count : f.ew_count);
        f.burn_propellant += b.burn.mass_before - b.burn.mass_after;
    }
    f.propellant = r.propellant_start - r.propellant_end;
    f.outside_fraction = r.measured_s > 0.0 ? r.outside_s / r.measured_s : 0.0;
    return f;
}

std::string keeping_text(const KeepingReport& r, const std::string& indent) {
    std::string out =
        indent + r.vessel + ": station keeping at " + longitude_words(r.lon) + " \u00b1" +
        fmt("%g", r.halfwidth) + "\u00b0" + (r.ns ? ", east-west and north-south" : ", east-west") +
        " (drift acceleration there " + fmt("%+.3e", r.drift_acceleration) + "\u00b0/day\u00b2)\n";
    if (std::isnan(r.start)) return out + indent + "  never began\n";
    const KeepingFigures f = keeping_figures(r);
    out += indent + "  kept from " + fmt("%.0f", r.start) + " s for " +
           fmt("%.2f", f.kept_s / 86400.0) + " days; per year (the kept interval scaled to " +
           "365.25 days):\n";
    const double y = f.per_year;
    out += indent + "    east-west " + fmt("%.3f", f.ew_dv * y) + " m/s in " +
           fmt("%.1f", f.ew_count * y) + " manoeuvres";
    if (r.ns)
        out += "; north-south " + fmt("%.3f", f.ns_dv * y) + " m/s in " +
               fmt("%.1f", f.ns_count * y) + " manoeuvres";
    out += "\n" + indent + "    propellant " + fmt("%.3f", f.propellant * y) + " kg (" +
           fmt("%.3f", f.burn_propellant * y) +
           " kg in the burns, the rest by the attitude thrusters)\n";
    out += indent + "    outside the box " + fmt("%.0f", f.outside_fraction * kYear) + " s (" +
           fmt("%.2f", 100.0 * f.outside_fraction) + " % of the time)\n";
    out += indent + "  flown: east-west " + fmt("%.4f", f.ew_dv) + " m/s in " +
           std::to_string(f.ew_count) + ", north-south " + fmt("%.4f", f.ns_dv) + " m/s in " +
           std::to_string(f.ns_count) + ", propellant " + fmt("%.3f", f.propellant) + " kg\n";
    out += indent + "  largest excursion of the mean longitude " +
           fmt("%.4f", r.largest_excursion) + "\u00b0, outside the box " +
           fmt("%.0f", r.outside_s) + " s of " + fmt("%.0f", r.measured_s) +
           " s measured; inclination " + fmt("%.4f", r.start_inclination) +
           "\u00b0 at the start, then at most " + fmt("%.4f", r.largest_inclination) +
           "\u00b0, at the end " + fmt("%.4f", r.final_inclination) + "\u00b0\n";
    if (!r.stopped.empty()) out += indent + "  stopped: " + r.stopped + "\n";
    return out;
}

}  // namespace standin
