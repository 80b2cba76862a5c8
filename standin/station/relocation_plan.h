// Planning a move along the geostationary arc: a tangential burn onto a
// drift orbit whose period carries the mean sub-satellite longitude onto the
// target in a whole number of drift orbits, and a burn the other way at the
// same point of the orbit that makes the orbit geostationary again. In the
// real sky the drift is the true one (the synchronous orbit is wider under
// J2) and changes on the way under the longitude acceleration of the
// longitudes passed.
#pragma once

#include <optional>
#include <string>

#include "standin/station/drift_acceleration.h"
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
    // The real sky's arc: the synchronous orbit under the zonal terms and
    // the longitude acceleration along the way. Null: the Keplerian world.
    const DriftAcceleration* drift = nullptr;
};

struct RelocationPlan {
    double start_lon = 0.0;        // [deg] east: where the vessel would arrive with no drift
    double gap = 0.0;              // [deg] signed, east positive, |gap| <= 180
    double drift_per_orbit = 0.0;  // [deg] east positive, at the start
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

// A drift along the arc in the real sky, from the start burn to the stop.
struct ArcFlight {
    double start_drift_deg_day = 0.0;  // [deg/day] east positive, after the start burn
    double start_a = 0.0;              // [m] osculating semi-major axis for it
    double period = 0.0;               // [s] of the drift orbit: the stop comes orbits of it later
    double stop_drift_deg_day = 0.0;   // [deg/day] on arrival, before the stop burn
    double stop_a = 0.0;               // [m] osculating semi-major axis then
    double miss_deg = 0.0;             // [deg] east of the target at the stop
};

// The drift from start_lon [deg east] that covers gap [deg, east positive]
// in `orbits` drift orbits under drift's longitude acceleration.
ArcFlight fly_arc(const DriftAcceleration& drift, double start_lon, double gap, int orbits);

// [m] the osculating semi-major axis (about kEarthMu) of a near-circular
// equatorial orbit whose true drift is drift_deg_day [deg/day, east +].
double drift_semi_major_axis(const DriftAcceleration& drift, double drift_deg_day);

// Takes the shorter way round (west when the gap is exactly 180 degrees).
RelocationOutcome plan_relocation(const RelocationRequest& request);

// Burn time [s] at full thrust for a delta-v, by the rocket equation.
double burn_duration(double mass, double dv, double thrust, double exhaust_velocity);

}  // namespace standin
