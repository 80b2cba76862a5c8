#include "standin/world/host_lines.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "standin/world/earth.h"
#include "standin/world/kepler.h"
#include "standin/world/orbital_elements.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

constexpr double kRadPerDeg = 0.017453292519943295;
// The farthest an orbit may reach from the Earth [m], its apoapsis: some
// seven times the Sun's distance, far beyond where the Earth alone holds a
// vessel, and far enough below overflow that the squares and cubes of an
// orbit's sizes stay finite (an orbit read from a semi-major axis of 4e307 m
// was saved as a state that could not be read back). A state takes a hair
// more, for the rounding of an orbit at the limit saved as a state.
constexpr double kMaxApoapsis = 1e12;
constexpr double kMaxStateApoapsis = kMaxApoapsis * (1.0 + 1e-9);

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// A whole word that is a finite number. strtod's range error is not the
// test: it flags an overflow (which comes back infinite and is refused) but
// also a subnormal such as 3e-311, a number like any other, which the
// writer may well have written.
bool to_number(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(out);
}

// Reads count numbers after the key (and after skip more words), or says
// what is wrong with them.
bool numbers(const std::vector<std::string>& w, std::size_t first, std::size_t count,
             std::vector<double>& out, std::string& error) {
    const std::string& key = w[0];
    if (w.size() != first + count) {
        error = key + " needs " + std::to_string(count) + " numbers, got " +
                std::to_string(w.size() - first);
        return false;
    }
    out.assign(count, 0.0);
    for (std::size_t i = 0; i < count; ++i) {
        if (!to_number(w[first + i], out[i])) {
            error = key + ": '" + w[first + i] + "' is not a number";
            return false;
        }
    }
    return true;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

HostLine elements(const std::vector<std::string>& w) {
    std::vector<double> n;
    std::string error;
    if (!numbers(w, 1, 6, n, error)) return HostLineError{error};
    if (!(n[0] > 0.0)) return HostLineError{"ELEMENTS: semi-major axis must be above 0 m"};
    if (!(n[1] >= 0.0 && n[1] < 1.0))
        return HostLineError{"ELEMENTS: eccentricity must be in [0, 1)"};
    if (!(n[2] >= 0.0 && n[2] <= 180.0))
        return HostLineError{"ELEMENTS: inclination must be in [0, 180] degrees"};
    if (n[0] * (1.0 - n[1]) <= kEarthRadius)
        return HostLineError{"ELEMENTS: periapsis lies inside the Earth"};
    if (!(n[0] * (1.0 + n[1]) <= kMaxApoapsis))
        return HostLineError{"ELEMENTS: apoapsis beyond 1e12 m"};
    return ElementsLine{
        n[0], n[1], n[2] * kRadPerDeg, n[3] * kRadPerDeg, n[4] * kRadPerDeg, n[5] * kRadPerDeg};
}

HostLine state(const std::vector<std::string>& w) {
    std::vector<double> n;
    std::string error;
    if (!numbers(w, 1, 6, n, error)) return HostLineError{error};
    StateLine s{{{n[0], n[1], n[2]}, {n[3], n[4], n[5]}}};
    if (norm(s.state.r) <= kEarthRadius) return HostLineError{"STATE: position inside the Earth"};
    if (!(norm(s.state.r) <= kMaxStateApoapsis))
        return HostLineError{"STATE: position farther than 1e12 m from the Earth"};
    if (!is_closed_orbit(s.state, kEarthMu))
        return HostLineError{"STATE: speed at or above escape speed; the orbit must be closed"};
    ELEMENTS el;
    ORBITPARAM prm;
    elements_from_state(s.state, kEarthMu, 0.0, el, prm);
    if (!(prm.apoapsis_dist <= kMaxStateApoapsis))
        return HostLineError{"STATE: apoapsis beyond 1e12 m"};
    return s;
}

HostLine attitude(const std::vector<std::string>& w) {
    if (w.size() < 2) return HostLineError{"ATTITUDE needs SUN, PROGRADE, RETROGRADE or QUAT"};
    const std::string mode = upper(w[1]);
    using Mode = AttitudeLine::Mode;
    if (mode == "SUN" || mode == "PROGRADE" || mode == "RETROGRADE") {
        if (w.size() != 2) return HostLineError{"ATTITUDE " + mode + " takes no numbers"};
        return AttitudeLine{mode == "SUN"        ? Mode::sun
                            : mode == "PROGRADE" ? Mode::prograde
                                                 : Mode::retrograde,
                            {}};
    }
    if (mode != "QUAT")
        return HostLineError{"ATTITUDE: unknown mode '" + w[1] +
                             "' (SUN, PROGRADE, RETROGRADE or QUAT)"};
    std::vector<double> n;
    std::string error;
    if (!numbers(w, 2, 4, n, error)) return HostLineError{error};
    // Scaled by its largest component first: the norm of 1e300 squared is
    // infinite, and normalising by it would give a zero quaternion, which
    // is no attitude at all (and could not be read back once saved).
    const double largest = std::fmax(std::fmax(std::fabs(n[0]), std::fabs(n[1])),
                                     std::fmax(std::fabs(n[2]), std::fabs(n[3])));
    if (!(largest > 0.0)) return HostLineError{"ATTITUDE QUAT: the quaternion is zero"};
    const Quaternion scaled{n[0] / largest, n[1] / largest, n[2] / largest, n[3] / largest};
    if (!(largest * norm(scaled) > 1e-9))
        return HostLineError{"ATTITUDE QUAT: the quaternion is zero"};
    return AttitudeLine{Mode::quaternion, normalized(scaled)};
}

HostLine rate(const std::vector<std::string>& w) {
    std::vector<double> n;
    std::string error;
    if (!numbers(w, 1, 3, n, error)) return HostLineError{error};
    // Beyond a turn a second the fixed steps of the runner cannot follow it.
    if (norm(VECTOR3{n[0], n[1], n[2]}) > 6.283185307179586)
        return HostLineError{"RATE: above one turn per second"};
    return RateLine{{n[0], n[1], n[2]}};
}

HostLine propellant(const std::vector<std::string>& w) {
    std::vector<double> n;
    std::string error;
    if (!numbers(w, 1, 2, n, error)) return HostLineError{error};
    if (!(n[0] >= 0.0 && n[0] == std::floor(n[0]) && n[0] < 1e6))
        return HostLineError{"PROPELLANT: tank index must be a whole number from 0"};
    if (!(n[1] >= 0.0)) return HostLineError{"PROPELLANT: mass must not be negative"};
    return PropellantLine{static_cast<int>(n[0]), n[1]};
}

std::string joined(const char* key, std::initializer_list<double> values) {
    std::string out = key;
    char buf[40];
    for (double v : values) {
        std::snprintf(buf, sizeof buf, " %.17g", v);
        out += buf;
    }
    return out;
}

}  // namespace

HostLine parse_host_line(const std::string& line) {
    const auto w = words(line);
    if (w.empty()) return HostLineError{"empty line"};
    const std::string key = upper(w[0]);
    if (key == "ELEMENTS") return elements(w);
    if (key == "STATE") return state(w);
    if (key == "ATTITUDE") return attitude(w);
    if (key == "RATE") return rate(w);
    if (key == "PROPELLANT") return propellant(w);
    return HostLineError{"unknown line '" + w[0] +
                         "' (host lines: ELEMENTS, STATE, ATTITUDE, RATE, PROPELLANT)"};
}

std::string format_state_line(const StateVector& s) {
    return joined("STATE", {s.r.x, s.r.y, s.r.z, s.v.x, s.v.y, s.v.z});
}

std::string format_attitude_line(const Quaternion& q) {
    return joined("ATTITUDE QUAT", {q.w, q.x, q.y, q.z});
}

std::string format_rate_line(const VECTOR3& omega) {
    return joined("RATE", {omega.x, omega.y, omega.z});
}

std::string format_propellant_line(int tank, double mass) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "PROPELLANT %d %.17g", tank, mass);
    return buf;
}

}  // namespace standin
