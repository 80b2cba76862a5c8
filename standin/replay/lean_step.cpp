#include "standin/replay/lean_step.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <utility>

namespace standin {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// The record's own fields the page reads, and each vessel's.
constexpr std::array<std::string_view, 5> kStepKeys = {"type", "n", "t", "mjd", "dt"};
constexpr std::array<std::string_view, 11> kVesselKeys = {
    "name", "anim",          "earth_dir",          "earth_dist_m", "sun_dir", "lon_deg",
    "q",    "propellant_kg", "pointing_error_deg", "earth_dish",   "thrust"};
// A profile's roles for the animations that turn while the dishes track.
constexpr std::array<std::string_view, 3> kTrackingRoles = {"rotation", "tilt1", "tilt2"};

double number(std::string_view text) {
    double x = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), x);
    return x;
}

template <std::size_t N>
bool among(const std::array<std::string_view, N>& keys, std::string_view key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::size_t skip_space(std::string_view s, std::size_t i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
    return i;
}

// The end of the string starting at s[i] == '"', one past its closing quote.
std::size_t string_end(std::string_view s, std::size_t i) {
    for (++i; i < s.size(); ++i) {
        if (s[i] == '\\')
            ++i;
        else if (s[i] == '"')
            return i + 1;
    }
    return kNone;
}

// One past the end of the value starting at s[i].
std::size_t value_end(std::string_view s, std::size_t i) {
    if (i >= s.size()) return kNone;
    if (s[i] == '"') return string_end(s, i);
    if (s[i] == '{' || s[i] == '[') {
        int depth = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (c == '"') {
                i = string_end(s, i);
                if (i == kNone) return kNone;
                continue;
            }
            if (c == '{' || c == '[') ++depth;
            if ((c == '}' || c == ']') && --depth == 0) return i + 1;
            ++i;
        }
        return kNone;
    }
    while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ']' && s[i] != ' ' &&
           s[i] != '\t' && s[i] != '\n' && s[i] != '\r')
        ++i;
    return i;
}

// Calls member(key, raw key text with quotes, value text) for each member of
// the object `s`; false when `s` is not one object.
template <typename Member>
bool each_member(std::string_view s, Member member) {
    std::size_t i = skip_space(s, 0);
    if (i >= s.size() || s[i] != '{') return false;
    i = skip_space(s, i + 1);
    if (i < s.size() && s[i] == '}') return skip_space(s, i + 1) == s.size();
    while (i < s.size()) {
        if (s[i] != '"') return false;
        const std::size_t key_end = string_end(s, i);
        if (key_end == kNone) return false;
        const std::string_view quoted = s.substr(i, key_end - i);
        i = skip_space(s, key_end);
        if (i >= s.size() || s[i] != ':') return false;
        i = skip_space(s, i + 1);
        const std::size_t end = value_end(s, i);
        if (end == kNone || end == i) return false;
        member(quoted.substr(1, quoted.size() - 2), quoted, s.substr(i, end - i));
        i = skip_space(s, end);
        if (i < s.size() && s[i] == '}') return skip_space(s, i + 1) == s.size();
        if (i >= s.size() || s[i] != ',') return false;
        i = skip_space(s, i + 1);
    }
    return false;
}

// Calls element(text) for each element of the array `s`.
template <typename Element>
bool each_element(std::string_view s, Element element) {
    std::size_t i = skip_space(s, 0);
    if (i >= s.size() || s[i] != '[') return false;
    i = skip_space(s, i + 1);
    if (i < s.size() && s[i] == ']') return skip_space(s, i + 1) == s.size();
    while (i < s.size()) {
        const std::size_t end = value_end(s, i);
        if (end == kNone || end == i) return false;
        if (!element(s.substr(i, end - i))) return false;
        i = skip_space(s, end);
        if (i < s.size() && s[i] == ']') return skip_space(s, i + 1) == s.size();
        if (i >= s.size() || s[i] != ',') return false;
        i = skip_space(s, i + 1);
    }
    return false;
}

// The text of the object's member `name`; empty when it has none or is no
// object.
std::string_view member_value(std::string_view object, std::string_view name) {
    std::string_view found;
    each_member(object, [&](std::string_view key, std::string_view, std::string_view value) {
        if (key == name && found.empty()) found = value;
    });
    return found;
}

void append_member(std::string& out, bool& first, std::string_view quoted, std::string_view value) {
    if (!first) out += ',';
    first = false;
    out += quoted;
    out += ':';
    out += value;
}

bool tracks(const TrackingAnimations& tracking, std::string_view name) {
    return !tracking.known ||
           std::find(tracking.names.begin(), tracking.names.end(), name) != tracking.names.end();
}

bool lean_vessel(std::string_view vessel, const TrackingAnimations& tracking, LeanStep& step) {
    std::string& out = step.json;
    bool first = true, ok = true;
    out += '{';
    const bool object = each_member(
        vessel, [&](std::string_view key, std::string_view quoted, std::string_view value) {
            if (!among(kVesselKeys, key)) return;
            append_member(out, first, quoted, value);
            if (key == "anim") {
                step.mechanisms += '{';
                ok = ok && (value == "null" ||
                            each_member(value, [&](std::string_view name, std::string_view q,
                                                   std::string_view state) {
                                if (tracks(tracking, name)) {
                                    step.tracking.push_back(number(state));
                                    return;
                                }
                                step.mechanisms += q;
                                step.mechanisms += state;
                            }));
                step.mechanisms += '}';
            } else if (key == "thrust" && value != "null") {
                ok = ok && each_member(value, [&](std::string_view, std::string_view,
                                                  std::string_view level) {
                         if (level != "0" && level != "-0") step.thrusting = true;
                     });
            }
        });
    out += '}';
    return object && ok;
}

}  // namespace

TrackingAnimations tracking_animations(std::string_view header_json) {
    TrackingAnimations out;
    each_element(member_value(header_json, "vessels"), [&](std::string_view vessel) {
        const std::string_view roles = member_value(member_value(vessel, "profile"), "animations");
        if (roles.empty()) return true;
        out.known = true;
        for (const std::string_view role : kTrackingRoles) {
            const std::string_view name = member_value(roles, role);
            if (name.size() > 2 && name.front() == '"')
                out.names.emplace_back(name.substr(1, name.size() - 2));
        }
        return true;
    });
    return out;
}

bool lean_step(std::string_view json, const TrackingAnimations& tracking, LeanStep* out) {
    LeanStep step;
    bool first = true, ok = true;
    step.json += '{';
    const bool object = each_member(
        json, [&](std::string_view key, std::string_view quoted, std::string_view value) {
            if (among(kStepKeys, key)) {
                append_member(step.json, first, quoted, value);
                if (key == "t") step.t = number(value);
            } else if (key == "vessels") {
                if (!first) step.json += ',';
                first = false;
                step.json += quoted;
                step.json += ":[";
                bool first_vessel = true;
                ok = ok && each_element(value, [&](std::string_view vessel) {
                         if (!first_vessel) step.json += ',';
                         first_vessel = false;
                         return lean_vessel(vessel, tracking, step);
                     });
                step.json += ']';
            }
        });
    if (!object || !ok) return false;
    step.json += '}';
    *out = std::move(step);
    return true;
}

}  // namespace standin
