#include "standin/world/orbital_world.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "standin/animation/dish_pointing.h"
#include "standin/core/earth_name.h"
#include "standin/core/scenario_block.h"
#include "standin/core/standin_constants.h"
#include "standin/core/vessel_record.h"
#include "standin/world/earth.h"
#include "standin/world/forces/solar_pressure.h"
#include "standin/world/kepler.h"
#include "standin/world/orbital_elements.h"
#include "standin/world/propagator.h"
#include "standin/world/rigid_body.h"
#include "standin/world/thrust_model.h"
#include "standin/world/vec3.h"

namespace standin {

namespace {

// Longest substep of the integrator while thrust acts [s]; a 500 N burn on
// a 3 t vessel changes little within it, and coasting needs none.
constexpr double kPoweredSubstep = 0.5;
// Events kept for a runner that does not take them.
constexpr std::size_t kMostEvents = 10000;
// Below this body rate [rad/s] the attitude hold counts the vessel as still.
constexpr double kHoldDeadband = 1e-9;

bool is_attitude_group(THGROUP_TYPE t) {
    return t >= THGROUP_ATT_PITCHUP && t <= THGROUP_ATT_BANKRIGHT;
}

// Inside the reference ellipsoid: the Earth's surface, mountains aside.
double ellipsoid_level(const VECTOR3& r) {
    constexpr double a = kEarthRadius, b = kEarthPolarRadius;
    return (r.x * r.x + r.y * r.y) / (a * a) + r.z * r.z / (b * b);
}

bool below_surface(const VECTOR3& r) {
    return ellipsoid_level(r) < 1.0;
}

// The point of the surface straight below r.
VECTOR3 onto_surface(const VECTOR3& r) {
    return (1.0 / std::sqrt(ellipsoid_level(r))) * r;
}

// The closest approach [m] to the Earth's centre of a two-body orbit.
double periapsis_radius(const StateVector& s) {
    const double h2 = dot(cross(s.r, s.v), cross(s.r, s.v));
    const double r = norm(s.r);
    const VECTOR3 e = (1.0 / kEarthMu) * cross(s.v, cross(s.r, s.v)) - (1.0 / r) * s.r;
    return h2 / (kEarthMu * (1.0 + norm(e)));
}

VECTOR3 turned_about_z(const VECTOR3& a, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * a.x - s * a.y, s * a.x + c * a.y, a.z};
}

}  // namespace

struct OrbitalWorld::Body {
    VesselRecord* record = nullptr;
    // As read from the block, until the block has ended.
    bool orbit_given = false;
    AttitudeLine attitude_line;
    std::vector<HostLineProblem> problems;
    // The coasting orbit: the state at epoch_time; now is the state at the
    // world's time.
    StateVector epoch;
    double epoch_time = 0.0;
    StateVector now;
    bool closed = true;
    // Closed and clear of the surface: the two-body closed form holds.
    bool kepler = true;
    // The integrated orbit, when the closed form does not hold.
    std::unique_ptr<Propagator> propagator;
    bool landed = false;
    VECTOR3 r_ecef{0.0, 0.0, 0.0};  // [m] where it rests, Earth-fixed
    double lit = 1.0;               // sunlit fraction at the last step
    Quaternion q;
    VECTOR3 omega{0.0, 0.0, 0.0};
    AttitudeSteering steering;
};

OrbitalWorld::OrbitalWorld(double mjd, double time)
    : mjd_at_zero_(mjd - time / kSecondsPerDay), time_(time) {}

OrbitalWorld::~OrbitalWorld() = default;

double OrbitalWorld::sim_mjd() const {
    return mjd_at_zero_ + time_ / kSecondsPerDay;
}

OrbitalWorld::Body& OrbitalWorld::body(const VesselRecord& vessel) {
    // A vessel the host never announced: a fault of the host itself.
    if (vessel.world_state == nullptr) std::abort();
    return *static_cast<Body*>(vessel.world_state);
}

OrbitalWorld::Body* OrbitalWorld::body_by_handle(OBJHANDLE h) const {
    for (const auto& b : bodies_)
        if (b->record->handle() == h) return b.get();
    return nullptr;
}

