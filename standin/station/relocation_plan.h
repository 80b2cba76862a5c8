// Planning a move along the geostationary arc: a tangential burn onto a
// drift orbit whose period carries the mean sub-satellite longitude onto the
// target in a whole number of drift orbits, and a burn the other way at the
// same point of the orbit that makes the orbit geostationary again.
#pragma once

#include <optional>
#include <string>

#include "standin/world/state_vector.h"

namespace standin {

struct RelocationRequest {
    StateVector state;              // global frame at the start burn's centre
    double earth_rotation = 0.0;    // [rad] Earth rotation angle at that moment
    double mass = 0.0;              // [kg] vessel, propellant included
    double propellant = 0.0;        // [kg] available to the main engine
    double thrust = 0.0;            // [N] main engine
    double exhaust_velocity = 0.0;  // [m/s] specific impulse x tank efficiency
    double target_lon = 0.0;        // [deg] east, 0..360
    int orbits = 0;                 // drift orbits between the burns
};

struct RelocationPlan {
    double start_lon = 0.0;        // [deg] east: where the vessel would arrive with no drift
    double gap = 0.0;              // [deg] signed, east positive, |gap| <= 180
    double drift_per_orbit = 0.0;  // [deg] east positive
    double drift_period = 0.0;     // [s]
    double drift_a = 0.0;          // [m] semi-major axis of the drift orbit
    double delta_a = 0.0;          // [m] drift orbit minus present orbit
    bool prograde = true;          // start burn along the velocity (drift west)
    double start_dv = 0.0;         // [m/s] magnitude
    double start_duration = 0.0;   // [s] at full thrust
    double stop_dv = 0.0;          // [m/s] magnitude, the other way
    double stop_duration = 0.0;    // [s]
    double stop_offset = 0.0;      // [s] from the start burn's centre to the stop burn's
    double propellant = 0.0;       // [kg] both burns
};

struct RelocationOutcome {
    std::optional<RelocationPlan> plan;
    std::string refusal;  // why there is no plan
};

// Takes the shorter way round (west when the gap is exactly 180 degrees).
RelocationOutcome plan_relocation(const RelocationRequest& request);

// Burn time [s] at full thrust for a delta-v, by the rocket equation.
double burn_duration(double mass, double dv, double thrust, double exhaust_velocity);

}  // namespace standin
