// A stand-in host with scripted answers and a call log, for tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "standin/core/host.h"
#include "standin/core/scripted_world.h"
#include "standin/core/session.h"
#include "standin/loader/module_library.h"

namespace krvtest {

class HostFixture : public ::testing::Test {
protected:
    HostFixture();
    ~HostFixture() override;

    // Creates a KRV through the real module, from scenario lines if given.
    standin::SessionVessel& spawn(const std::string& name = "KRV-1", int flight_model = 1);
    standin::SessionVessel& spawn_from(const std::vector<std::string>& lines,
                                       const std::string& name = "KRV-1");

    standin::ScriptedWorld world;
    standin::CallLog log;
    standin::Host host{world, KRV_DATA_DIR};
    std::unique_ptr<standin::ModuleLoader> loader;
    std::unique_ptr<standin::Session> session;
};

// The calls of a log from index `from` on, as readable text: gives a
// readable failure message when a sequence check fails.
std::vector<std::string> describe(const standin::CallLog& log, std::size_t from = 0);

}  // namespace krvtest
