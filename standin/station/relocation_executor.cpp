#include "standin/station/relocation_executor.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "standin/core/standin_constants.h"
#include "standin/station/true_motion.h"
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
// [s] how often the real sky's arrival is re-predicted.
constexpr double kCheckEvery = 86400.0;
// [deg] a predicted miss beyond this is trimmed; further out, by more: the
// Moon swings the drift by a few thousandths of a degree a day over half a
// month, which the day's drift cannot tell from a lasting one.
constexpr double kTrimMiss = 0.02;
constexpr double kTrimMissPerDay = 0.002;  // [deg per day left]
// [s] the longest span of the true motion the arrival is predicted from.
constexpr double kLongFit = 14.0 * 86400.0;
// [s] no trim this close to the stop burn's turn: the stop is near.
constexpr double kLastTrim = 6.0 * 3600.0;
// [deg/day] a drift left after the stop beyond this is trimmed, at most
// kSettleTrims times.
constexpr double kSettleDrift = 0.0004;
constexpr int kSettleTrims = 2;

double wrap_near(double lon, double near) {
    return near + std::remainder(lon - near, 360.0);
}

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
        case RelocationPhase::turning_for_trim:
            return "turning for a trim";
        case RelocationPhase::trim_burn:
            return "trim burn";
        case RelocationPhase::settling:
            return "settling";
        case RelocationPhase::arrived:
            return "arrived";
        case RelocationPhase::refused:
            break;
    }
    return "refused";
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
    std::optional<DriftAcceleration> drift;
    if (!world.forces().closed_form()) drift.emplace(world.forces());
    q.drift = drift ? &*drift : nullptr;
    return plan_relocation(q);
}

RelocationExecutor::RelocationExecutor(OrbitalWorld& world, VesselRecord& vessel,
                                       RelocationOrder order)
    : world_(world), vessel_(vessel), order_(order), fit_(kSiderealDay, kLongFit) {}

void RelocationExecutor::schedule(BurnRole role, bool prograde, double centre, double dv) {
    const MainEngine engine = main_engine(vessel_);
    ExecutedBurn b;
    b.role = role;
    b.prograde = prograde;
    b.planned_dv = dv;
    b.duration = burn_duration(vessel_.total_mass(), dv, engine.thrust, engine.exhaust_velocity);
    b.centre = std::max(centre, world_.sim_time() + kBurnDelay + b.duration / 2.0);
    b.start = b.centre - b.duration / 2.0;
    burns_.push_back(b);
}

void RelocationExecutor::measure_burn() {
    burn_flight_.before_step(world_, vessel_, burns_.back());
}

void RelocationExecutor::sample() {
    const VECTOR3 r = world_.state(vessel_).r;
    const double lon = (std::atan2(r.y, r.x) - world_.earth_rotation()) * kDegPerRad;
    const double drawn = moving_propellant_drawn(vessel_);
    fit_.add(world_.sim_time(), lon, drawn > moving_drawn_);
    moving_drawn_ = drawn;
}

bool RelocationExecutor::update_motion() {
    const std::optional<TrueMotion> f = fit_.fit();
    if (!f) return false;
    // The fit's drift is the mean over its day, that is half a day ago.
    const double lon = wrap_near(f->lon_deg, motion_.lon_deg);
    const double half_day = kSiderealDay / 2.0 / kSecondsPerDay;  // [days]
    const double accel = drift_ ? drift_->acceleration_deg_day2(lon) : 0.0;
    motion_ = {lon, f->drift_deg_day + accel * half_day};
    motion_t_ = f->t;
    return true;
}

void RelocationExecutor::trim(double change) {
    trim_change_ = change;
    // A change of drift d [rad/s] takes a tangential delta-v of -a d / 3.
    const bool prograde = change < 0.0;
    world_.set_attitude_mode(vessel_, prograde ? AttitudeMode::prograde : AttitudeMode::retrograde);
    phase_ = RelocationPhase::turning_for_trim;
}

