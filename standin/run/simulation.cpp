#include "standin/run/simulation.h"

#include "standin/core/recording_sketchpad.h"
#include "standin/scenario/scenario_loader.h"

namespace standin {

Simulation::Simulation(const Scenario& scenario, const std::filesystem::path& modules_dir,
                       const std::filesystem::path& installation, HostHooks hooks)
    : world_(std::make_unique<OrbitalWorld>(scenario.mjd, scenario.time)),
      host_(std::make_unique<Host>(*world_, installation)),
      loader_(std::make_unique<ModuleLoader>(modules_dir)),
      session_(std::make_unique<Session>(*host_, *loader_)) {
    host_->record_into(hooks.log);
    host_->set_faults(hooks.faults);
    vessels_ = load_vessels(scenario, *session_, *loader_, *world_);
}

Simulation::~Simulation() {
    // Vessels go before their modules, modules before the host.
    session_.reset();
    loader_.reset();
    host_.reset();
}

int Simulation::press(SessionVessel& vessel, const KeySpec& key) {
    auto state = key.key_state();
    const int used = session_->key(vessel, key.code, true, state.data());
    session_->key(vessel, key.code, false, state.data());
    return used;
}

HudFrame Simulation::hud(SessionVessel& vessel, int width, int height) {
    RecordingSketchpad pad;
    HUDPAINTSPEC hps{width, height, width / 2, height / 2, height / 60.0, height / 48};
    session_->draw_hud(vessel, hps, pad);
    return {world_->sim_time(), vessel.record->name, width, height, pad.texts()};
}

std::string Simulation::scenario_text() {
    return write_scenario(*session_, *world_);
}

std::vector<std::string> Simulation::vessel_own_lines(SessionVessel& vessel) {
    return session_->save_own(vessel);
}

}  // namespace standin
