// The KRV's animation rig: the nine shared transforms, and how the stand-in
// host's engine moves the mesh groups they name.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "standin/animation/animated_mesh.h"
#include "tests/support/host_fixture.h"
#include "tests/support/setup_only.h"
#include "vessel/constants.h"
#include "vessel/krv.h"

namespace {

using standin::AnimatedMesh;
using standin::AnimationStates;
using standin::VesselRecord;

using krvconst::kPi;
constexpr std::uint32_t kGroupCount = 22;  // groups 0..21 of "krv/krv"

// ------------------------------------------------------ the rig's table

struct RigRow {
    std::uint32_t
        animation;  // creation order of the animations: ant, hga_rot, tilt1, tilt2, solp, lid
    int parent;     // index of the parent component, -1 for a root
    std::vector<std::uint32_t> groups;  // the static list
    std::uint32_t count;
    VECTOR3 ref;
    VECTOR3 axis;
    float angle;
};
const RigRow kRig[9] = {
    {0, -1, {7, 14, 18}, 3, {0, 1.161, -2.204}, {-1, 0, 0}, static_cast<float>(kPi / 2)},
    {0, -1, {6, 12, 21}, 3, {0, -1.165, -2.204}, {1, 0, 0}, static_cast<float>(kPi / 2)},
    {1, 0, {0}, 0, {0, 1.161, 0}, {0, 0, -1}, static_cast<float>(2 * kPi)},
    {1, 1, {0}, 0, {0, -1.165, 0}, {0, 0, 1}, static_cast<float>(2 * kPi)},
    {2, 2, {13, 15, 16, 17}, 4, {0, 1.161, -0.065}, {1, 0, 0}, static_cast<float>(kPi / 2)},
    {3, 3, {8, 9, 10, 11}, 4, {0, -1.165, -0.065}, {-1, 0, 0}, static_cast<float>(kPi / 2)},
    {4, -1, {19}, 1, {-1.095, 0, 0.795}, {0, 1, 0}, static_cast<float>(kPi / 2)},
    {4, -1, {20}, 1, {1.095, 0, 0.795}, {0, -1, 0}, static_cast<float>(kPi / 2)},
    {5, -1, {4}, 1, {0, 1.067, 3.049}, {1, 0, 0}, static_cast<float>(kPi)},
};

void expect_same(const VECTOR3& a, const VECTOR3& b, double tol, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, tol) << what;
    EXPECT_NEAR(a.y, b.y, tol) << what;
    EXPECT_NEAR(a.z, b.z, tol) << what;
}

class Rig : public krvtest::HostFixture {
protected:
    // Loads the module, then forgets its load-time calls.
    void load_module() {
        loader->for_class("KRV");
        log.clear();
    }
};

TEST_F(Rig, ComponentsFollowTheRigTable) {
    load_module();
    krvtest::SetupOnly vessel(host, *loader, "KRV-1", 1);
    const VesselRecord& v = vessel.record();
    const krv& k = vessel.object();
    ASSERT_EQ(v.animations.size(), 6u);
    ASSERT_EQ(v.components.size(), 9u);
    // The ids the host handed out, kept in the module's fields.
    EXPECT_EQ(k.anim_ant, 0u);
    EXPECT_EQ(k.anim_hga_rot, 1u);
    EXPECT_EQ(k.anim_hga_tilt1, 2u);
    EXPECT_EQ(k.anim_hga_tilt2, 3u);
    EXPECT_EQ(k.anim_solp, 4u);
    EXPECT_EQ(k.anim_lid, 5u);
    EXPECT_EQ(reinterpret_cast<const void*>(k.comp_boom1), &v.components[0]);
    EXPECT_EQ(reinterpret_cast<const void*>(k.comp_boom2), &v.components[1]);
    EXPECT_EQ(reinterpret_cast<const void*>(k.comp_rot1), &v.components[2]);
    EXPECT_EQ(reinterpret_cast<const void*>(k.comp_rot2), &v.components[3]);

    for (std::size_t i = 0; i < 9; ++i) {
        const std::string row = "component " + std::to_string(i);
        const standin::AnimationComponent& c = v.components[i];
        const RigRow& want = kRig[i];
        EXPECT_EQ(c.animation, want.animation) << row;
        EXPECT_EQ(c.state0, 0.0) << row;
        EXPECT_EQ(c.state1, 1.0) << row;
        EXPECT_EQ(c.parent, want.parent < 0 ? nullptr : &v.components[want.parent]) << row;
        ASSERT_NE(c.transform, nullptr) << row;
        ASSERT_EQ(c.transform->Kind(), 1) << row;
        const auto& t = static_cast<const MGROUP_ROTATE&>(*c.transform);
        EXPECT_EQ(t.mesh, 0u) << row;
        ASSERT_NE(t.groups, nullptr) << row;
        EXPECT_EQ(t.group_count, want.count) << row;
        const std::vector<std::uint32_t> list(t.groups, t.groups + want.groups.size());
        EXPECT_EQ(list, want.groups) << row;
        expect_same(t.ref, want.ref, 0.0, row + " reference point");
        expect_same(t.axis, want.axis, 0.0, row + " axis");
        EXPECT_EQ(t.angle, want.angle) << row;
    }
}