OBJHANDLE OrbitalWorld::object_by_name(const char* name) {
    if (name == nullptr) return nullptr;
    if (is_earth_name(name)) return reinterpret_cast<OBJHANDLE>(const_cast<int*>(&earth_object_));
    for (const auto& b : bodies_)
        if (b->record->name == name) return b->record->handle();
    return nullptr;
}

VECTOR3 OrbitalWorld::global_pos(OBJHANDLE object) {
    if (Body* b = body_by_handle(object)) return b->now.r;
    return {0.0, 0.0, 0.0};  // the Earth, or nothing the world knows
}

double OrbitalWorld::planet_rotation(OBJHANDLE planet) {
    if (planet != reinterpret_cast<OBJHANDLE>(&earth_object_)) return 0.0;
    return earth_rotation();
}

double OrbitalWorld::earth_rotation() const {
    return earth_rotation_angle(sim_mjd());
}

VECTOR3 OrbitalWorld::global_to_local(const VesselRecord& vessel, const VECTOR3& global) {
    const Body& b = body(vessel);
    return unrotate(b.q, global - b.now.r);
}

bool OrbitalWorld::elements(const VesselRecord& vessel, OBJHANDLE ref, ELEMENTS& el,
                            ORBITPARAM* prm, double mjd, int frame) {
    if (ref != reinterpret_cast<OBJHANDLE>(&earth_object_)) return false;
    StateVector s = body(vessel).now;
    if (frame == 0) {
        // Frame 0: the ecliptic of the date, longitudes from the same
        // reference direction.
        const double eps = ecliptic_obliquity(sim_mjd());
        auto to_ecliptic = [eps](const VECTOR3& a) {
            return VECTOR3{a.x, std::cos(eps) * a.y + std::sin(eps) * a.z,
                           -std::sin(eps) * a.y + std::cos(eps) * a.z};
        };
        s = {to_ecliptic(s.r), to_ecliptic(s.v)};
    }
    ORBITPARAM local_prm;
    ORBITPARAM& out = prm != nullptr ? *prm : local_prm;
    elements_from_state(s, kEarthMu, (mjd - sim_mjd()) * kSecondsPerDay, el, out);
    return true;
}

void OrbitalWorld::vessel_added(VesselRecord& vessel) {
    auto b = std::make_unique<Body>();
    b->record = &vessel;
    vessel.world_state = b.get();
    bodies_.push_back(std::move(b));
}

void OrbitalWorld::vessel_removed(VesselRecord& vessel) {
    vessel.world_state = nullptr;
    bodies_.erase(std::remove_if(bodies_.begin(), bodies_.end(),
                                 [&vessel](const auto& b) { return b->record == &vessel; }),
                  bodies_.end());
    burns_.erase(std::remove_if(burns_.begin(), burns_.end(),
                                [&vessel](const Burn& x) { return x.vessel == &vessel; }),
                 burns_.end());
}

void OrbitalWorld::write_vessel_lines(const VesselRecord& vessel, ScenarioBlock& block) {
    const Body& b = body(vessel);
    auto put = [&block](const std::string& line) {
        // Lines are "KEY value text"; the block joins them the same way.
        const auto blank = line.find(' ');
        block.write(line.substr(0, blank).c_str(), line.substr(blank + 1).c_str());
    };
    put(format_state_line(b.now));
    put(format_attitude_line(b.q));
    put(format_rate_line(b.omega));
    for (std::size_t i = 0; i < vessel.tanks.size(); ++i)
        put(format_propellant_line(static_cast<int>(i), vessel.tanks[i].mass));
}

