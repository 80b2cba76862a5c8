#include "standin/station/station_keeper.h"

#include <algorithm>
#include <cmath>

#include "standin/core/standin_constants.h"
#include "standin/station/relocation_plan.h"
#include "standin/world/kepler.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

constexpr double kDay = 86400.0;  // [s] the unit of the drift figures
// Time [s] allowed for the turn before a burn, as for a relocation's.
constexpr double kTurnLead = 1800.0;
constexpr double kBurnDelay = 1.0;  // [s]
constexpr double kTimeSlack = 1e-6;
// Fractions of the half-width: a burn is due when the longitude comes this
// near the near edge, and the parabola's apex is aimed this far inside the
// far edge (the fitted drift and the acceleration are not exact).
constexpr double kNearMargin = 0.05;
constexpr double kFarMargin = 0.15;
// North-south: a burn is due when the inclination would pass this fraction
// of the half-width, and sets it to this fraction on the other side.
constexpr double kNsTrigger = 0.8;
constexpr double kNsTarget = 0.7;
// [s] the inclination's drift is taken from at least this long a stretch.
constexpr double kNsDriftBase = 3.0 * kDay;
// [days] a vessel beyond the far edge is brought back in about this long.
constexpr double kReturnDays = 5.0;
// A drift toward the near edge this many times the parabola's fastest is
// trimmed onto it.
constexpr double kTrimFactor = 1.5;
// [sidereal days] the drift a burn is planned from is fitted over this
// long: the Moon and the Sun stir a day's fit by about 0.002 deg/day.
constexpr double kControlDays = 2.0;
// [deg/day] drifts closer than this are the same (the fit is not exact).
constexpr double kDriftSlack = 0.002;
// [deg/day^2] the acceleration is taken as at least this (a station at a
// stable or unstable point still needs a parabola to plan with).
constexpr double kLeastAcceleration = 1e-6;

double wrap_two_pi(double a) {
    const double w = std::fmod(a, kTwoPi);
    return w < 0.0 ? w + kTwoPi : w;
}

double propellant_kg(const VesselRecord& v) {
    double kg = 0.0;
    for (const auto& t : v.tanks) kg += t.mass;
    return kg;
}

// The orbit normal's equatorial components: the inclination vector.
void normal_xy(const StateVector& s, double& x, double& y) {
    const VECTOR3 h = unit(cross(s.r, s.v));
    x = h.x;
    y = h.y;
}

double inclination_deg(const StateVector& s) {
    const VECTOR3 h = unit(cross(s.r, s.v));
    return std::acos(std::clamp(h.z, -1.0, 1.0)) * kDegPerRad;
}

// [s] from now until the vessel's position angle in the global frame
// reaches `angle`, no sooner than lead.
double time_to_angle(const StateVector& s, double angle, double lead) {
    const double n = kTwoPi / kSiderealDay;
    const double now = std::atan2(s.r.y, s.r.x);
    return lead + wrap_two_pi(angle - now - n * lead) / n;
}

}  // namespace

StationKeeper::StationKeeper(OrbitalWorld& world, VesselRecord& vessel, KeepingOrder order)
    : world_(world),
      vessel_(vessel),
      order_(order),
      control_(kSiderealDay, kControlDays * kSiderealDay),
      measured_(kSiderealDay) {
    report_.lon = order.lon;
    report_.halfwidth = order.halfwidth;
    report_.ns = order.ns;
    report_.drift_acceleration = order.drift_acceleration;
    // The inclination drifts the same before the keeping starts (a
    // relocation's burns are tangential): its drift is measured from here.
    ref_t_ = world.sim_time();
    normal_xy(world.state(vessel), ref_px_, ref_py_);
}

void StationKeeper::start() {
    if (started_) return;
    started_ = true;
    const double t = world_.sim_time();
    report_.start = t;
    report_.propellant_start = propellant_kg(vessel_);
    report_.start_inclination = inclination_deg(world_.state(vessel_));
    // An inclination beyond the bound at the start counts from the first
    // north-south burn on.
    inclination_held_ = !order_.ns || report_.start_inclination <= order_.halfwidth;
    control_.clear();
    measured_.clear();
    moving_drawn_ = moving_propellant_drawn(vessel_);
    next_decision_ = t;
}

