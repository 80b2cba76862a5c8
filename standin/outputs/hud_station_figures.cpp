#include "standin/outputs/hud_station_figures.h"

#include <cerrno>
#include <cstdlib>
#include <string>

namespace standin {

namespace {

// The number between prefix and suffix, the whole text consumed.
std::optional<double> number_between(const std::string& text, const std::string& prefix,
                                     const std::string& suffix, std::size_t* end = nullptr) {
    if (text.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    const char* begin = text.c_str() + prefix.size();
    if (*begin == ' ' || *begin == '\0') return std::nullopt;  // strtod would skip blanks
    char* stop = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &stop);
    if (stop == begin) return std::nullopt;
    const std::size_t at = static_cast<std::size_t>(stop - text.c_str());
    if (end != nullptr) {
        if (text.compare(at, suffix.size(), suffix) != 0) return std::nullopt;
        *end = at + suffix.size();
        return v;
    }
    if (text.compare(at, std::string::npos, suffix) != 0) return std::nullopt;
    return v;
}

}  // namespace

HudStationFigures read_hud_station_figures(const std::vector<DrawnText>& texts) {
    HudStationFigures f;
    const std::string deg = "\xB0";
    for (const auto& t : texts) {
        const std::string& s = t.bytes;
        if (!f.remaining_dv) f.remaining_dv = number_between(s, "Remaining dV = ", " m/s");
        if (!f.mean_lon) {
            if (auto e = number_between(s, "KRV Mean Surface Longitude ", deg + "E")) {
                f.mean_lon = *e;
            } else if (auto w = number_between(s, "KRV Mean Surface Longitude ", deg + "W")) {
                f.mean_lon = 360.0 - *w;
            }
        }
        if (!f.angle_east) {
            std::size_t end = 0;
            const std::string prefix = "Angle to Target Longitude ";
            if (auto e = number_between(s, prefix, deg + "E (", &end)) {
                if (auto w = number_between(s.substr(end), "", deg + "W)")) {
                    f.angle_east = *e;
                    f.angle_west = *w;
                }
            }
        }
        if (!f.drift_rate) {
            if (auto e = number_between(s, "Drift Rate ", deg + "E per orbit")) {
                f.drift_rate = *e;
            } else if (auto w = number_between(s, "Drift Rate ", deg + "W per orbit")) {
                f.drift_rate = -*w;
            }
        }
        if (!f.orbits_required) f.orbits_required = number_between(s, "Orbits Required ", "");
    }
    return f;
}

}  // namespace standin
