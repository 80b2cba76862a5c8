#include "standin/run/burn_edge_event.h"

#include "standin/core/thruster_group_names.h"

namespace standin {

RunEvent burn_edge_event(double t, std::size_t vessel, const ExecutedBurn& b, bool start) {
    RunEvent e;
    e.kind = RunEvent::Kind::burn;
    e.t = t;
    e.vessel = vessel;
    e.name = group_name(b.group);
    e.start = start;
    e.value = start ? b.level : 0.0;
    e.planned_dv = b.planned_dv;
    if (!start) e.dv = b.dv;
    return e;
}

}  // namespace standin
