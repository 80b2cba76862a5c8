#include "standin/station/burn_flight.h"

#include "standin/core/standin_constants.h"
#include "standin/station/relocation_plan.h"
#include "standin/world/kepler.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {
// [s] times within this count as reached: sums of steps are not exact.
constexpr double kTimeSlack = 1e-6;
}  // namespace

const char* burn_role_name(BurnRole role) {
    switch (role) {
        case BurnRole::start:
            return "start";
        case BurnRole::trim:
            return "trim";
        case BurnRole::stop:
            break;
    }
    return "stop";
}

MainEngine main_engine(const VesselRecord& vessel) {
    MainEngine e;
    for (const auto& g : vessel.groups) {
        if (g.type != THGROUP_MAIN) continue;
        for (const Thruster* t : g.thrusters) {
            e.thrust += t->max_thrust;
            if (t->tank != nullptr) {
                e.exhaust_velocity = t->isp * t->tank->efficiency;
                e.propellant = t->tank->mass;
            }
        }
        break;
    }
    return e;
}

void BurnFlight::before_step(OrbitalWorld& world, VesselRecord& vessel, ExecutedBurn& b) {
    const double t = world.sim_time();
    if (!b.commanded && t >= b.start - kTimeSlack) {
        const MainEngine engine = main_engine(vessel);
        b.duration = burn_duration(vessel.total_mass(), b.planned_dv, engine.thrust,
                                   engine.exhaust_velocity);
        b.start = t;
        b.centre = t + b.duration / 2.0;
        world.schedule_burn(vessel, b.group, b.start, b.duration, b.level);
        b.commanded = true;
    }
    if (std::isnan(b.mass_before) && t >= b.start - kTimeSlack) {
        b.mass_before = vessel.total_mass();
        state_before_ = world.state(vessel);
        b.start = t;  // the edge as stepped
    }
    if (!std::isnan(b.mass_before) && std::isnan(b.mass_after) &&
        t >= b.start + b.duration - kTimeSlack) {
        b.mass_after = vessel.total_mass();
        const StateVector coasted = kepler_propagate(state_before_, t - b.start, kEarthMu);
        b.dv = norm(world.state(vessel).v - coasted.v);
    }
}

}  // namespace standin
