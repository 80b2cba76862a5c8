// A vessel record with the KRV's masses, tank, main engine and six
// attitude groups (couples of 40 N m about each axis both ways), declared as
// the module declares them to the host.
#pragma once

#include "standin/core/vessel_record.h"
#include "standin/world/orbital_world.h"

namespace krv_test {

struct StationVessel {
    standin::VesselRecord rec;
    explicit StationVessel(standin::OrbitalWorld& w);
};

}  // namespace krv_test
