#include "standin/core/fault_schedule.h"

#include "standin/core/host.h"

namespace standin {

unsigned FaultSchedule::at(double t) const {
    unsigned faults = HostFault::none;
    for (const auto& w : windows_)
        if (t >= w.from && t < w.to) faults |= w.kind;
    return faults;
}

bool earth_vector_zeroed(Host& host, const VECTOR3& global) {
    if ((host.faults() & HostFault::zero_earth_vector) == 0) return false;
    World& world = host.world();
    const OBJHANDLE earth = world.object_by_name("Earth");
    if (earth == nullptr) return false;
    const VECTOR3 at = world.global_pos(earth);
    return at.x == global.x && at.y == global.y && at.z == global.z;
}

}  // namespace standin