void RelocationExecutor::before_step() {
    const double t = world_.sim_time();
    sample();
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
            if (!world_.forces().closed_form()) drift_.emplace(world_.forces());
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
            schedule(BurnRole::start, p.prograde, t + lead, p.start_dv);
            stop_centre_ = burns_.back().centre + p.stop_offset;
            motion_ = {p.start_lon, p.drift_per_orbit * kSecondsPerDay / p.drift_period};
            motion_t_ = burns_.back().centre;
            target_unwrapped_ = p.start_lon + p.gap;
            phase_ = RelocationPhase::start_burn;
            return;
        }
        case RelocationPhase::start_burn:
            measure_burn();
            if (std::isnan(burns_.back().mass_after)) return;
            // The drift orbit as flown: its period sets the point of return.
            stop_centre_ = burns_.back().centre + order_.orbits * world_.orbit(vessel_).period;
            next_check_ = t + kCheckEvery;
            world_.set_attitude_mode(vessel_, AttitudeMode::sun);
            phase_ = RelocationPhase::drifting;
            return;
        case RelocationPhase::drifting:
            if (real_sky() && t >= next_check_ && t < stop_centre_ - kTurnLead - kLastTrim &&
                update_motion()) {
                next_check_ = t + kCheckEvery;
                const double days_left = (stop_centre_ - motion_t_) / kSecondsPerDay;
                // From the fit over all the days since the last burn (up to
                // half a month): the day's drift swings with the Moon.
                ArcMotion from = motion_;
                double from_t = motion_t_;
                const double span = std::min(fit_.span(), kLongFit);
                if (const auto f = fit_.fit_over(span)) {
                    // A line through a parabola passes its mean, above the middle by
                    // lon'' span^2 / 24.
                    const double lon = wrap_near(f->lon_deg, motion_.lon_deg);
                    const double days = span / kSecondsPerDay;
                    from = {lon - drift_->acceleration_deg_day2(lon) * days * days / 24.0,
                            f->drift_deg_day};
                    from_t = f->t;
                }
                const ArcMotion end = coast_along_arc(*drift_, from, stop_centre_ - from_t);
                const double miss = end.lon_deg - target_unwrapped_;
                if (std::fabs(miss) > kTrimMiss + kTrimMissPerDay * days_left && days_left > 0.0) {
                    trim(-miss / days_left);
                    return;
                }
            }
            if (t < stop_centre_ - kTurnLead - kTimeSlack) return;
            world_.set_attitude_mode(vessel_, burns_.front().prograde ? AttitudeMode::retrograde
                                                                      : AttitudeMode::prograde);
            phase_ = RelocationPhase::turning_for_stop;
            return;
        case RelocationPhase::turning_for_stop: {
            if (!world_.attitude_settled(vessel_)) return;
            double dv = 0.0;  // prograde positive
            if (real_sky()) {
                // Cancels the true drift expected at the stop.
                update_motion();
                const ArcMotion at = coast_along_arc(*drift_, motion_, stop_centre_ - motion_t_);
                const double rate = at.drift_deg_day / kDegPerRad / kSecondsPerDay;  // [rad/s]
                dv = drift_->synchronous_radius() * rate / 3.0;
            } else {
                // The speed at the point of return that makes the orbit
                // geostationary.
                const StateVector at =
                    kepler_propagate(world_.state(vessel_), stop_centre_ - t, kEarthMu);
                const double r = norm(at.r);
                const double v_sync =
                    std::sqrt(kEarthMu * (2.0 / r - 1.0 / geostationary_radius()));
                dv = v_sync - norm(at.v);
            }
            if ((dv >= 0.0) != (world_.attitude_mode(vessel_) == AttitudeMode::prograde)) {
                // The drift reversed on the way: turn the other way first.
                world_.set_attitude_mode(
                    vessel_, dv >= 0.0 ? AttitudeMode::prograde : AttitudeMode::retrograde);
                return;
            }
            schedule(BurnRole::stop, dv >= 0.0, stop_centre_, std::fabs(dv));
            phase_ = RelocationPhase::stop_burn;
            return;
        }
        case RelocationPhase::stop_burn:
            measure_burn();
            if (std::isnan(burns_.back().mass_after)) return;
            world_.set_attitude_mode(vessel_, AttitudeMode::sun);
            stopped_ = true;
            phase_ = RelocationPhase::settling;
            return;
        case RelocationPhase::turning_for_trim: {
            if (!world_.attitude_settled(vessel_)) return;
            const double a = drift_ ? drift_->synchronous_radius() : geostationary_radius();
            const double dv = a * std::fabs(trim_change_) / kDegPerRad / kSecondsPerDay / 3.0;
            schedule(BurnRole::trim, trim_change_ < 0.0, 0.0, dv);
            phase_ = RelocationPhase::trim_burn;
            return;
        }
        case RelocationPhase::trim_burn: {
            measure_burn();
            const ExecutedBurn& b = burns_.back();
            if (std::isnan(b.mass_after)) return;
            // The mean motion carried to the burn, changed by what it gave.
            if (drift_) motion_ = coast_along_arc(*drift_, motion_, b.centre - motion_t_);
            motion_t_ = b.centre;
            const double a = drift_ ? drift_->synchronous_radius() : geostationary_radius();
            const double given = 3.0 * b.dv / a * kDegPerRad * kSecondsPerDay;  // [deg/day]
            motion_.drift_deg_day += b.prograde ? -given : given;
            world_.set_attitude_mode(vessel_, AttitudeMode::sun);
            next_check_ = t + kCheckEvery;
            phase_ = stopped_ ? RelocationPhase::settling : RelocationPhase::drifting;
            return;
        }
        case RelocationPhase::settling: {
            const std::optional<TrueMotion> f = fit_.fit();
            if (!f) {
                settle_fits_.clear();
                return;
            }
            settle_fits_.push_back(*f);
            if (std::fabs(f->drift_deg_day) <= kSettleDrift || settle_trims_ >= kSettleTrims) {
                arrival_ = *f;
                phase_ = RelocationPhase::arrived;
                return;
            }
            // The Moon swings the drift by a few thousandths of a degree a
            // day over half a month: the trim cancels the drift expected a
            // day on, at the next day's fit, from its trend over half a day.
            const TrueMotion& first = settle_fits_.front();
            const double span = (f->t - first.t) / kSecondsPerDay;  // [days]
            if (f->t - first.t < kSiderealDay / 2.0) return;
            const double slope = (f->drift_deg_day - first.drift_deg_day) / span;
            ++settle_trims_;
            settle_fits_.clear();
            trim(-(f->drift_deg_day + slope * kSiderealDay / kSecondsPerDay));
            return;
        }
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
        case RelocationPhase::stop_burn:
        case RelocationPhase::trim_burn: {
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
        case RelocationPhase::turning_for_trim:
        case RelocationPhase::settling:
        case RelocationPhase::arrived:
        case RelocationPhase::refused:
            break;
    }
    return kNone;
}

}  // namespace standin