void OrbitalWorld::parse_vessel_line(VesselRecord& vessel, const char* line, void* status) {
    Body& b = body(vessel);
    const std::string text = line != nullptr ? line : "";
    // The block being read, its cursor on this line.
    const std::size_t line_at = status != nullptr
                                    ? static_cast<const ScenarioBlock*>(status)->line_read()
                                    : HostLineProblem::kWholeBlock;
    const HostLine parsed = parse_host_line(text);
    if (const auto* e = std::get_if<HostLineError>(&parsed)) {
        b.problems.push_back({line_at, e->message});
    } else if (const auto* el = std::get_if<ElementsLine>(&parsed)) {
        b.now = state_from_elements(el->a, el->e, el->inclination, el->node, el->periapsis_lon,
                                    el->mean_lon, kEarthMu);
        b.orbit_given = true;
    } else if (const auto* st = std::get_if<StateLine>(&parsed)) {
        b.now = st->state;
        b.orbit_given = true;
    } else if (const auto* at = std::get_if<AttitudeLine>(&parsed)) {
        b.attitude_line = *at;
    } else if (const auto* rt = std::get_if<RateLine>(&parsed)) {
        b.omega = rt->omega;
    } else if (const auto* pr = std::get_if<PropellantLine>(&parsed)) {
        if (pr->tank >= static_cast<int>(vessel.tanks.size())) {
            b.problems.push_back({line_at, "PROPELLANT: the vessel has " +
                                               std::to_string(vessel.tanks.size()) +
                                               " tank(s), no tank " + std::to_string(pr->tank)});
        } else if (pr->mass > vessel.tanks[pr->tank].max_mass) {
            b.problems.push_back({line_at, "PROPELLANT: above the tank's capacity"});
        } else {
            vessel.tanks[pr->tank].mass = pr->mass;
        }
    }
}

std::vector<HostLineProblem> OrbitalWorld::finish_loading(VesselRecord& vessel) {
    Body& b = body(vessel);
    if (!b.orbit_given)
        b.problems.push_back(
            {HostLineProblem::kWholeBlock, "no orbit: the block needs ELEMENTS or STATE"});
    auto out = std::move(b.problems);
    b.problems.clear();
    return out;
}

void OrbitalWorld::vessel_ready(VesselRecord& vessel) {
    Body& b = body(vessel);
    if (!b.orbit_given) b.now = geostationary(285.0 / 360.0 * kTwoPi);
    new_epoch(b, time_);
    b.lit = sunlit_fraction(b.now.r, forces_.ephemeris().sun_m(sim_mjd()));
    using Mode = AttitudeLine::Mode;
    const VECTOR3 along = unit(b.now.v);
    const VECTOR3 normal = unit(cross(b.now.r, b.now.v));
    switch (b.attitude_line.mode) {
        case Mode::sun:
            b.q = sun_attitude(b.now.r);
            break;
        case Mode::quaternion:
            b.q = b.attitude_line.q;
            break;
        case Mode::prograde:
            b.q = from_axes(cross(normal, along), normal, along);
            break;
        case Mode::retrograde:
            b.q = from_axes(cross(normal, -along), normal, -along);
            break;
    }
}

void OrbitalWorld::place(const VesselRecord& vessel, const StateVector& s) {
    Body& b = body(vessel);
    b.landed = false;
    b.now = s;
    new_epoch(b, time_);
}

void OrbitalWorld::new_epoch(Body& b, double t) {
    b.epoch = b.now;
    b.epoch_time = t;
    b.closed = is_closed_orbit(b.now, kEarthMu);
    b.kepler = b.closed && periapsis_radius(b.now) > kEarthRadius;
    b.propagator.reset();
    if (!b.landed && below_surface(b.now.r)) land(b, onto_surface(b.now.r), t);
}

double OrbitalWorld::mjd_at(double t) const {
    return mjd_at_zero_ + t / kSecondsPerDay;
}

void OrbitalWorld::set_forces(ForceModel forces) {
    forces_ = std::move(forces);
    for (auto& b : bodies_)
        if (!b->landed) new_epoch(*b, time_);
}

std::vector<WorldEvent> OrbitalWorld::take_events() {
    return std::exchange(events_, {});
}

bool OrbitalWorld::on_surface(const VesselRecord& vessel) const {
    return body(vessel).landed;
}

double OrbitalWorld::sunlit(const VesselRecord& vessel) const {
    return body(vessel).lit;
}

VesselSurface OrbitalWorld::surface_of(const Body& b) const {
    return {b.q, b.record->cross_sections.value_or(VECTOR3{0.0, 0.0, 0.0}), b.record->total_mass()};
}

void OrbitalWorld::land(Body& b, const VECTOR3& r, double t) {
    b.landed = true;
    b.r_ecef = turned_about_z(r, -earth_rotation_angle(mjd_at(t)));
    b.omega = {0.0, 0.0, 0.0};
    b.propagator.reset();
    if (events_.size() >= kMostEvents) events_.erase(events_.begin());
    events_.push_back({WorldEvent::Kind::surface, b.record, t});
    rest(b, t);
}

