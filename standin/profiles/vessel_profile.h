// What the generic host knows of a vessel class beyond what its module
// declares: the names of its animations by role, where its dishes are in
// its mesh, the longitude its module steers for, its main engine. One
// profile per class; the trace's header carries it, so that the replay and
// the viewer learn it from there. No other part of the host tests a class
// name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/types.h"

namespace standin {

struct VesselRecord;

// A dish of the vessel's first mesh: the boresight runs from the centroid
// of the reflector's vertices to the feed's.
struct DishGroups {
    std::uint32_t reflector;
    std::uint32_t feed;
    // Out of the dish's face when stowed, in the vessel frame: what the
    // reflector's motion carries when the mesh file is missing.
    VECTOR3 stowed;
};

// An animation by the role it plays for the host, in creation order.
struct AnimationRole {
    const char* role;
    const char* name;
};

struct VesselProfile {
    const char* class_name;
    // [deg] east: the station the module's own HUD measures from.
    double target_lon_deg;
    THGROUP_TYPE main_group;
    std::array<AnimationRole, 6> animations;
    // Dish 1 (antenna at +y) and dish 2 (antenna at -y) of mesh 0.
    std::array<DishGroups, 2> dishes;
    // The animation whose state 1 has the booms out: only then does a dish
    // face anything.
    std::size_t booms;

    // The role's animation id.
    std::size_t animation(const std::string& role) const;
};

// The profile of the vessel's class, when the host has one and the module
// built the rig it describes; null otherwise.
const VesselProfile* vessel_profile(const VesselRecord& vessel);

// The trace's names of a vessel's animations: the profile's by role,
// "anim<N>" for a class without one.
std::vector<std::string> animation_names(const VesselRecord& vessel);

}  // namespace standin