void StationKeeper::sample() {
    const double t = world_.sim_time();
    // The osculating orbit's mean longitude over the ground, not the
    // sub-satellite one: keeping measured on the latter left the box for days
    // at 102 W (the daily harmonic does not take out all of its swing).
    const double lon = (world_.orbit(vessel_).mean_lon - world_.earth_rotation()) * kDegPerRad;
    const double drawn = moving_propellant_drawn(vessel_);
    control_.add(t, lon, drawn > moving_drawn_);
    measured_.add(t, lon);
    moving_drawn_ = drawn;
    const double i = inclination_deg(world_.state(vessel_));
    if (inclination_held_) report_.largest_inclination = std::max(report_.largest_inclination, i);
    report_.final_inclination = i;
}

// The motion a burn is planned from: over two sidereal days since the last
// burn, or before the first one a day's (the vessel may come in drifting:
// a point-mass geostationary orbit drifts under J2).
std::optional<StationKeeper::Fit> StationKeeper::control_fit() const {
    std::optional<TrueMotion> m = control_.fit_over(kControlDays * kSiderealDay);
    if (!m && report_.burns.empty()) m = control_.fit();
    if (!m) return std::nullopt;
    return Fit{m->t, std::remainder(m->lon_deg - order_.lon, 360.0), m->drift_deg_day};
}

// The box as kept: the mean longitude at the middle of each day's fit.
void StationKeeper::measure() {
    const std::optional<TrueMotion> f = measured_.fit_over(kSiderealDay);
    if (!f || f->t <= measured_to_) return;
    const double excursion = std::fabs(std::remainder(f->lon_deg - order_.lon, 360.0));
    report_.largest_excursion = std::max(report_.largest_excursion, excursion);
    if (std::isfinite(measured_to_)) {
        const double dt = f->t - measured_to_;
        report_.measured_s += dt;
        if (excursion > order_.halfwidth) report_.outside_s += dt;
    }
    measured_to_ = f->t;
}

void StationKeeper::stop(const std::string& why) {
    report_.stopped = why;
    phase_ = Phase::stopped;
}