void OrbitalWorld::rest(Body& b, double t) const {
    // On the ground, turning with the Earth.
    constexpr double rate = kTwoPi / kSiderealDay;  // [rad/s]
    b.now.r = turned_about_z(b.r_ecef, earth_rotation_angle(mjd_at(t)));
    b.now.v = {-rate * b.now.r.y, rate * b.now.r.x, 0.0};
    b.epoch = b.now;
    b.epoch_time = t;
}

void OrbitalWorld::set_attitude(const VesselRecord& vessel, const Quaternion& q) {
    body(vessel).q = normalized(q);
}

void OrbitalWorld::set_rate(const VesselRecord& vessel, const VECTOR3& omega) {
    body(vessel).omega = omega;
}

void OrbitalWorld::set_attitude_mode(const VesselRecord& vessel, AttitudeMode mode) {
    Body& b = body(vessel);
    b.steering.mode = mode;
    b.steering.held = b.q;
    b.steering.active = mode != AttitudeMode::none;
}

AttitudeMode OrbitalWorld::attitude_mode(const VesselRecord& vessel) const {
    return body(vessel).steering.mode;
}

double OrbitalWorld::attitude_mode_error(const VesselRecord& vessel) const {
    const Body& b = body(vessel);
    if (b.steering.mode == AttitudeMode::none) return 0.0;
    return attitude_error(b.q, steering_target(b, b.now));
}

bool OrbitalWorld::attitude_settled(const VesselRecord& vessel) const {
    const Body& b = body(vessel);
    return b.steering.mode != AttitudeMode::none && !b.steering.active;
}

Quaternion OrbitalWorld::steering_target(const Body& b, const StateVector& s) const {
    const Quaternion sun = b.steering.mode == AttitudeMode::sun ? sun_attitude(s.r) : Quaternion{};
    return mode_attitude(b.steering.mode, s, sun, b.steering.held);
}

bool OrbitalWorld::schedule_burn(const VesselRecord& vessel, THGROUP_TYPE group, double start,
                                 double duration, double level) {
    const bool known = std::any_of(vessel.groups.begin(), vessel.groups.end(),
                                   [group](const ThrusterGroup& g) { return g.type == group; });
    if (!known) return false;
    burns_.push_back({&vessel, group, start, start + duration, std::clamp(level, 0.0, 1.0)});
    return true;
}

StateVector OrbitalWorld::state(const VesselRecord& vessel) const {
    return body(vessel).now;
}

Quaternion OrbitalWorld::attitude(const VesselRecord& vessel) const {
    return body(vessel).q;
}

VECTOR3 OrbitalWorld::rate(const VesselRecord& vessel) const {
    return body(vessel).omega;
}

VECTOR3 OrbitalWorld::earth_in_vessel_frame(const VesselRecord& vessel) const {
    const Body& b = body(vessel);
    return unrotate(b.q, -b.now.r);
}

ORBITPARAM OrbitalWorld::orbit(const VesselRecord& vessel) const {
    const Body& b = body(vessel);
    ELEMENTS el;
    ORBITPARAM prm;
    elements_from_state(b.now, kEarthMu, 0.0, el, prm);
    return prm;
}

double OrbitalWorld::dish_earth_angle(const VesselRecord& vessel, int dish) const {
    return angle_between(dish_boresight(vessel, dish), earth_in_vessel_frame(vessel));
}

Quaternion OrbitalWorld::sun_attitude(const VECTOR3& position) const {
    const double mjd = sim_mjd();
    const VECTOR3 z = unit(sun_distance(mjd) * sun_direction(mjd) - position);
    VECTOR3 y = cross(VECTOR3{0.0, 0.0, 1.0}, z);
    y = norm(y) > 1e-9 ? unit(y) : VECTOR3{0.0, 1.0, 0.0};
    return from_axes(cross(y, z), y, z);
}

StateVector OrbitalWorld::geostationary(double lon) const {
    const double n = kTwoPi / kSiderealDay;          // [rad/s]
    const double a = std::cbrt(kEarthMu / (n * n));  // [m]
    return state_from_elements(a, 0.0, 0.0, 0.0, 0.0, earth_rotation() + lon, kEarthMu);
}

