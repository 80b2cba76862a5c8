// A scenario brought to life in the stand-in host: the orbital world, the
// host, the modules and the vessels, ready to step.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "standin/core/host.h"
#include "standin/core/session.h"
#include "standin/loader/module_library.h"
#include "standin/run/key_spec.h"
#include "standin/scenario/scenario_file.h"
#include "standin/snapshot/hud_frame.h"
#include "standin/world/orbital_world.h"

namespace standin {

// What the host does beside answering truly, from before the first vessel
// is created: record every call into log; answer falsely in faults' windows.
struct HostHooks {
    CallLog* log = nullptr;
    const FaultSchedule* faults = nullptr;
};

class Simulation {
public:
    // Throws ScenarioError when the scenario cannot be loaded; nothing has
    // been stepped then.
    Simulation(const Scenario& scenario, const std::filesystem::path& modules_dir,
               const std::filesystem::path& installation = KRV_DATA_DIR, HostHooks hooks = {});
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    OrbitalWorld& world() { return *world_; }
    Host& host() { return *host_; }
    Session& session() { return *session_; }
    const std::vector<SessionVessel*>& vessels() const { return vessels_; }

    void step(double dt) { session_->step(dt); }
    // A press and its release, as the host buffers them; the press's result.
    int press(SessionVessel& vessel, const KeySpec& key);
    HudFrame hud(SessionVessel& vessel, int width, int height);
    // The whole scenario as a file's text, at the current time.
    std::string scenario_text();
    // The vessel's own lines of its block, without the host's.
    std::vector<std::string> vessel_own_lines(SessionVessel& vessel);

private:
    std::unique_ptr<OrbitalWorld> world_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<ModuleLoader> loader_;
    std::unique_ptr<Session> session_;
    std::vector<SessionVessel*> vessels_;
};

}  // namespace standin
