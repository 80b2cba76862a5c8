// Everything the host knows of one vessel: what the module declared about
// it, and the host-side state of its tanks, thrusters and animations.
//
// Handles given to the module are addresses of elements here; the element
// containers are deques so that those addresses stay valid as more are
// declared.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "host/transforms.h"
#include "host/types.h"

namespace standin {

struct PropellantTank {
    double max_mass = 0.0;    // [kg]
    double mass = 0.0;        // [kg]
    double efficiency = 1.0;  // [-] fraction of the nominal thrust per unit of flow
};

struct Thruster {
    VECTOR3 pos{};            // [m] vessel frame
    VECTOR3 dir{};            // unit thrust direction, vessel frame
    double max_thrust = 0.0;  // [N]
    PropellantTank* tank = nullptr;
    double isp = 0.0;       // [m/s] vacuum specific impulse
    double isp_ref = 0.0;   // [m/s] at the reference pressure (0: same as vacuum)
    double p_ref = 0.0;     // [Pa] reference pressure
    double level = 0.0;     // [0..1] commanded thrust level
    double drawn_kg = 0.0;  // [kg] propellant it has drawn since the vessel was created
};

struct ThrusterGroup {
    THGROUP_TYPE type = THGROUP_MAIN;
    std::vector<Thruster*> thrusters;  // copied when the group was created
};

struct Exhaust {
    Thruster* thruster = nullptr;
    double length = 0.0;  // [m]
    double width = 0.0;   // [m]
    VECTOR3 pos{};
    VECTOR3 dir{};
    SURFHANDLE texture = nullptr;
};

struct Mesh;

struct MeshUse {
    std::string name;
    const Mesh* geometry = nullptr;  // the installation's mesh of that name; null if missing
    std::optional<VECTOR3> offset;
    std::uint16_t visibility = 0;
};

struct AnimationComponent {
    std::uint32_t animation = 0;
    double state0 = 0.0;
    double state1 = 1.0;
    const MGROUP_TRANSFORM* transform = nullptr;  // the module's record; read, never written
    AnimationComponent* parent = nullptr;
    std::vector<AnimationComponent*> children;
};

struct Animation {
    double state = 0.0;
    std::vector<AnimationComponent*> components;
};

struct VesselRecord {
    // Marks a live record, so that a handle the host never gave out is
    // caught rather than used.
    static constexpr std::uint32_t kLiveTag = 0x4b525631;
    std::uint32_t live_tag = kLiveTag;
    // Beside the tag: the animation states are what a step sets, so both
    // share a cache line on that path.
    std::vector<Animation> animations;
    // The world's own state of this vessel, found without a search on the
    // step path; the world's to set and read.
    void* world_state = nullptr;

    std::string name;
    std::string class_name;
    int flight_model = 1;

    std::optional<double> size;
    std::optional<double> empty_mass;
    std::optional<double> pitch_moment_scale;
    std::optional<double> bank_moment_scale;
    std::optional<double> trim_scale;
    std::optional<VECTOR3> pmi;
    std::optional<VECTOR3> cross_sections;
    std::optional<VECTOR3> rot_drag;
    std::optional<VECTOR3> camera_offset;
    std::optional<std::array<double, 4>> cw;
    std::vector<VECTOR3> touchdown_points;
    std::vector<MeshUse> meshes;

    std::deque<PropellantTank> tanks;
    std::deque<Thruster> thrusters;
    std::deque<ThrusterGroup> groups;
    std::vector<Exhaust> exhausts;

    std::deque<AnimationComponent> components;

    OBJHANDLE handle() { return reinterpret_cast<OBJHANDLE>(this); }

    // Total mass [kg]: empty mass plus every tank's content.
    double total_mass() const;

    // The element a handle names, or null if the handle is not this vessel's.
    PropellantTank* tank(PROPELLANT_HANDLE h);
    Thruster* thruster(THRUSTER_HANDLE h);
    AnimationComponent* component(ANIMATIONCOMPONENT_HANDLE h);
};

}  // namespace standin
