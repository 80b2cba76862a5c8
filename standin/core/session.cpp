#include "standin/core/session.h"

#include <algorithm>

#include "standin/core/scenario_block.h"

namespace standin {

Session::Session(Host& host, ModuleLoader& loader) : host_(host), loader_(loader) {}

Session::~Session() {
    while (!vessels_.empty()) destroy(vessels_.back());
}

SessionVessel& Session::create(const VesselSpec& order) {
    ModuleLibrary& module = loader_.for_class(order.class_name);
    VesselRecord& record = host_.add_vessel(order.name, order.class_name, order.flight_model);
    VESSEL* base = module.exports().zvcInit(record.handle(), order.flight_model);
    // The class's module builds its vessels on VESSEL3; the host holds them
    // through the VESSEL base and reaches the callbacks through the derived
    // class, as the module's interface version says it may.
    auto* object = static_cast<VESSEL3*>(base);
    vessels_.push_back({&record, object, &module});

    object->clbkSetupClass(nullptr);
    if (order.scenario_lines) {
        ScenarioBlock block(*order.scenario_lines);
        // The status the host fills from its own lines is the vessel record.
        object->clbkLoadState(block.handle(), &record);
    }
    object->clbkAfterCreation();
    return vessels_.back();
}

void Session::destroy(SessionVessel& vessel) {
    auto it = std::find_if(vessels_.begin(), vessels_.end(),
                           [&vessel](const SessionVessel& v) { return &v == &vessel; });
    if (it == vessels_.end()) return;
    const OBJHANDLE handle = it->record->handle();
    it->module->exports().zvcExit(it->object);
    vessels_.erase(it);
    host_.remove_vessel(handle);
}

void Session::step(double dt) {
    World& world = host_.world();
    const double t0 = world.sim_time();
    const double mjd0 = world.sim_mjd();
    for (auto& v : vessels_) v.object->clbkPreStep(t0, dt, mjd0);
    world.advance(dt);
    const double t1 = world.sim_time();
    const double mjd1 = world.sim_mjd();
    for (auto& v : vessels_) v.object->clbkPostStep(t1, dt, mjd1);
}

int Session::key(SessionVessel& vessel, std::uint32_t key, bool down, char* kstate) {
    return vessel.object->clbkConsumeBufferedKey(key, down, kstate);
}

bool Session::draw_hud(SessionVessel& vessel, const HUDPAINTSPEC& hps, zapi::Sketchpad& skp,
                       int mode) {
    return vessel.object->clbkDrawHUD(mode, &hps, &skp);
}

std::vector<std::string> Session::save(SessionVessel& vessel) {
    ScenarioBlock block;
    vessel.object->clbkSaveState(block.handle());
    return block.lines();
}

}  // namespace standin