TEST_F(Rig, TransformsAreBuiltOnceEachJustBeforeTheStepThatFirstNamesThem) {
    // The host logs each transform record's construction among its calls.
    const auto births = [this] {
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < log.size(); ++i)
            if (log[i].name == "MGROUP_TRANSFORM") at.push_back(i);
        return at;
    };
    load_module();
    ASSERT_TRUE(births().empty());
    krvtest::SetupOnly first(host, *loader, "KRV-1", 1);
    const std::vector<std::size_t> built = births();
    ASSERT_EQ(built.size(), 9u);
    // Calls before each birth: 0 CreateAnimation, 1-2 booms, 3 CreateAnimation,
    // 4-5 rotations, 6 CreateAnimation, 7 tilt 1, 8 CreateAnimation, 9 tilt 2,
    // 10 CreateAnimation, 11-12 wings, 13 CreateAnimation, 14 cover.
    const std::size_t calls_before[9] = {1, 2, 4, 5, 6, 8, 10, 10, 13};
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(log[built[i]].result<const void*>(),
                  static_cast<const void*>(first.record().components[i].transform))
            << "transform " << i;
        EXPECT_EQ(built[i] - i, calls_before[i]) << "transform " << i;
    }

    // A second vessel: six new animations and nine new components of its
    // own, on the same nine transform objects, none built again.
    krvtest::SetupOnly second(host, *loader, "KRV-2", 1);
    EXPECT_EQ(births().size(), 9u);
    const VesselRecord& a = first.record();
    const VesselRecord& b = second.record();
    ASSERT_EQ(b.animations.size(), 6u);
    ASSERT_EQ(b.components.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(b.components[i].transform, a.components[i].transform) << i;
        EXPECT_NE(&b.components[i], &a.components[i]) << i;
        if (kRig[i].parent >= 0) {
            EXPECT_EQ(b.components[i].parent, &b.components[kRig[i].parent]);
        }
    }
    EXPECT_EQ(reinterpret_cast<const void*>(second.object().comp_rot2), &b.components[3]);
}

// ---------------------------------------------------- through the engine

class RigMotion : public krvtest::HostFixture {
protected:
    void SetUp() override {
        standin::SessionVessel& s = spawn();
        record = s.record;
        object = static_cast<krv*>(s.object);
        ASSERT_EQ(record->meshes.size(), 1u);
        ASSERT_NE(record->meshes[0].geometry, nullptr);
    }

    // Sets one animation through the host call the module uses.
    void set(std::uint32_t anim, double state) { object->SetAnimation(anim, state); }

    std::vector<VECTOR3> stowed(std::uint32_t group) const {
        return AnimatedMesh(*record, 0, AnimationStates{}).group_vertices(group);
    }
    std::vector<VECTOR3> now(std::uint32_t group) const {
        return AnimatedMesh(*record, 0).group_vertices(group);
    }

    // The groups whose vertices differ from the stowed mesh by more than tol [m].
    std::set<std::uint32_t> moved_groups(double tol = 1e-9) const {
        std::set<std::uint32_t> out;
        for (std::uint32_t g = 0; g < kGroupCount; ++g) {
            const auto a = stowed(g), b = now(g);
            EXPECT_EQ(a.size(), b.size());
            for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
                if (std::fabs(a[i].x - b[i].x) > tol || std::fabs(a[i].y - b[i].y) > tol ||
                    std::fabs(a[i].z - b[i].z) > tol) {
                    out.insert(g);
                    break;
                }
        }
        return out;
    }

    VesselRecord* record = nullptr;
    krv* object = nullptr;
};

const std::set<std::uint32_t> kDish1 = {13, 15, 16, 17};
const std::set<std::uint32_t> kDish2 = {8, 9, 10, 11};
const std::set<std::uint32_t> kBoom1 = {7, 14, 18};
const std::set<std::uint32_t> kBoom2 = {6, 12, 21};

std::set<std::uint32_t> joined(std::initializer_list<std::set<std::uint32_t>> sets) {
    std::set<std::uint32_t> out;
    for (const auto& s : sets) out.insert(s.begin(), s.end());
    return out;
}

