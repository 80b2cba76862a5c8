// A main-engine burn as the host flies it for a relocation or for station
// keeping: planned ahead, handed to the world at its start and sized with
// the mass then (the attitude thrusters draw propellant while the vessel
// turns and waits), measured at its edges.
#pragma once

#include <cmath>

#include "host/types.h"
#include "standin/world/orbital_world.h"
#include "standin/world/state_vector.h"

namespace standin {

enum class BurnRole { start, trim, stop };
const char* burn_role_name(BurnRole role);

struct ExecutedBurn {
    BurnRole role = BurnRole::start;
    THGROUP_TYPE group = THGROUP_MAIN;
    double level = 1.0;  // [0..1]
    bool prograde = true;
    double centre = 0.0;      // [s]
    double start = 0.0;       // [s]
    double duration = 0.0;    // [s] at full thrust
    double planned_dv = 0.0;  // [m/s]
    // Handed to the world at ignition, sized with the mass then (the
    // attitude thrusters draw propellant while the vessel turns and waits).
    bool commanded = false;
    // Measured at the burn's edges (NaN until then).
    double mass_before = std::nan("");  // [kg]
    double mass_after = std::nan("");   // [kg]
    double dv = std::nan("");           // [m/s] velocity change beyond coasting

    bool started() const { return !std::isnan(mass_before); }
    bool ended() const { return !std::isnan(mass_after); }
};

// The main engine as the host declared it: thrust [N], exhaust velocity
// [m/s] (specific impulse x tank efficiency), propellant [kg] in its tank.
struct MainEngine {
    double thrust = 0.0;
    double exhaust_velocity = 0.0;
    double propellant = 0.0;
};
MainEngine main_engine(const VesselRecord& vessel);

// Flies one ExecutedBurn at a time: called before each step while the burn
// is due or under way, it ignites it at its start (a step boundary) and
// measures the mass and the velocity change beyond coasting at its edges.
class BurnFlight {
public:
    void before_step(OrbitalWorld& world, VesselRecord& vessel, ExecutedBurn& burn);

private:
    StateVector state_before_;
};

}  // namespace standin