void OrbitalWorld::set_levels(Body& b, double from, double to) {
    VesselRecord& v = *b.record;
    for (auto& t : v.thrusters) t.level = 0.0;
    for (const Burn& burn : burns_) {
        if (burn.vessel != &v || !(burn.start <= from && burn.end >= to)) continue;
        for (auto& g : v.groups) {
            if (g.type != burn.group) continue;
            for (Thruster* t : g.thrusters) t->level = std::max(t->level, burn.level);
            break;
        }
    }
}

void OrbitalWorld::hold_rates(Body& b, double h) {
    VesselRecord& v = *b.record;
    for (const auto& g : v.groups)
        if (is_attitude_group(g.type))
            for (const Thruster* t : g.thrusters)
                if (t->level > 0.0) return;  // the pilot is turning the vessel
    if (norm(b.omega) < kHoldDeadband) {
        b.omega = {0.0, 0.0, 0.0};
        return;
    }
    const VECTOR3 pmi = v.pmi.value_or(VECTOR3{1.0, 1.0, 1.0});
    const double m = v.total_mass();
    const double want[3] = {-m * pmi.x * b.omega.x / h, -m * pmi.y * b.omega.y / h,
                            -m * pmi.z * b.omega.z / h};  // [N m] to stop within h
    for (int axis = 0; axis < 3; ++axis) {
        ThrusterGroup* best = nullptr;
        double best_torque = 0.0;
        for (auto& g : v.groups) {
            if (!is_attitude_group(g.type)) continue;
            const VECTOR3 tq = group_capacity(g).torque;
            const double c = axis == 0 ? tq.x : axis == 1 ? tq.y : tq.z;
            if (c * want[axis] > 0.0 && std::fabs(c) > std::fabs(best_torque)) {
                best = &g;
                best_torque = c;
            }
        }
        if (best == nullptr) continue;
        const double level = std::min(1.0, std::fabs(want[axis] / best_torque));
        for (Thruster* t : best->thrusters) t->level = std::max(t->level, level);
    }
}

void OrbitalWorld::coast(Body& b, double from, double to) {
    const double h = to - from;
    if (b.kepler && forces_.closed_form())
        b.now = kepler_propagate(b.epoch, to - b.epoch_time, kEarthMu);
    else
        integrate(b, from, to);
    if (b.landed || norm(b.omega) == 0.0) return;
    const VECTOR3 pmi = b.record->pmi.value_or(VECTOR3{1.0, 1.0, 1.0});
    if (pmi.x == pmi.y && pmi.y == pmi.z) {
        // A spherical body keeps its body rates: the turn is exact.
        b.q = turned(b.q, b.omega, h);
        return;
    }
    const int n = std::max(1, static_cast<int>(std::ceil(h / kPoweredSubstep)));
    RigidBodyState s{{{1.0, 0.0, 0.0}, {0.0, 0.0, 0.0}}, b.q, b.omega};
    for (int i = 0; i < n; ++i) s = integrate_step(s, {}, 1.0, pmi, h / n, 0.0);
    b.q = s.attitude;
    b.omega = s.omega;
}

void OrbitalWorld::integrate(Body& b, double from, double to) {
    if (!b.propagator) b.propagator = std::make_unique<Propagator>(b.now, from, tolerance_);
    // The attitude and mass of the step's start serve the whole step.
    const VesselSurface surface = surface_of(b);
    const auto acceleration = [this, &surface](const VECTOR3& r, double t) {
        return forces_.acceleration(r, mjd_at(t), surface);
    };
    const Propagator::Result out = b.propagator->advance(to, acceleration, below_surface);
    if (out.surface_time_s) {
        land(b, out.state.r, *out.surface_time_s);
        rest(b, to);
    } else {
        b.now = out.state;
    }
}

