// Drives the vessels of a simulation through their life cycle: creation,
// set-up, scenario state, steps, keys, HUD redraws, saves, destruction.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "host/vessel.h"
#include "standin/core/host.h"
#include "standin/loader/module_library.h"

namespace standin {

struct VesselSpec {
    std::string name;
    std::string class_name;
    int flight_model = 1;
    // The vessel's block when it comes from a scenario; none for a vessel
    // created afresh.
    std::optional<std::vector<std::string>> scenario_lines;
};

struct SessionVessel {
    VesselRecord* record = nullptr;
    VESSEL3* object = nullptr;  // owned by the module
    ModuleLibrary* module = nullptr;
};

class Session {
public:
    Session(Host& host, ModuleLoader& loader);
    ~Session();  // destroys every vessel still alive
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // zvcInit, clbkSetupClass, clbkLoadState (from a scenario), then
    // clbkAfterCreation. Throws ModuleLoadError when the class has no module.
    SessionVessel& create(const VesselSpec& order);
    void destroy(SessionVessel& vessel);

    // One simulation step of dt seconds for every vessel: clbkPreStep, the
    // world moves on, clbkPostStep.
    void step(double dt);

    // A buffered key event; kstate holds 256 bytes, a set top bit marking a
    // held key. Answers the vessel's result.
    int key(SessionVessel& vessel, std::uint32_t key, bool down, char* kstate);

    bool draw_hud(SessionVessel& vessel, const HUDPAINTSPEC& hps, zapi::Sketchpad& skp,
                  int mode = 1);

    // The vessel's block as clbkSaveState writes it.
    std::vector<std::string> save(SessionVessel& vessel);
    // The same without the host's own lines in it.
    std::vector<std::string> save_own(SessionVessel& vessel);

    std::deque<SessionVessel>& vessels() { return vessels_; }
    Host& host() { return host_; }

private:
    Host& host_;
    ModuleLoader& loader_;
    std::deque<SessionVessel> vessels_;
};

}  // namespace standin
