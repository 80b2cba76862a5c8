// A KRV taken through zvcInit and clbkSetupClass only, so that the call
// log holds exactly what the set-up asked of the host. The set-up is handed
// a class configuration file with lines in it, which it must leave unread.
#pragma once

#include <string>

#include "standin/core/host.h"
#include "standin/core/scenario_block.h"
#include "standin/loader/module_library.h"
#include "vessel/krv.h"

namespace krvtest {

class SetupOnly {
public:
    SetupOnly(standin::Host& host, standin::ModuleLoader& loader, const std::string& name,
              int flight_model)
        : module_(loader.for_class("KRV")),
          record_(host.add_vessel(name, "KRV", flight_model)),
          object_(module_.exports().zvcInit(record_.handle(), flight_model)) {
        static_cast<VESSEL2*>(object_)->clbkSetupClass(config_.handle());
    }
    ~SetupOnly() { module_.exports().zvcExit(object_); }
    SetupOnly(const SetupOnly&) = delete;
    SetupOnly& operator=(const SetupOnly&) = delete;

    standin::VesselRecord& record() { return record_; }
    // The module builds its vessels as krv objects on the VESSEL base.
    // The configuration file's lines, none of them taken by the module.
    standin::ScenarioBlock& config() { return config_; }
    krv& object() { return *static_cast<krv*>(static_cast<VESSEL3*>(object_)); }

private:
    standin::ModuleLibrary& module_;
    standin::VesselRecord& record_;
    VESSEL* object_;
    standin::ScenarioBlock config_{{"SIZE 99", "EMPTYMASS 1", "MESHNAME other"}};
};

}  // namespace krvtest
