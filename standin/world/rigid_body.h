// A vessel's motion as a rigid body about the Earth: position, velocity,
// attitude and body rates, integrated numerically while forces or torques
// act on it.
#pragma once

#include "standin/world/quaternion.h"
#include "standin/world/state_vector.h"
#include "standin/world/thrust_model.h"

namespace standin {

struct RigidBodyState {
    StateVector orbit;
    Quaternion attitude;
    VECTOR3 omega{0.0, 0.0, 0.0};  // [rad/s] body rates, vessel frame
};

// One fourth-order Runge-Kutta step of h seconds under the Earth's gravity
// (parameter mu) and a load that is constant in the vessel frame, the mass
// falling linearly from mass0 [kg] at load.mass_flow. pmi: principal
// moments of inertia per unit mass [m^2]. perturbation [m/s^2]: the other
// forces' acceleration, taken as constant over the step.
RigidBodyState integrate_step(const RigidBodyState& s, const ThrustLoad& load, double mass0,
                              const VECTOR3& pmi, double h, double mu,
                              const VECTOR3& perturbation = {0.0, 0.0, 0.0});

}  // namespace standin