void OrbitalWorld::powered(Body& b, double from, double to) {
    VesselRecord& v = *b.record;
    const VECTOR3 pmi = v.pmi.value_or(VECTOR3{1.0, 1.0, 1.0});
    const int n = std::max(1, static_cast<int>(std::ceil((to - from) / kPoweredSubstep)));
    const double h = (to - from) / n;
    RigidBodyState s{b.now, b.q, b.omega};
    // The Sun's direction barely moves within a step; it is costly to find.
    const Quaternion sun =
        b.steering.mode == AttitudeMode::sun ? sun_attitude(b.now.r) : Quaternion{};
    for (int i = 0; i < n; ++i) {
        if (attitude_hold_ || b.steering.mode != AttitudeMode::none) {
            b.omega = s.omega;
            set_levels(b, from, to);
            if (b.steering.mode != AttitudeMode::none) {
                const Quaternion target =
                    mode_attitude(b.steering.mode, s.orbit, sun, b.steering.held);
                if (engage_steering(b.steering, s.attitude, target) &&
                    steer(v, s.attitude, s.omega, target, h))
                    b.steering.active = false;
            }
            hold_rates(b, h);
            s.omega = b.omega;
        }
        const double mass0 = v.total_mass();
        // The other forces change little within a substep.
        VECTOR3 perturbation{0.0, 0.0, 0.0};
        if (!forces_.closed_form()) {
            const VesselSurface surface{s.attitude, surface_of(b).cross_sections_m2, mass0};
            const double r = norm(s.orbit.r);
            perturbation = forces_.acceleration(s.orbit.r, mjd_at(from + i * h), surface) +
                           (kEarthMu / (r * r * r)) * s.orbit.r;
        }
        const ThrustLoad load = fire_thrusters(v, h);
        s = integrate_step(s, load, mass0, pmi, h, kEarthMu, perturbation);
        if (below_surface(s.orbit.r)) {
            b.q = s.attitude;
            land(b, onto_surface(s.orbit.r), from + (i + 1) * h);
            rest(b, to);
            return;
        }
    }
    b.now = s.orbit;
    b.q = s.attitude;
    b.omega = s.omega;
    new_epoch(b, to);
}

void OrbitalWorld::advance(double dt) {
    const double t0 = time_;
    const double t1 = t0 + dt;
    for (auto& bp : bodies_) {
        Body& b = *bp;
        if (b.landed) {
            // Resting on the ground: the thrusters no longer move it.
            for (auto& t : b.record->thrusters) t.level = 0.0;
            rest(b, t1);
            continue;
        }
        // Cut the step where a burn of this vessel starts or ends.
        std::vector<double> edges{t0, t1};
        for (const Burn& burn : burns_) {
            if (burn.vessel != b.record) continue;
            for (double e : {burn.start, burn.end})
                if (e > t0 && e < t1) edges.push_back(e);
        }
        std::sort(edges.begin(), edges.end());
        edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
        for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
            const double from = edges[i], to = edges[i + 1];
            set_levels(b, from, to);
            bool thrust = false;
            for (const auto& t : b.record->thrusters) thrust = thrust || t.level > 0.0;
            const bool holding = attitude_hold_ && norm(b.omega) >= kHoldDeadband;
            // The velocity's direction turns with the orbit: those modes
            // are watched throughout, the others at each step.
            const bool steering = engage_steering(b.steering, b.q, steering_target(b, b.now)) ||
                                  b.steering.mode == AttitudeMode::prograde ||
                                  b.steering.mode == AttitudeMode::retrograde;
            if (thrust || holding || steering)
                powered(b, from, to);
            else
                coast(b, from, to);
            if (attitude_hold_ && norm(b.omega) < kHoldDeadband) b.omega = {0.0, 0.0, 0.0};
            if (b.landed) {
                rest(b, t1);
                break;
            }
        }
        const double lit = sunlit_fraction(b.now.r, forces_.ephemeris().sun_m(mjd_at(t1)));
        if ((lit < 1.0) != (b.lit < 1.0)) {
            if (events_.size() >= kMostEvents) events_.erase(events_.begin());
            events_.push_back(
                {lit < 1.0 ? WorldEvent::Kind::eclipse_entry : WorldEvent::Kind::eclipse_exit,
                 b.record, t1});
        }
        b.lit = lit;
    }
    time_ = t1;
    ++steps_;
    // Burns wholly in the past are done with.
    burns_.erase(
        std::remove_if(burns_.begin(), burns_.end(), [t1](const Burn& x) { return x.end <= t1; }),
        burns_.end());
}

}  // namespace standin