TEST_F(RigMotion, EverythingStartsAtStateZero) {
    ASSERT_EQ(record->animations.size(), 6u);
    for (const standin::Animation& a : record->animations) EXPECT_EQ(a.state, 0.0);
    EXPECT_TRUE(moved_groups(0.0).empty());
    // At state 0 the engine shows the mesh exactly as the file has it.
    const standin::Mesh& mesh = *record->meshes[0].geometry;
    for (std::uint32_t g = 0; g < kGroupCount; ++g) {
        ASSERT_NE(mesh.group(g), nullptr) << g;
        const auto v = now(g);
        ASSERT_EQ(v.size(), mesh.group(g)->vertices.size());
        for (std::size_t i = 0; i < v.size(); ++i)
            expect_same(v[i], mesh.group(g)->vertices[i], 0.0, "group " + std::to_string(g));
    }
}

// The signed turn [rad] about +z that carries a to b, seen about the line
// x = 0, y = y_axis.
double turn_about_z(const VECTOR3& a, const VECTOR3& b, double y_axis) {
    const double ax = a.x, ay = a.y - y_axis, bx = b.x, by = b.y - y_axis;
    return std::atan2(ax * by - ay * bx, ax * bx + ay * by);
}

TEST_F(RigMotion, DishRotationTurnsBothDishesOnlyInMirroredSenses) {
    set(object->anim_hga_rot, 0.25);
    EXPECT_EQ(moved_groups(), joined({kDish1, kDish2}));
    // A quarter of a full turn: about -z for dish 1, about +z for dish 2.
    for (const auto& [groups, y_axis, sense] :
         {std::tuple{kDish1, 1.161, -1.0}, std::tuple{kDish2, -1.165, +1.0}}) {
        for (std::uint32_t g : groups) {
            const auto a = stowed(g), b = now(g);
            for (std::size_t i = 0; i < a.size(); ++i) {
                EXPECT_NEAR(b[i].z, a[i].z, 1e-9);
                if (std::hypot(a[i].x, a[i].y - y_axis) < 1e-3) continue;  // on the axis
                EXPECT_NEAR(turn_about_z(a[i], b[i], y_axis), sense * kPi / 2, 1e-6)
                    << "group " << g << " vertex " << i;
            }
        }
    }
}

TEST_F(RigMotion, DishRotationAtZeroAndOneShowsTheSamePicture) {
    set(object->anim_ant, 1.0);
    set(object->anim_hga_tilt1, 0.3);
    set(object->anim_hga_tilt2, 0.7);
    std::vector<std::vector<VECTOR3>> at_zero;
    for (std::uint32_t g = 0; g < kGroupCount; ++g) at_zero.push_back(now(g));
    set(object->anim_hga_rot, 1.0);
    for (std::uint32_t g = 0; g < kGroupCount; ++g) {
        const auto b = now(g);
        for (std::size_t i = 0; i < b.size(); ++i)
            expect_same(b[i], at_zero[g][i], 1e-5, "group " + std::to_string(g));
    }
}

// Rotation of p about the line through (y0, z0) along +x by angle [rad].
VECTOR3 turned_about_x(const VECTOR3& p, double y0, double z0, double angle) {
    const double y = p.y - y0, z = p.z - z0;
    return {p.x, y0 + y * std::cos(angle) - z * std::sin(angle),
            z0 + y * std::sin(angle) + z * std::cos(angle)};
}

TEST_F(RigMotion, BoomsSwingTheirGroupsAndCarryTheDishes) {
    for (double state : {0.25, 0.5, 1.0}) {
        set(object->anim_ant, state);
        const double swing = kPi / 2 * state;
        EXPECT_EQ(moved_groups(), joined({kBoom1, kBoom2, kDish1, kDish2})) << state;
        // Boom 1 turns about -x through its hinge, boom 2 about +x; each dish
        // moves rigidly with its boom.
        for (std::uint32_t g : joined({kBoom1, kDish1})) {
            const auto a = stowed(g), b = now(g);
            for (std::size_t i = 0; i < a.size(); ++i)
                expect_same(b[i], turned_about_x(a[i], 1.161, -2.204, -swing), 1e-6,
                            "group " + std::to_string(g));
        }
        for (std::uint32_t g : joined({kBoom2, kDish2})) {
            const auto a = stowed(g), b = now(g);
            for (std::size_t i = 0; i < a.size(); ++i)
                expect_same(b[i], turned_about_x(a[i], -1.165, -2.204, swing), 1e-6,
                            "group " + std::to_string(g));
        }
    }
}

