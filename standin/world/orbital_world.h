// The world the runner flies vessels in: the Earth at the global origin,
// turning by the Earth rotation angle of the date; each vessel on its orbit
// about it: two-body in closed form while it coasts, or integrated under the
// chosen forces (the gravity field, the Moon, the Sun, sunlight's pressure),
// and integrated numerically while its thrusters fire; each vessel's
// attitude, turned by its body rates and the thrusters' torques. A vessel
// that reaches the Earth's surface stops there and rests on it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "standin/core/world.h"
#include "standin/world/attitude_mode.h"
#include "standin/world/forces/force_model.h"
#include "standin/world/host_lines.h"
#include "standin/world/quaternion.h"
#include "standin/world/state_vector.h"

namespace standin {

// A problem with a vessel's host lines. line: the index of the offending
// line in the vessel's block, or kWholeBlock (no orbit given).
struct HostLineProblem {
    static constexpr std::size_t kWholeBlock = static_cast<std::size_t>(-1);
    std::size_t line = kWholeBlock;
    std::string message;
};

// What happened to a vessel within a step, for the runner's events.
struct WorldEvent {
    enum class Kind {
        surface,        // reached the Earth's surface and stopped there
        eclipse_entry,  // into the Earth's penumbra
        eclipse_exit,   // back into full sunlight
    };
    Kind kind = Kind::surface;
    const VesselRecord* vessel = nullptr;
    double time = 0.0;  // [s] the step's end (surface: the moment it was reached)
};

class OrbitalWorld : public World {
public:
    // mjd: the date at simulation time `time` [s].
    explicit OrbitalWorld(double mjd, double time = 0.0);
    ~OrbitalWorld() override;
    OrbitalWorld(const OrbitalWorld&) = delete;
    OrbitalWorld& operator=(const OrbitalWorld&) = delete;

    // ---- World
    double sim_time() const override { return time_; }
    double sim_mjd() const override;
    OBJHANDLE object_by_name(const char* name) override;
    VECTOR3 global_pos(OBJHANDLE object) override;
    double planet_rotation(OBJHANDLE planet) override;
    VECTOR3 global_to_local(const VesselRecord& vessel, const VECTOR3& global) override;
    bool elements(const VesselRecord& vessel, OBJHANDLE ref, ELEMENTS& el, ORBITPARAM* prm,
                  double mjd, int frame) override;
    void vessel_added(VesselRecord& vessel) override;
    void vessel_removed(VesselRecord& vessel) override;
    // Places a vessel never given an orbit geostationary over 75 degrees
    // west, and sets its attitude as its lines asked.
    void vessel_ready(VesselRecord& vessel) override;
    void write_vessel_lines(const VesselRecord& vessel, ScenarioBlock& block) override;
    void parse_vessel_line(VesselRecord& vessel, const char* line, void* status) override;
    void advance(double dt) override;

    // ---- Set-up
    // The problems a vessel's host lines had, and a missing orbit; once.
    std::vector<HostLineProblem> finish_loading(VesselRecord& vessel);
    void place(const VesselRecord& vessel, const StateVector& s);
    void set_attitude(const VesselRecord& vessel, const Quaternion& q);
    void set_rate(const VesselRecord& vessel, const VECTOR3& omega);

    // ---- Commands
    // Fires the vessel's first group of that type at level (0..1) from start
    // for duration seconds of simulation time; edges fall inside steps
    // where they fall. False when the vessel has no such group.
    bool schedule_burn(const VesselRecord& vessel, THGROUP_TYPE group, double start,
                       double duration, double level);
    // While on and no attitude group is being fired, the attitude groups
    // null the body rates.
    void set_attitude_hold(bool on) { attitude_hold_ = on; }
    // From now on the attitude groups fly the vessel into the mode's
    // attitude and keep it there (none: no steering).
    void set_attitude_mode(const VesselRecord& vessel, AttitudeMode mode);
    AttitudeMode attitude_mode(const VesselRecord& vessel) const;
    // [rad] from the mode's attitude now; 0 with no mode.
    double attitude_mode_error(const VesselRecord& vessel) const;
    // In the mode's attitude and still (the steering has let go).
    bool attitude_settled(const VesselRecord& vessel) const;

    // ---- Forces
    // From now on the vessels move under these forces; the default is the
    // two-body world in closed form.
    void set_forces(ForceModel forces);
    const ForceModel& forces() const { return forces_; }
    // The integrator's relative error per step (default 1e-14).
    void set_tolerance(double relative) { tolerance_ = relative; }
    // The vessels' events since the last call, in order.
    std::vector<WorldEvent> take_events();
    // The vessel has reached the Earth's surface and rests on it.
    bool on_surface(const VesselRecord& vessel) const;
    // The fraction of the Sun's disc the vessel sees (1: full sunlight).
    double sunlit(const VesselRecord& vessel) const;

    // ---- What the world knows
    StateVector state(const VesselRecord& vessel) const;
    Quaternion attitude(const VesselRecord& vessel) const;
    VECTOR3 rate(const VesselRecord& vessel) const;
    VECTOR3 earth_in_vessel_frame(const VesselRecord& vessel) const;
    // The orbit referred to the equator, as elements() with frame 1.
    ORBITPARAM orbit(const VesselRecord& vessel) const;
    double earth_rotation() const;  // [rad] now
    // The angle [rad] between a dish's boresight and the Earth's direction.
    double dish_earth_angle(const VesselRecord& vessel, int dish) const;
    long steps() const { return steps_; }

    // The attitude with +z toward the Sun and +y along the equator, from a
    // position [m] at the current date.
    Quaternion sun_attitude(const VECTOR3& position) const;
    // The state geostationary over east longitude lon [rad] now.
    StateVector geostationary(double lon) const;

private:
    struct Body;
    struct Burn {
        const VesselRecord* vessel;
        THGROUP_TYPE group;
        double start, end, level;
    };

    static Body& body(const VesselRecord& vessel);
    Body* body_by_handle(OBJHANDLE h) const;
    void set_levels(Body& b, double from, double to);
    void hold_rates(Body& b, double h);
    void coast(Body& b, double from, double to);
    void integrate(Body& b, double from, double to);
    void new_epoch(Body& b, double t);
    void land(Body& b, const VECTOR3& r, double t);
    void rest(Body& b, double t) const;
    double mjd_at(double t) const;
    VesselSurface surface_of(const Body& b) const;
    void powered(Body& b, double from, double to);
    Quaternion steering_target(const Body& b, const StateVector& s) const;

    double mjd_at_zero_;  // [days] the date at simulation time 0
    double time_;         // [s]
    long steps_ = 0;
    bool attitude_hold_ = false;
    int earth_object_ = 0;  // its address is the Earth's handle
    std::vector<std::unique_ptr<Body>> bodies_;
    std::vector<Burn> burns_;
    ForceModel forces_;
    double tolerance_ = 1e-14;
    std::vector<WorldEvent> events_;
};

}  // namespace standin
