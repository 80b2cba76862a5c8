#include "standin/core/scripted_world.h"

#include "standin/core/earth_name.h"
#include "standin/core/scenario_block.h"

namespace standin {

ScriptedWorld::ScriptedWorld() = default;

OBJHANDLE ScriptedWorld::earth() const {
    return reinterpret_cast<OBJHANDLE>(const_cast<int*>(&earth_object_));
}

void ScriptedWorld::set_earth_local(const VECTOR3& local) {
    axes[0] = {1, 0, 0};
    axes[1] = {0, 1, 0};
    axes[2] = {0, 0, 1};
    vessel_pos = {0, 0, 0};
    earth_pos = local;
}

OBJHANDLE ScriptedWorld::object_by_name(const char* name) {
    if (earth_present && is_earth_name(name)) return earth();
    return nullptr;
}

VECTOR3 ScriptedWorld::global_pos(OBJHANDLE object) {
    return object != nullptr && object == earth() ? earth_pos : VECTOR3{0, 0, 0};
}

double ScriptedWorld::planet_rotation(OBJHANDLE planet) {
    return planet != nullptr && planet == earth() ? earth_rotation : 0.0;
}

VECTOR3 ScriptedWorld::global_to_local(const VesselRecord& /*vessel*/, const VECTOR3& global) {
    const VECTOR3 d{global.x - vessel_pos.x, global.y - vessel_pos.y, global.z - vessel_pos.z};
    auto dot = [&d](const VECTOR3& a) { return a.x * d.x + a.y * d.y + a.z * d.z; };
    return {dot(axes[0]), dot(axes[1]), dot(axes[2])};
}

bool ScriptedWorld::elements(const VesselRecord& /*vessel*/, OBJHANDLE /*ref*/, ELEMENTS& el,
                             ORBITPARAM* prm, double /*mjd*/, int /*frame*/) {
    el = orbit_elements;
    if (prm != nullptr) *prm = orbit_params;
    return elements_ok;
}

int ScriptedWorld::date_to_int(const char* date) {
    return date_answer ? *date_answer : World::date_to_int(date);
}

void ScriptedWorld::write_vessel_lines(const VesselRecord& /*vessel*/, ScenarioBlock& block) {
    for (const auto& line : own_lines) {
        const auto blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        block.write(key.c_str(), value.c_str());
    }
}

void ScriptedWorld::parse_vessel_line(VesselRecord& /*vessel*/, const char* line, void* status) {
    const std::size_t index =
        status != nullptr ? static_cast<ScenarioBlock*>(status)->line_read() : ScenarioBlock::npos;
    parsed_lines.push_back({line != nullptr ? line : "", status, index});
}

}  // namespace standin
