#include "standin/station/relocation_executor.h"

#include <cmath>
#include <limits>

#include "standin/core/standin_constants.h"
#include "standin/world/earth.h"
#include "standin/world/kepler.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

// Time [s] allowed for the turn before the stop burn: a half turn at the
// steering's rate limit takes about three minutes.
constexpr double kTurnLead = 1800.0;
// The burn starts this long [s] after the turn has settled, so that it
// begins on a step boundary after the decision.
constexpr double kBurnDelay = 1.0;
// Slack [s] for comparing times summed from steps.
constexpr double kTimeSlack = 1e-6;

}  // namespace

const char* relocation_phase_name(RelocationPhase phase) {
    switch (phase) {
        case RelocationPhase::waiting:
            return "waiting";
        case RelocationPhase::turning_for_start:
            return "turning for the start burn";
        case RelocationPhase::start_burn:
            return "start burn";
        case RelocationPhase::drifting:
            return "drifting";
        case RelocationPhase::turning_for_stop:
            return "turning for the stop burn";
        case RelocationPhase::stop_burn:
            return "stop burn";
        case RelocationPhase::arrived:
            return "arrived";
        case RelocationPhase::refused:
            break;
    }
    return "refused";
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

RelocationOutcome plan_from_world(const OrbitalWorld& world, const VesselRecord& vessel,
                                  double target_lon, int orbits, double lead) {
    const MainEngine engine = main_engine(vessel);
    RelocationRequest q;
    q.state = kepler_propagate(world.state(vessel), lead, kEarthMu);
    q.earth_rotation = earth_rotation_angle(world.sim_mjd() + lead / kSecondsPerDay);
    q.mass = vessel.total_mass();
    q.propellant = engine.propellant;
    q.thrust = engine.thrust;
    q.exhaust_velocity = engine.exhaust_velocity;
    q.target_lon = target_lon;
    q.orbits = orbits;
    return plan_relocation(q);
}

RelocationExecutor::RelocationExecutor(OrbitalWorld& world, VesselRecord& vessel,
                                       RelocationOrder order)
    : world_(world), vessel_(vessel), order_(order) {}

void RelocationExecutor::schedule(bool prograde, double centre, double dv) {
    const MainEngine engine = main_engine(vessel_);
    ExecutedBurn b;
    b.prograde = prograde;
    b.planned_dv = dv;
    b.duration = burn_duration(vessel_.total_mass(), dv, engine.thrust, engine.exhaust_velocity);
    b.centre = std::max(centre, world_.sim_time() + kBurnDelay + b.duration / 2.0);
    b.start = b.centre - b.duration / 2.0;
    burns_.push_back(b);
}

// At the burn's start, a step boundary: its length from the mass now.
void RelocationExecutor::ignite() {
    ExecutedBurn& b = burns_.back();
    const double t = world_.sim_time();
    if (b.commanded || t < b.start - kTimeSlack) return;
    const MainEngine engine = main_engine(vessel_);
    b.duration =
        burn_duration(vessel_.total_mass(), b.planned_dv, engine.thrust, engine.exhaust_velocity);
    b.start = t;
    b.centre = t + b.duration / 2.0;
    world_.schedule_burn(vessel_, b.group, b.start, b.duration, b.level);
    b.commanded = true;
}

// At the burn's edges: the mass, and the velocity change beyond what
// coasting would have given.
void RelocationExecutor::measure_burn() {
    ignite();
    ExecutedBurn& b = burns_.back();
    const double t = world_.sim_time();
    if (std::isnan(b.mass_before) && t >= b.start - kTimeSlack) {
        b.mass_before = vessel_.total_mass();
        state_before_ = world_.state(vessel_);
        b.start = t;  // the edge as stepped
    }
    if (!std::isnan(b.mass_before) && std::isnan(b.mass_after) &&
        t >= b.start + b.duration - kTimeSlack) {
        b.mass_after = vessel_.total_mass();
        const StateVector coasted = kepler_propagate(state_before_, t - b.start, kEarthMu);
        b.dv = norm(world_.state(vessel_).v - coasted.v);
    }
}

void RelocationExecutor::before_step() {
    const double t = world_.sim_time();
    switch (phase_) {
        case RelocationPhase::waiting: {
            if (t < order_.time - kTimeSlack) return;
            RelocationOutcome o =
                plan_from_world(world_, vessel_, order_.target_lon, order_.orbits);
            if (!o.plan) {
                refusal_ = o.refusal;
                phase_ = RelocationPhase::refused;
                return;
            }
            plan_ = o.plan;
            world_.set_attitude_mode(
                vessel_, plan_->prograde ? AttitudeMode::prograde : AttitudeMode::retrograde);
            phase_ = RelocationPhase::turning_for_start;
            return;
        }
        case RelocationPhase::turning_for_start: {
            if (!world_.attitude_settled(vessel_)) return;
            // Replanned from the orbit at the burn's centre, a little later.
            const double lead = kBurnDelay + plan_->start_duration / 2.0;
            RelocationOutcome o =
                plan_from_world(world_, vessel_, order_.target_lon, order_.orbits, lead);
            const RelocationPlan& p = o.plan ? *o.plan : *plan_;
            schedule(p.prograde, t + lead, p.start_dv);
            stop_centre_ = burns_.back().centre + p.stop_offset;
            phase_ = RelocationPhase::start_burn;
            return;
        }
        case RelocationPhase::start_burn:
            measure_burn();
            if (std::isnan(burns_.back().mass_after)) return;
            // The drift orbit as flown: its period sets the point of return.
            stop_centre_ = burns_.back().centre + order_.orbits * world_.orbit(vessel_).period;
            world_.set_attitude_mode(vessel_, AttitudeMode::sun);
            phase_ = RelocationPhase::drifting;
            return;
        case RelocationPhase::drifting:
            if (t < stop_centre_ - kTurnLead - kTimeSlack) return;
            world_.set_attitude_mode(vessel_, burns_.front().prograde ? AttitudeMode::retrograde
                                                                      : AttitudeMode::prograde);
            phase_ = RelocationPhase::turning_for_stop;
            return;
        case RelocationPhase::turning_for_stop: {
            if (!world_.attitude_settled(vessel_)) return;
            // The speed at the point of return that makes the orbit
            // geostationary.
            const StateVector at =
                kepler_propagate(world_.state(vessel_), stop_centre_ - t, kEarthMu);
            const double r = norm(at.r);
            const double v_sync = std::sqrt(kEarthMu * (2.0 / r - 1.0 / geostationary_radius()));
            const double dv = v_sync - norm(at.v);
            schedule(dv >= 0.0, stop_centre_, std::fabs(dv));
            phase_ = RelocationPhase::stop_burn;
            return;
        }
        case RelocationPhase::stop_burn:
            measure_burn();
            if (std::isnan(burns_.back().mass_after)) return;
            world_.set_attitude_mode(vessel_, AttitudeMode::sun);
            phase_ = RelocationPhase::arrived;
            return;
        case RelocationPhase::arrived:
        case RelocationPhase::refused:
            return;
    }
}

double RelocationExecutor::next_event_time() const {
    constexpr double kNone = std::numeric_limits<double>::infinity();
    switch (phase_) {
        case RelocationPhase::waiting:
            return order_.time;
        case RelocationPhase::start_burn:
        case RelocationPhase::stop_burn: {
            const ExecutedBurn& b = burns_.back();
            return std::isnan(b.mass_before) ? b.start : b.start + b.duration;
        }
        case RelocationPhase::drifting:
            return stop_centre_ - kTurnLead;
        case RelocationPhase::turning_for_stop:
            // A step boundary before the stop burn must begin.
            return stop_centre_ -
                   burn_duration(vessel_.total_mass(), plan_->stop_dv, main_engine(vessel_).thrust,
                                 main_engine(vessel_).exhaust_velocity) -
                   kBurnDelay;
        case RelocationPhase::turning_for_start:
        case RelocationPhase::arrived:
        case RelocationPhase::refused:
            break;
    }
    return kNone;
}

}  // namespace standin
