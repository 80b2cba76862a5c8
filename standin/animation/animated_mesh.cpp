#include "standin/animation/animated_mesh.h"

#include <cmath>

namespace standin {

AnimationStates current_states(const VesselRecord& vessel) {
    AnimationStates states;
    states.reserve(vessel.animations.size());
    for (const Animation& a : vessel.animations) states.push_back(a.state);
    return states;
}

double component_progress(const AnimationComponent& c, double state) {
    if (std::isnan(state)) return 0.0;
    if (c.state1 == c.state0) return state >= c.state1 ? 1.0 : 0.0;
    const double f = (state - c.state0) / (c.state1 - c.state0);
    return f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
}

RigidMotion own_motion(const AnimationComponent& c, const AnimationStates& states) {
    // Only rotations move groups in this host; other kinds hold still.
    if (c.transform == nullptr || c.transform->Kind() != 1) return {};
    const auto& rotate = static_cast<const MGROUP_ROTATE&>(*c.transform);
    const double state = c.animation < states.size() ? states[c.animation] : 0.0;
    const double angle = static_cast<double>(rotate.angle) * component_progress(c, state);
    return RigidMotion::rotation_about(rotate.ref, rotate.axis, angle);
}

RigidMotion placement(const AnimationComponent& c, const AnimationStates& states) {
    RigidMotion m = own_motion(c, states);
    for (const AnimationComponent* up = c.parent; up != nullptr; up = up->parent)
        m = own_motion(*up, states) * m;
    return m;
}

bool names_group(const AnimationComponent& c, std::uint32_t mesh, std::uint32_t group) {
    const MGROUP_TRANSFORM* t = c.transform;
    if (t == nullptr || t->mesh != mesh || t->groups == nullptr) return false;
    for (std::uint32_t i = 0; i < t->group_count; ++i)
        if (t->groups[i] == group) return true;
    return false;
}

RigidMotion group_motion(const VesselRecord& vessel, std::uint32_t mesh, std::uint32_t group,
                         const AnimationStates& states) {
    RigidMotion m;
    for (const AnimationComponent& c : vessel.components)
        if (names_group(c, mesh, group)) m = placement(c, states) * m;
    return m;
}

AnimatedMesh::AnimatedMesh(const VesselRecord& vessel, std::uint32_t mesh)
    : AnimatedMesh(vessel, mesh, current_states(vessel)) {}

AnimatedMesh::AnimatedMesh(const VesselRecord& vessel, std::uint32_t mesh, AnimationStates states)
    : vessel_(vessel), mesh_(mesh), states_(std::move(states)) {}

const Mesh* AnimatedMesh::geometry() const {
    return mesh_ < vessel_.meshes.size() ? vessel_.meshes[mesh_].geometry : nullptr;
}

RigidMotion AnimatedMesh::group_motion(std::uint32_t group) const {
    return standin::group_motion(vessel_, mesh_, group, states_);
}

std::vector<VECTOR3> AnimatedMesh::group_vertices(std::uint32_t group) const {
    std::vector<VECTOR3> out;
    const Mesh* mesh = geometry();
    const MeshGroup* g = mesh != nullptr ? mesh->group(group) : nullptr;
    if (g == nullptr) return out;
    const RigidMotion m = group_motion(group);
    out.reserve(g->vertices.size());
    for (const VECTOR3& v : g->vertices) out.push_back(m.point(v));
    return out;
}

VECTOR3 AnimatedMesh::group_centroid(std::uint32_t group) const {
    const auto vertices = group_vertices(group);
    VECTOR3 sum{0, 0, 0};
    for (const VECTOR3& v : vertices) sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
    const double n = vertices.empty() ? 1.0 : static_cast<double>(vertices.size());
    return {sum.x / n, sum.y / n, sum.z / n};
}

std::vector<VECTOR3> group_vertices(const VesselRecord& vessel, std::uint32_t mesh,
                                    std::uint32_t group) {
    return AnimatedMesh(vessel, mesh).group_vertices(group);
}

}  // namespace standin