bool StationKeeper::plan_east_west(double t) {
    const std::optional<Fit> fitted = control_fit();
    if (!fitted) return false;
    const Fit& f = *fitted;
    const double w = order_.halfwidth;
    // In a frame where the acceleration points to +x: the near edge is +w.
    const double sign = order_.drift_acceleration >= 0.0 ? 1.0 : -1.0;
    const double acc = std::max(std::fabs(order_.drift_acceleration), kLeastAcceleration);
    const auto x_at = [&](double at) {
        const double d = (at - f.t) / kDay;
        return sign * (f.lon + f.drift * d) + 0.5 * acc * d * d;
    };
    const auto u_at = [&](double at) { return sign * f.drift + acc * (at - f.t) / kDay; };
    // Over the time a burn may take to come round: the parabola is convex.
    const double lead = kTurnLead + 600.0;
    const double horizon = t + lead + kSiderealDay;
    const double x0 = x_at(t), u0 = u_at(t);
    // Past the far side's apex the acceleration brings the vessel back by
    // itself: only an apex still ahead and beyond the far edge needs a burn.
    const double apex_after = -u0 / acc * kDay;  // [s] from t
    const double aim = -w * (1.0 - kFarMargin);
    // The drift [deg/day, toward +x] on the parabola whose apex is the aim.
    const auto on_parabola = [&](double x) {
        return std::sqrt(2.0 * acc * std::max(0.0, x - aim));
    };
    enum class Aim { apex, back, trim };
    Aim goal = Aim::apex;
    if (x0 < -w) {
        // Beyond the far edge (a relocation's arrival, say): back into the
        // box within kReturnDays unless already coming back as fast.
        if (u0 * kReturnDays >= aim - x0) return false;
        goal = Aim::back;
    } else if (u0 > kTrimFactor * on_parabola(w)) {
        // Coming back in faster than anywhere on the parabola: onto it.
        goal = Aim::trim;
    } else if (std::max(x0, x_at(horizon)) > w * (1.0 - kNearMargin) ||
               (apex_after > 0.0 && x0 - u0 * u0 / (2.0 * acc) < -w)) {
        goal = Aim::apex;
    } else {
        return false;
    }

    const StateVector s = world_.state(vessel_);
    const double r = norm(s.r);
    // [m/s] for the drift at `at` to become the goal's.
    const auto dv_at = [&](double at) {
        const double x = x_at(at);
        const double u = goal == Aim::back   ? (aim - x) / kReturnDays
                         : goal == Aim::trim ? on_parabola(x)
                                             : -on_parabola(x);
        const double rate = sign * (u - u_at(at)) / kDegPerRad / kDay;  // [rad/s] east
        return -rate * r / 3.0;
    };
    // A burn onto the parabola is timed so that it also shrinks the
    // eccentricity (the others cannot wait): a tangential
    // burn moves the eccentricity vector along the position (prograde) or
    // against it.
    double at = t + lead;
    double dv = dv_at(at);
    const double mu_r = kEarthMu / r;
    const VECTOR3 e = (1.0 / kEarthMu) * ((dot(s.v, s.v) - mu_r) * s.r - dot(s.r, s.v) * s.v);
    if (norm(e) > 1e-7 && goal == Aim::apex) {
        const double angle = std::atan2(e.y, e.x) + (dv > 0.0 ? kTwoPi / 2.0 : 0.0);
        const double timed = t + time_to_angle(s, angle, lead);
        // Unless the longitude would leave the box while it waits.
        if (std::fabs(x_at(timed)) <= w) {
            at = timed;
            dv = dv_at(at);
        }
    }
    // A change of drift within the fit's own error is not worth a burn.
    if (std::fabs(dv) < kDriftSlack / kDegPerRad / kDay * r / 3.0) {
        next_decision_ = t + kSiderealDay / 4.0;
        return false;
    }
    KeepingBurn b;
    b.mode = dv > 0.0 ? AttitudeMode::prograde : AttitudeMode::retrograde;
    b.burn.prograde = dv > 0.0;
    b.burn.planned_dv = std::fabs(dv);
    b.burn.centre = at;
    report_.burns.push_back(b);
    return true;
}

bool StationKeeper::plan_north_south(double t) {
    const StateVector s = world_.state(vessel_);
    double px = 0.0, py = 0.0;
    normal_xy(s, px, py);
    double dx = 0.0, dy = 0.0;  // [1/s] the inclination vector's drift
    if (t - ref_t_ >= kNsDriftBase) {
        dx = (px - ref_px_) / (t - ref_t_);
        dy = (py - ref_py_) / (t - ref_t_);
    }
    const double lead = kTurnLead + 600.0;
    const double horizon = lead + kSiderealDay;
    const double bound = kNsTrigger * order_.halfwidth / kDegPerRad;
    if (std::hypot(px, py) <= bound && std::hypot(px + dx * horizon, py + dy * horizon) <= bound)
        return false;
    // Aimed past zero, against the drift.
    const double drift = std::hypot(dx, dy);
    const double target = kNsTarget * order_.halfwidth / kDegPerRad;
    const double qx = drift > 0.0 ? -target * dx / drift : 0.0;
    const double qy = drift > 0.0 ? -target * dy / drift : 0.0;
    const auto change = [&](double after, double& cx, double& cy) {
        cx = qx - (px + dx * after);
        cy = qy - (py + dy * after);
    };
    double cx = 0.0, cy = 0.0;
    change(lead, cx, cy);
    double size = std::hypot(cx, cy);
    if (!(size > 0.0)) return false;
    // A burn along the normal turns the normal against the velocity: along
    // it where the velocity points against the change, against it half an
    // orbit on.
    const double along = std::atan2(cx / size, -cy / size);
    const double t_normal = time_to_angle(s, along, lead);
    const double t_anti = time_to_angle(s, along + kTwoPi / 2.0, lead);
    const bool normal = t_normal <= t_anti;
    const double after = normal ? t_normal : t_anti;
    change(after, cx, cy);
    size = std::hypot(cx, cy);
    KeepingBurn b;
    b.north_south = true;
    b.mode = normal ? AttitudeMode::normal : AttitudeMode::antinormal;
    b.burn.prograde = normal;
    b.burn.planned_dv = norm(s.v) * size;
    b.burn.centre = t + after;
    report_.burns.push_back(b);
    return true;
}

