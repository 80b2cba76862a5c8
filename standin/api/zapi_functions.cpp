// The host's free functions: each records the call, then answers from the
// host's state or the world.
#include "host/zapi.h"
#include "standin/core/host.h"
#include "standin/core/scenario_block.h"

using standin::current_host;

void InitLib(MODULEINSTANCE instance) {
    standin::Host& host = current_host();
    host.record(nullptr, "InitLib", instance);
    host.announced_modules.push_back(instance);
}

int Date2Int(char* date) {
    standin::Host& host = current_host();
    host.record(nullptr, "Date2Int", date);
    return host.world().date_to_int(date);
}

OBJHANDLE zapiGetObjectByName(char* name) {
    standin::Host& host = current_host();
    host.record(nullptr, "zapiGetObjectByName", name);
    return host.world().object_by_name(name);
}

void zapiGetGlobalPos(OBJHANDLE object, VECTOR3* pos) {
    standin::Host& host = current_host();
    host.record(nullptr, "zapiGetGlobalPos", object, pos);
    if (pos != nullptr) *pos = host.world().global_pos(object);
}

double zapiGetPlanetCurrentRotation(OBJHANDLE planet) {
    standin::Host& host = current_host();
    host.record(nullptr, "zapiGetPlanetCurrentRotation", planet);
    return host.world().planet_rotation(planet);
}

double zapiGetSimMJD() {
    standin::Host& host = current_host();
    host.record(nullptr, "zapiGetSimMJD");
    return host.world().sim_mjd();
}

double zapiGetSimTime() {
    standin::Host& host = current_host();
    host.record(nullptr, "zapiGetSimTime");
    return host.world().sim_time();
}

SURFHANDLE zapiRegisterExhaustTexture(char* name) {
    standin::Host& host = current_host();
    host.record(nullptr, "zapiRegisterExhaustTexture", name);
    return host.register_texture(name);
}

bool zapiReadScenario_nextline(FILEHANDLE file, char*& line) {
    current_host().record(nullptr, "zapiReadScenario_nextline", file);
    if (file == nullptr) return false;
    char* next = standin::ScenarioBlock::from(file).next_line();
    if (next == nullptr) return false;
    line = next;
    return true;
}

void zapiWriteScenario_string(FILEHANDLE file, char* key, char* value) {
    current_host().record(nullptr, "zapiWriteScenario_string", file, key, value);
    if (file != nullptr) standin::ScenarioBlock::from(file).write(key, value);
}
