#include "standin/live/commands.h"

#include <cctype>
#include <cmath>
#include <initializer_list>
#include <nlohmann/json.hpp>

#include "standin/core/thruster_group_names.h"
#include "standin/station/longitude_text.h"

namespace standin::live {

namespace {

using nlohmann::json;

// A refusal carried out of the field readers below.
struct Refused {
    Refusal why;
    std::string detail;
};

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Every field of the message is one of `allowed` ("type" and "id" always are).
void only_fields(const json& m, std::initializer_list<const char*> allowed) {
    for (const auto& item : m.items()) {
        const std::string& k = item.key();
        bool known = k == "type" || k == "id";
        for (const char* a : allowed) known = known || k == a;
        if (!known) throw Refused{Refusal::invalid, "unexpected field '" + k + "'"};
    }
}

const json& field(const json& m, const char* name) {
    const auto it = m.find(name);
    if (it == m.end()) throw Refused{Refusal::invalid, std::string("missing field '") + name + "'"};
    return *it;
}

double number(const json& m, const char* name, double lo, double hi) {
    const json& v = field(m, name);
    const double x = v.is_number() ? v.get<double>() : NAN;
    if (!(x >= lo && x <= hi))
        throw Refused{Refusal::invalid, std::string("'") + name + "' must be a number from " +
                                            json(lo).dump() + " to " + json(hi).dump()};
    return x;
}

std::string text(const json& m, const char* name) {
    const json& v = field(m, name);
    if (!v.is_string()) throw Refused{Refusal::invalid, std::string("'") + name + "' must be text"};
    return v.get<std::string>();
}

bool known_key(const std::string& name) {
    if (name == "SPACE" || name == "RETURN") return true;
    return name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]));
}

Key key(const json& m) {
    only_fields(m, {"key", "mods"});
    Key k;
    k.name = upper(text(m, "key"));
    if (k.name == "ENTER") k.name = "RETURN";
    if (!known_key(k.name))
        throw Refused{Refusal::invalid, "'key' must be a letter, a digit, SPACE or RETURN"};
    if (const auto mods = m.find("mods"); mods != m.end()) {
        if (!mods->is_array() || mods->size() > 4)
            throw Refused{Refusal::invalid, "'mods' must be a list of Shift, RShift, Ctrl, Alt"};
        for (const json& mod : *mods) {
            const std::string name = mod.is_string() ? upper(mod.get<std::string>()) : "";
            if (name == "SHIFT" || name == "LSHIFT")
                k.shift = true;
            else if (name == "RSHIFT")
                k.right_shift = true;
            else if (name == "CTRL")
                k.ctrl = true;
            else if (name == "ALT")
                k.alt = true;
            else
                throw Refused{Refusal::invalid,
                              "'mods' must be a list of Shift, RShift, Ctrl, Alt"};
        }
    }
    return k;
}

Burn burn(const json& m) {
    only_fields(m, {"group", "seconds", "level"});
    Burn b;
    b.group = text(m, "group");
    for (char& c : b.group) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!standin::group_by_name(b.group))
        throw Refused{Refusal::invalid,
                      std::string("'group' must be one of ") + standin::group_names_help()};
    b.seconds = number(m, "seconds", 0.0, 86400.0);
    if (b.seconds <= 0.0) throw Refused{Refusal::invalid, "'seconds' must be above 0"};
    if (m.contains("level")) b.level = number(m, "level", 0.0, 1.0);
    return b;
}

Attitude attitude(const json& m) {
    only_fields(m, {"mode"});
    const std::string mode = text(m, "mode");
    if (mode == "sun") return {AttitudeMode::sun};
    if (mode == "prograde") return {AttitudeMode::prograde};
    if (mode == "retrograde") return {AttitudeMode::retrograde};
    if (mode == "hold") return {AttitudeMode::hold};
    throw Refused{Refusal::invalid, "'mode' must be sun, prograde, retrograde or hold"};
}