void StationKeeper::decide() {
    const double t = world_.sim_time();
    if (t < next_decision_ - kTimeSlack) return;
    if (!plan_east_west(t) && !(order_.ns && plan_north_south(t))) return;
    ExecutedBurn& b = report_.burns.back().burn;
    const MainEngine engine = main_engine(vessel_);
    const double mass = vessel_.total_mass();
    if (!(engine.thrust > 0.0 && engine.exhaust_velocity > 0.0)) {
        report_.burns.pop_back();
        stop("the vessel has no working main engine");
        return;
    }
    const double need = mass * (1.0 - std::exp(-b.planned_dv / engine.exhaust_velocity));
    if (need > engine.propellant) {
        report_.burns.pop_back();
        stop("not enough propellant for a " + std::to_string(b.planned_dv) + " m/s burn");
        return;
    }
    b.duration = burn_duration(mass, b.planned_dv, engine.thrust, engine.exhaust_velocity);
    b.start = b.centre - b.duration / 2.0;
    phase_ = Phase::waiting;
}

void StationKeeper::measure_burn() {
    burn_flight_.before_step(world_, vessel_, report_.burns.back().burn);
}

void StationKeeper::before_step() {
    if (!started_) return;
    sample();
    measure();
    const double t = world_.sim_time();
    switch (phase_) {
        case Phase::idle:
            decide();
            return;
        case Phase::waiting: {
            const KeepingBurn& k = report_.burns.back();
            if (t < k.burn.centre - kTurnLead - kTimeSlack) return;
            world_.set_attitude_mode(vessel_, k.mode);
            phase_ = Phase::turning;
            return;
        }
        case Phase::turning: {
            if (!world_.attitude_settled(vessel_)) return;
            ExecutedBurn& b = report_.burns.back().burn;
            const MainEngine engine = main_engine(vessel_);
            b.duration = burn_duration(vessel_.total_mass(), b.planned_dv, engine.thrust,
                                       engine.exhaust_velocity);
            b.centre = std::max(b.centre, t + kBurnDelay + b.duration / 2.0);
            b.start = b.centre - b.duration / 2.0;
            phase_ = Phase::burning;
            measure_burn();
            return;
        }
        case Phase::burning: {
            measure_burn();
            const KeepingBurn& k = report_.burns.back();
            if (!k.burn.ended()) return;
            world_.set_attitude_mode(vessel_, AttitudeMode::sun);
            phase_ = Phase::idle;
            // The drift is measured afresh from the burn's end (the fit
            // drops what came before when it sees the propellant drawn).
            next_decision_ = t;
            if (k.north_south) {
                inclination_held_ = true;
                ref_t_ = t;
                normal_xy(world_.state(vessel_), ref_px_, ref_py_);
            }
            return;
        }
        case Phase::stopped:
            return;
    }
}

double StationKeeper::next_event_time() const {
    constexpr double kNone = std::numeric_limits<double>::infinity();
    if (!started_ || report_.burns.empty()) return kNone;
    const ExecutedBurn& b = report_.burns.back().burn;
    switch (phase_) {
        case Phase::waiting:
            return b.centre - kTurnLead;
        case Phase::turning:
            // A step boundary before the burn must begin.
            return b.centre - b.duration - kBurnDelay;
        case Phase::burning:
            return std::isnan(b.mass_before) ? b.start : b.start + b.duration;
        case Phase::idle:
        case Phase::stopped:
            break;
    }
    return kNone;
}

void StationKeeper::finish() {
    report_.end = world_.sim_time();
    if (!started_) return;
    sample();
    measure();
    report_.propellant_end = propellant_kg(vessel_);
}

}  // namespace standin
