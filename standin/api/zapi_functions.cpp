// The host's free functions: each records the call, then answers from the
// host's state or the world.
#include "host/zapi.h"
#include "standin/core/earth_name.h"
#include "standin/core/host.h"
#include "standin/core/scenario_block.h"

using standin::current_host;

void InitLib(MODULEINSTANCE instance) {
    standin::Host& host = current_host();
    host.record(nullptr, "InitLib", "instance", instance);
    host.announced_modules.push_back(instance);
}

int Date2Int(char* date) {
    standin::Host& host = current_host();
    return host.record(nullptr, "Date2Int", "date", date).result(host.world().date_to_int(date));
}

OBJHANDLE zapiGetObjectByName(char* name) {
    standin::Host& host = current_host();
    if (__builtin_expect(!host.watched(), 1)) return host.world().object_by_name(name);
    const auto call = host.record(nullptr, "zapiGetObjectByName", "name", name);
    if ((host.faults() & standin::HostFault::no_earth) != 0 && standin::is_earth_name(name))
        return call.result(OBJHANDLE{nullptr});
    return call.result(host.world().object_by_name(name));
}

void zapiGetGlobalPos(OBJHANDLE object, VECTOR3* pos) {
    standin::Host& host = current_host();
    if (__builtin_expect(!host.watched(), 1)) {
        if (pos != nullptr) *pos = host.world().global_pos(object);
        return;
    }
    const auto call = host.record(nullptr, "zapiGetGlobalPos", "object pos", object, pos);
    if (pos != nullptr) {
        *pos = host.world().global_pos(object);
        call.answer("pos", *pos);
    }
}

double zapiGetPlanetCurrentRotation(OBJHANDLE planet) {
    standin::Host& host = current_host();
    if (__builtin_expect(!host.watched(), 1)) return host.world().planet_rotation(planet);
    return host.record(nullptr, "zapiGetPlanetCurrentRotation", "planet", planet)
        .result(host.world().planet_rotation(planet));
}

double zapiGetSimMJD() {
    standin::Host& host = current_host();
    if (__builtin_expect(!host.watched(), 1)) return host.world().sim_mjd();
    return host.record(nullptr, "zapiGetSimMJD", "").result(host.world().sim_mjd());
}

double zapiGetSimTime() {
    standin::Host& host = current_host();
    return host.record(nullptr, "zapiGetSimTime", "").result(host.world().sim_time());
}

SURFHANDLE zapiRegisterExhaustTexture(char* name) {
    standin::Host& host = current_host();
    return host.record(nullptr, "zapiRegisterExhaustTexture", "name", name)
        .result(host.register_texture(name));
}

bool zapiReadScenario_nextline(FILEHANDLE file, char*& line) {
    const auto call = current_host().record(nullptr, "zapiReadScenario_nextline", "file", file);
    if (file == nullptr) return call.result(false);
    char* next = standin::ScenarioBlock::from(file).next_line();
    if (next == nullptr) return call.result(false);
    line = next;
    call.answer("line", line);
    return call.result(true);
}

void zapiWriteScenario_string(FILEHANDLE file, char* key, char* value) {
    current_host().record(nullptr, "zapiWriteScenario_string", "file key value", file, key, value);
    if (file != nullptr) standin::ScenarioBlock::from(file).write(key, value);
}