TEST_F(RigMotion, EachTiltMovesOnlyItsOwnDish) {
    set(object->anim_hga_tilt1, 0.6);
    EXPECT_EQ(moved_groups(), kDish1);
    for (std::uint32_t g : kDish1) {
        const auto a = stowed(g), b = now(g);
        for (std::size_t i = 0; i < a.size(); ++i)
            expect_same(b[i], turned_about_x(a[i], 1.161, -0.065, kPi / 2 * 0.6), 1e-6,
                        "group " + std::to_string(g));
    }
    set(object->anim_hga_tilt1, 0.0);
    set(object->anim_hga_tilt2, 0.6);
    EXPECT_EQ(moved_groups(), kDish2);
    for (std::uint32_t g : kDish2) {
        const auto a = stowed(g), b = now(g);
        for (std::size_t i = 0; i < a.size(); ++i)
            expect_same(b[i], turned_about_x(a[i], -1.165, -0.065, -kPi / 2 * 0.6), 1e-6,
                        "group " + std::to_string(g));
    }
}

TEST_F(RigMotion, CoverOpensByHalfATurn) {
    set(object->anim_lid, 1.0);
    EXPECT_EQ(moved_groups(), (std::set<std::uint32_t>{4}));
    const auto a = stowed(4), b = now(4);
    ASSERT_FALSE(a.empty());
    for (std::size_t i = 0; i < a.size(); ++i)
        expect_same(b[i], VECTOR3{a[i].x, 2 * 1.067 - a[i].y, 2 * 3.049 - a[i].z}, 1e-6,
                    "cover vertex " + std::to_string(i));
}

TEST_F(RigMotion, WingsSwingOutwardByAQuarterTurn) {
    set(object->anim_solp, 1.0);
    EXPECT_EQ(moved_groups(), (std::set<std::uint32_t>{19, 20}));
    // Wing 1 turns about +y through its hinge, wing 2 about -y: stowed along
    // -z, they end along -x and +x.
    const auto a1 = stowed(19), b1 = now(19);
    for (std::size_t i = 0; i < a1.size(); ++i)
        expect_same(b1[i], VECTOR3{-1.095 + (a1[i].z - 0.795), a1[i].y, 0.795 - (a1[i].x + 1.095)},
                    1e-6, "wing 1");
    const auto a2 = stowed(20), b2 = now(20);
    for (std::size_t i = 0; i < a2.size(); ++i)
        expect_same(b2[i], VECTOR3{1.095 - (a2[i].z - 0.795), a2[i].y, 0.795 + (a2[i].x - 1.095)},
                    1e-6, "wing 2");
}

TEST_F(RigMotion, TheEngineLeavesTheSharedTransformsAsItFoundThem) {
    struct Snapshot {
        std::uint32_t mesh, count;
        const std::uint32_t* groups;
        VECTOR3 ref, axis;
        float angle;
    };
    auto snapshot = [this] {
        std::vector<Snapshot> out;
        for (const auto& c : record->components) {
            const auto& t = static_cast<const MGROUP_ROTATE&>(*c.transform);
            out.push_back({t.mesh, t.group_count, t.groups, t.ref, t.axis, t.angle});
        }
        return out;
    };
    const auto before = snapshot();
    const double states[6] = {1.0, 0.37, 0.8, 0.2, 0.5, 1.0};
    for (std::uint32_t id = 0; id < 6; ++id) set(id, states[id]);
    for (std::uint32_t g = 0; g < kGroupCount; ++g) now(g);
    const auto after = snapshot();
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].mesh, after[i].mesh);
        EXPECT_EQ(before[i].count, after[i].count);
        EXPECT_EQ(before[i].groups, after[i].groups);
        expect_same(before[i].ref, after[i].ref, 0.0, "reference point");
        expect_same(before[i].axis, after[i].axis, 0.0, "axis");
        EXPECT_EQ(before[i].angle, after[i].angle);
    }
}

TEST(ComponentProgress, MapsTheAnimationStateOntoTheComponentsSpan) {
    standin::AnimationComponent c;
    c.state0 = 0.2;
    c.state1 = 0.6;
    EXPECT_EQ(standin::component_progress(c, 0.0), 0.0);
    EXPECT_EQ(standin::component_progress(c, 0.2), 0.0);
    EXPECT_NEAR(standin::component_progress(c, 0.4), 0.5, 1e-15);
    EXPECT_EQ(standin::component_progress(c, 0.6), 1.0);
    EXPECT_EQ(standin::component_progress(c, 1.0), 1.0);
    EXPECT_EQ(standin::component_progress(c, std::nan("")), 0.0);
    c.state0 = c.state1 = 0.5;  // a step at 0.5
    EXPECT_EQ(standin::component_progress(c, 0.4), 0.0);
    EXPECT_EQ(standin::component_progress(c, 0.5), 1.0);
}

}  // namespace
