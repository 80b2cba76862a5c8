// Brings a scenario's vessels into a session: every class's module is
// found first, then each vessel is created and reads its block, and only
// when no block had a problem may the session run.
#pragma once

#include <vector>

#include "standin/core/session.h"
#include "standin/scenario/scenario_file.h"
#include "standin/world/orbital_world.h"

namespace standin {

// Throws ModuleLoadError when a class's module file is there but does not
// load. Throws ScenarioError naming the file and line of every problem found
// (an unknown class, a malformed or out-of-range host line, a block without
// an orbit). The vessels it created stay in the session, which must then
// not be run.
std::vector<SessionVessel*> load_vessels(const Scenario& scenario, Session& session,
                                         ModuleLoader& loader, OrbitalWorld& world);

// The session's vessels as a scenario file's text, at the world's time.
std::string write_scenario(Session& session, const OrbitalWorld& world);

}  // namespace standin
