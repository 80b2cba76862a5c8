#include "standin/snapshot/pointing_gauge.h"

#include <cmath>
#include <cstring>

#include "standin/animation/animated_mesh.h"
#include "standin/animation/dish_pointing.h"
#include "standin/profiles/vessel_profile.h"

namespace standin {

namespace {

VECTOR3 rest_centroid(const Mesh& mesh, std::uint32_t group) {
    const MeshGroup* g = mesh.group(group);
    VECTOR3 sum{0, 0, 0};
    for (const VECTOR3& v : g->vertices) sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
    const double n = g->vertices.empty() ? 1.0 : static_cast<double>(g->vertices.size());
    return {sum.x / n, sum.y / n, sum.z / n};
}

double angle_between(const VECTOR3& a, const VECTOR3& b) {
    const double c = a.y * b.z - a.z * b.y;
    const double d = a.z * b.x - a.x * b.z;
    const double e = a.x * b.y - a.y * b.x;
    return std::atan2(std::sqrt(c * c + d * d + e * e), a.x * b.x + a.y * b.y + a.z * b.z);
}

// Whether the states of the animations in depends are, bit for bit, those
// seen last (nothing seen yet: no).
bool unchanged(const std::vector<std::uint32_t>& depends, const AnimationStates& states,
               const std::vector<double>& seen) {
    if (seen.size() != depends.size() || seen.empty()) return false;
    for (std::size_t k = 0; k < depends.size(); ++k) {
        const double now = depends[k] < states.size() ? states[depends[k]] : 0.0;
        std::uint64_t a = 0, b = 0;
        std::memcpy(&a, &now, sizeof a);
        std::memcpy(&b, &seen[k], sizeof b);
        if (a != b) return false;
    }
    return true;
}

}  // namespace

PointingGauge::PointingGauge(const VesselRecord& vessel) : vessel_(vessel) {
    const VesselProfile* profile = vessel_profile(vessel);
    applies_ = profile != nullptr;
    if (!applies_) return;
    dishes_ = profile->dishes;
    const DishGroups dishes[2] = {dishes_[0], dishes_[1]};
    const Mesh* mesh = AnimatedMesh(vessel, 0).geometry();
    from_mesh_ = mesh != nullptr;
    for (int i = 0; i < 2 && from_mesh_; ++i) {
        from_mesh_ =
            mesh->group(dishes[i].reflector) != nullptr && mesh->group(dishes[i].feed) != nullptr;
        if (!from_mesh_) break;
        reflector_[i] = rest_centroid(*mesh, dishes[i].reflector);
        feed_[i] = rest_centroid(*mesh, dishes[i].feed);
        std::vector<const AnimationComponent*> feed_movers;
        for (const AnimationComponent& c : vessel.components) {
            if (names_group(c, 0, dishes[i].reflector)) movers_[i].push_back(&c);
            if (names_group(c, 0, dishes[i].feed)) feed_movers.push_back(&c);
        }
        one_motion_[i] = movers_[i] == feed_movers;
        for (const AnimationComponent* c : movers_[i])
            for (const AnimationComponent* up = c; up != nullptr; up = up->parent)
                depends_[i].push_back(up->animation);
    }
}

std::array<double, 2> PointingGauge::errors(const VECTOR3& earth) const {
    states_.clear();
    for (const auto& a : vessel_.animations) states_.push_back(a.state);
    return errors(earth, states_);
}

std::array<double, 2> PointingGauge::errors(const VECTOR3& earth,
                                            const AnimationStates& states) const {
    std::array<double, 2> out{};
    const DishGroups dishes[2] = {dishes_[0], dishes_[1]};
    for (int i = 0; i < 2; ++i) {
        VECTOR3 boresight{};
        const auto d = static_cast<std::size_t>(i);
        if (from_mesh_ && one_motion_[i] && unchanged(depends_[d], states, seen_states_[d])) {
            boresight = seen_boresight_[d];
        } else if (from_mesh_ && one_motion_[i]) {
            RigidMotion m;
            for (const AnimationComponent* c : movers_[i]) m = placement(*c, states) * m;
            const VECTOR3& f = feed_[i];
            const VECTOR3& r = reflector_[i];
            boresight = m.direction({f.x - r.x, f.y - r.y, f.z - r.z});
            seen_boresight_[d] = boresight;
            seen_states_[d].clear();
            for (const std::uint32_t a : depends_[d])
                seen_states_[d].push_back(a < states.size() ? states[a] : 0.0);
        } else if (from_mesh_) {
            const VECTOR3 from =
                group_motion(vessel_, 0, dishes[i].reflector, states).point(reflector_[i]);
            const VECTOR3 to = group_motion(vessel_, 0, dishes[i].feed, states).point(feed_[i]);
            boresight = {to.x - from.x, to.y - from.y, to.z - from.z};
        } else {
            boresight = dish_boresight(vessel_, i + 1, states);
        }
        out[static_cast<std::size_t>(i)] = angle_between(boresight, earth);
    }
    return out;
}

}  // namespace standin