double longitude(const std::string& lon) {
    const auto east = standin::parse_longitude(lon);
    if (!east)
        throw Refused{Refusal::invalid,
                      "'lon' must be a longitude: degrees 0 to 180 and E or W, e.g. 102W"};
    return *east;
}

Relocate relocate(const json& m) {
    only_fields(m, {"lon", "orbits"});
    Relocate r;
    r.lon = text(m, "lon");
    r.lon_east_deg = longitude(r.lon);
    const double orbits = number(m, "orbits", 1.0, 999999.0);
    if (orbits != std::floor(orbits))
        throw Refused{Refusal::invalid, "'orbits' must be a whole number from 1"};
    r.orbits = static_cast<int>(orbits);
    return r;
}

KeepStation keep_station(const json& m) {
    only_fields(m, {"lon", "halfwidth"});
    KeepStation k;
    k.lon = text(m, "lon");
    k.lon_east_deg = longitude(k.lon);
    k.halfwidth_deg = number(m, "halfwidth", 0.0, 10.0);
    if (k.halfwidth_deg <= 0.0) throw Refused{Refusal::invalid, "'halfwidth' must be above 0"};
    return k;
}

Order order(const std::string& type, const json& m) {
    if (type == "key") return key(m);
    if (type == "warp") {
        only_fields(m, {"factor"});
        return Warp{number(m, "factor", 1.0, 100000.0)};
    }
    if (type == "pause") {
        only_fields(m, {});
        return Pause{};
    }
    if (type == "resume") {
        only_fields(m, {});
        return Resume{};
    }
    if (type == "burn") return burn(m);
    if (type == "attitude") return attitude(m);
    if (type == "relocate") return relocate(m);
    if (type == "keep") return keep_station(m);
    // A page's text may be long: the reply quotes only its start.
    throw Refused{Refusal::unknown, "unknown type '" + type.substr(0, 40) + "'"};
}

}  // namespace

std::string Key::text() const {
    std::string t;
    if (ctrl) t += "Ctrl+";
    if (alt) t += "Alt+";
    if (shift) t += "Shift+";
    if (right_shift) t += "RShift+";
    return t + name;
}

const char* refusal_name(Refusal r) {
    switch (r) {
        case Refusal::malformed:
            return "malformed";
        case Refusal::unknown:
            return "unknown";
        case Refusal::invalid:
            return "invalid";
        case Refusal::too_big:
            return "too_big";
        case Refusal::busy:
            return "busy";
    }
    return "malformed";
}

ParseResult parse_command(const std::string& message) {
    ParseResult result;
    // No exceptions from the parser: a page's bytes are not trusted.
    const json m = json::parse(message, nullptr, false);
    if (m.is_discarded() || !m.is_object()) {
        result.detail = "not a JSON object";
        return result;
    }
    if (const auto id = m.find("id"); id != m.end()) {
        if (!id->is_number_integer()) {
            result.refusal = Refusal::invalid;
            result.detail = "'id' must be a whole number";
            return result;
        }
        result.id = id->get<std::int64_t>();
    }
    const auto type = m.find("type");
    if (type == m.end() || !type->is_string()) {
        result.detail = "no 'type' text";
        return result;
    }
    try {
        Command c;
        c.id = result.id;
        c.order = order(type->get<std::string>(), m);
        c.message = m.dump();
        result.command = std::move(c);
    } catch (const Refused& r) {
        result.refusal = r.why;
        result.detail = r.detail;
    }
    return result;
}

std::string error_reply(Refusal r, const std::string& detail, std::optional<std::int64_t> id) {
    json reply = {{"type", "error"}, {"error", refusal_name(r)}, {"detail", detail}};
    if (id) reply["id"] = *id;
    // A page's own bytes may come back in the detail: never fail on bad UTF-8.
    return reply.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace standin::live
