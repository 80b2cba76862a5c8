// The stand-in host's animation engine: where a vessel's mesh groups are at
// given animation states.
//
// Each component turns the groups it names about its axis through its
// reference point by (full angle) x (its progress at the animation's
// state). Reference points and axes are given in the mesh frame with every
// animation at 0, so a component's own turn is applied first, in that frame,
// and then its parent's, its grandparent's, and so on outward: a child and
// everything it carries move with every ancestor. The engine only reads the
// transform records it was given; they may be shared by many vessels.
//
// Setting an animation only stores its state (VESSEL::SetAnimation); the
// geometry is worked out here, when someone asks for it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/types.h"
#include "standin/animation/rigid_motion.h"
#include "standin/core/vessel_record.h"
#include "standin/mesh/mesh.h"

namespace standin {

// One state per animation id of the vessel; ids beyond the end count as 0.
using AnimationStates = std::vector<double>;

// The vessel's animation states as the module last set them.
AnimationStates current_states(const VesselRecord& vessel);

// How far [0..1] a component has gone at its animation's state: 0 at or
// before state0, 1 at or after state1, linear between.
double component_progress(const AnimationComponent& component, double state);

// The component's own turn, in the frame of all animations at 0.
RigidMotion own_motion(const AnimationComponent& component, const AnimationStates& states);

// The component's turn followed by those of its ancestors, innermost first.
RigidMotion placement(const AnimationComponent& component, const AnimationStates& states);

// Whether the component's transform names that group of that mesh.
bool names_group(const AnimationComponent& component, std::uint32_t mesh, std::uint32_t group);

// The motion of one group of one of the vessel's meshes: the placement of
// each component naming it, in the order the components were added.
RigidMotion group_motion(const VesselRecord& vessel, std::uint32_t mesh, std::uint32_t group,
                         const AnimationStates& states);

// One of a vessel's meshes at fixed animation states.
class AnimatedMesh {
public:
    AnimatedMesh(const VesselRecord& vessel, std::uint32_t mesh);
    AnimatedMesh(const VesselRecord& vessel, std::uint32_t mesh, AnimationStates states);

    // The mesh's geometry, or null when the vessel has no such mesh or the
    // installation lacks its file.
    const Mesh* geometry() const;

    RigidMotion group_motion(std::uint32_t group) const;
    // The group's vertices moved to the states [m, vessel frame]; empty
    // when the mesh or group is missing.
    std::vector<VECTOR3> group_vertices(std::uint32_t group) const;
    // The mean of those vertices.
    VECTOR3 group_centroid(std::uint32_t group) const;

private:
    const VesselRecord& vessel_;
    std::uint32_t mesh_;
    AnimationStates states_;
};

// The group's vertices at the vessel's current states.
std::vector<VECTOR3> group_vertices(const VesselRecord& vessel, std::uint32_t mesh,
                                    std::uint32_t group);

}  // namespace standin
