#include "standin/core/session.h"

#include <algorithm>

#include "standin/core/scenario_block.h"

namespace standin {

namespace {

// Names the vessel whose callback runs, for the calls it makes.
class Acting {
public:
    Acting(Host& host, const VesselRecord& vessel) : host_(host) { host_.set_acting(&vessel); }
    ~Acting() { host_.set_acting(nullptr); }
    Acting(const Acting&) = delete;
    Acting& operator=(const Acting&) = delete;

private:
    Host& host_;
};

}  // namespace

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

    Acting acting(host_, record);
    object->clbkSetupClass(nullptr);
    if (order.scenario_lines) {
        ScenarioBlock block(*order.scenario_lines);
        // The status handed back with each host line is the block itself:
        // its cursor tells which line that was.
        object->clbkLoadState(block.handle(), &block);
    }
    host_.world().vessel_ready(record);
    object->clbkAfterCreation();
    return vessels_.back();
}

void Session::destroy(SessionVessel& vessel) {
    auto it = std::find_if(vessels_.begin(), vessels_.end(),
                           [&vessel](const SessionVessel& v) { return &v == &vessel; });
    if (it == vessels_.end()) return;
    const OBJHANDLE handle = it->record->handle();
    {
        Acting acting(host_, *it->record);
        it->module->exports().zvcExit(it->object);
    }
    vessels_.erase(it);
    host_.remove_vessel(handle);
}

void Session::step(double dt) {
    World& world = host_.world();
    const double t0 = world.sim_time();
    const double mjd0 = world.sim_mjd();
    for (auto& v : vessels_) {
        host_.set_acting(v.record);
        v.object->clbkPreStep(t0, dt, mjd0);
    }
    world.advance(dt);
    const double t1 = world.sim_time();
    const double mjd1 = world.sim_mjd();
    for (auto& v : vessels_) {
        host_.set_acting(v.record);
        v.object->clbkPostStep(t1, dt, mjd1);
    }
    host_.set_acting(nullptr);
}

int Session::key(SessionVessel& vessel, std::uint32_t key, bool down, char* kstate) {
    Acting acting(host_, *vessel.record);
    return vessel.object->clbkConsumeBufferedKey(key, down, kstate);
}

bool Session::draw_hud(SessionVessel& vessel, const HUDPAINTSPEC& hps, zapi::Sketchpad& skp,
                       int mode) {
    Acting acting(host_, *vessel.record);
    return vessel.object->clbkDrawHUD(mode, &hps, &skp);
}

std::vector<std::string> Session::save(SessionVessel& vessel) {
    ScenarioBlock block;
    Acting acting(host_, *vessel.record);
    vessel.object->clbkSaveState(block.handle());
    return block.lines();
}

std::vector<std::string> Session::save_own(SessionVessel& vessel) {
    ScenarioBlock block;
    Acting acting(host_, *vessel.record);
    vessel.object->clbkSaveState(block.handle());
    return block.own_lines();
}

}  // namespace standin
