// Flies a planned relocation in the orbital world: turns the vessel for the
// start burn, burns the main engine centred on the planned point, turns
// back to the Sun, and after the drift orbits stops the drift with a burn
// the other way at the same point of the orbit. Then it watches the true
// motion for a sidereal day and arrives.
//
// In the real sky (forces other than two-body) it also re-predicts the
// arrival once a day from the true motion fitted over the last sidereal day
// and the longitude acceleration ahead, and trims the drift with a small
// burn when the prediction misses by more than a few hundredths of a
// degree; the stop burn cancels the true drift rather than making the
// osculating period a sidereal day; and a drift left after the stop is
// trimmed too, until under a few ten-thousandths of a degree a day.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "standin/station/burn_flight.h"
#include "standin/station/drift_acceleration.h"
#include "standin/station/relocation_plan.h"
#include "standin/station/true_motion.h"
#include "standin/world/orbital_world.h"

namespace standin {

struct RelocationOrder {
    double time = 0.0;        // [s] when to begin
    double target_lon = 0.0;  // [deg] east, 0..360
    int orbits = 0;           // drift orbits
};

enum class RelocationPhase {
    waiting,
    turning_for_start,
    start_burn,
    drifting,
    turning_for_stop,
    stop_burn,
    turning_for_trim,
    trim_burn,
    settling,  // a sidereal day after the stop, for the true motion
    arrived,
    refused,
};

const char* relocation_phase_name(RelocationPhase phase);

// The plan from the vessel's orbit in the world now, the start burn centred
// at `lead` seconds from now.
RelocationOutcome plan_from_world(const OrbitalWorld& world, const VesselRecord& vessel,
                                  double target_lon, int orbits, double lead = 0.0);

class RelocationExecutor {
public:
    RelocationExecutor(OrbitalWorld& world, VesselRecord& vessel, RelocationOrder order);

    // Before each step: does what is due at the world's time now.
    void before_step();
    // The latest time [s] the next step should end at, so that the executor
    // sees each moment it acts on; infinity when nothing is pending.
    double next_event_time() const;

    RelocationPhase phase() const { return phase_; }
    // The plan made at the order's time (the burns are replanned from the
    // orbit just before each one).
    const std::optional<RelocationPlan>& plan() const { return plan_; }
    const std::string& refusal() const { return refusal_; }
    const std::vector<ExecutedBurn>& burns() const { return burns_; }
    // Once arrived: the true motion a sidereal day after the last burn
    // (drift_deg_day per day of 86400 s).
    const std::optional<TrueMotion>& arrival() const { return arrival_; }

private:
    void schedule(BurnRole role, bool prograde, double centre, double dv);
    void measure_burn();
    void sample();
    // The mean motion from the true-motion fit, when it has a day; false
    // when not.
    bool update_motion();
    // Turns for a trim burn that changes the true drift by change [deg/day].
    void trim(double change);
    bool real_sky() const { return drift_.has_value(); }

    OrbitalWorld& world_;
    VesselRecord& vessel_;
    RelocationOrder order_;
    RelocationPhase phase_ = RelocationPhase::waiting;
    std::optional<RelocationPlan> plan_;
    std::string refusal_;
    std::vector<ExecutedBurn> burns_;
    BurnFlight burn_flight_;
    double stop_centre_ = 0.0;
    std::optional<DriftAcceleration> drift_;  // the real sky's; none in the two-body world
    TrueMotionFit fit_;
    double moving_drawn_ = 0.0;  // [kg] moving_propellant_drawn as of the last sample
    // The mean motion as last known: unwrapped from the plan's start, at
    // motion_t_ [s].
    ArcMotion motion_;
    double motion_t_ = 0.0;
    double target_unwrapped_ = 0.0;  // [deg] east
    double next_check_ = 0.0;        // [s]
    bool stopped_ = false;           // the stop burn is flown
    int settle_trims_ = 0;
    std::vector<TrueMotion> settle_fits_;  // since the last burn, while settling
    double trim_change_ = 0.0;             // [deg/day] the pending trim's
    std::optional<TrueMotion> arrival_;
};

}  // namespace standin
