// What a vessel's thrusters do at their commanded levels: the force and
// torque in the vessel frame, and the propellant they burn.
#pragma once

#include "host/types.h"
#include "standin/core/vessel_record.h"

namespace standin {

struct ThrustLoad {
    VECTOR3 force{0.0, 0.0, 0.0};   // [N] vessel frame
    VECTOR3 torque{0.0, 0.0, 0.0};  // [N m] about the vessel's origin
    double mass_flow = 0.0;         // [kg/s] total drawn from the tanks
    bool any() const { return mass_flow > 0.0; }
};

// Fires every thruster at its level for h seconds and takes the propellant
// from the tanks: a thruster draws thrust / (specific impulse x the tank's
// efficiency), and a tank that holds less than its thrusters' demand for
// the interval gives what it has, their thrust shrinking in proportion. A
// thruster without a tank, or on an empty one, gives nothing.
ThrustLoad fire_thrusters(VesselRecord& vessel, double h);

// The force and torque of one group at full thrust, ignoring propellant.
ThrustLoad group_capacity(const ThrusterGroup& group);

}  // namespace standin
