// A stand-in host for benchmarks: scripted world with fixed answers, no
// call log, the real KRV.so loaded through the loader.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "standin/core/host.h"
#include "standin/core/scripted_world.h"
#include "standin/core/session.h"
#include "standin/loader/module_library.h"

namespace krvbench {

// The scenario block of a KRV with booms, panels and covers open and its
// dishes near their targets.
std::vector<std::string> deployed_block();
// The same KRV with every mechanism moving (opening from mid travel).
std::vector<std::string> moving_block();

class BenchHost {
public:
    BenchHost();
    ~BenchHost();

    // A geostationary orbit near the target, the Earth off the vessel's
    // +y/-z quadrant, fixed for every step.
    void set_fixed_answers();

    standin::SessionVessel& spawn(const std::vector<std::string>& lines);

    standin::ScriptedWorld world;
    standin::Host host{world, KRV_DATA_DIR};
    std::unique_ptr<standin::ModuleLoader> loader;
    std::unique_ptr<standin::Session> session;
};

}  // namespace krvbench
