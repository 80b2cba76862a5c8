// The set-up of a KRV as the host sees it: every call of clbkSetupClass in
// order with its values, and the physics of what was declared.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "standin/core/host.h"
#include "tests/support/host_fixture.h"
#include "tests/support/setup_only.h"
#include "vessel/krv.h"

namespace {

using standin::Arg;
using standin::HostCall;
using standin::VesselRecord;

// ------------------------------------------------ the tables of the design

struct ThrusterRow {
    VECTOR3 pos;  // [m]
    VECTOR3 dir;
    double thrust;  // [N]
};
// th_rcs[0..15], then th_main (index 16).
const ThrusterRow kThrusters[17] = {
    {{0, -1, 0}, {0, 0, 1}, 20},  {{0, 1, 0}, {0, 0, -1}, 20},  {{0, -1, 0}, {0, 0, -1}, 20},
    {{0, 1, 0}, {0, 0, 1}, 20},   {{0, -1, 0}, {1, 0, 0}, 20},  {{0, 1, 0}, {-1, 0, 0}, 20},
    {{0, -1, 0}, {-1, 0, 0}, 20}, {{0, 1, 0}, {1, 0, 0}, 20},   {{1, 0, 0}, {0, 0, 1}, 20},
    {{-1, 0, 0}, {0, 0, -1}, 20}, {{1, 0, 0}, {0, 0, -1}, 20},  {{-1, 0, 0}, {0, 0, 1}, 20},
    {{1, -1, -1}, {0, 0, 1}, 20}, {{1, 1, -1}, {0, 0, 1}, 20},  {{-1, -1, -1}, {0, 0, 1}, 20},
    {{-1, 1, -1}, {0, 0, 1}, 20}, {{0, 0, -1}, {0, 0, 1}, 500},
};
constexpr int kMain = 16;

struct GroupRow {
    int type;
    std::vector<int> thrusters;
    VECTOR3 force;   // [N]
    VECTOR3 torque;  // [N m]
};
const GroupRow kGroups[8] = {
    {3, {0, 1}, {0, 0, 0}, {-40, 0, 0}},
    {4, {2, 3}, {0, 0, 0}, {40, 0, 0}},
    {7, {4, 5}, {0, 0, 0}, {0, 0, 40}},
    {8, {6, 7}, {0, 0, 0}, {0, 0, -40}},
    {5, {8, 9}, {0, 0, 0}, {0, -40, 0}},
    {6, {10, 11}, {0, 0, 0}, {0, 40, 0}},
    {13, {12, 13, 14, 15}, {0, 0, 80}, {0, 0, 0}},
    {0, {kMain}, {0, 0, 500}, {0, 0, 0}},
};

struct Corner {
    double sx, sy;
};
struct PlumeRow {
    int thruster;
    std::vector<Corner> corners;
};
const PlumeRow kPlumeRows[7] = {
    {0, {{+1, -1}, {-1, -1}}},
    {2, {{+1, +1}, {-1, +1}}},
    {6, {{+1, -1}, {-1, +1}}},
    {4, {{-1, -1}, {+1, +1}}},
    {8, {{+1, -1}, {+1, +1}}},
    {10, {{-1, -1}, {-1, +1}}},
    {12, {{+1, -1}, {-1, -1}, {+1, +1}, {-1, +1}}},
};

// ------------------------------------------------------------- helpers

template <typename... Args>
HostCall call(const char* name, const Args&... args) {
    return HostCall{name, {standin::make_arg(args)...}, nullptr};
}

const void* at(const void* p) {
    return p;
}

// Every call clbkSetupClass should make, in order, with the handles the
// host gave out for this vessel (the elements of its record) and the
// module's own lists (th_group, th_main) where the host receives those.
std::vector<HostCall> expected_setup(const VesselRecord& v, const krv& k, int flight_model,
                                     SURFHANDLE texture_a, SURFHANDLE texture_b) {
    std::vector<HostCall> out;
    const auto comp = [&v](std::size_t i) { return at(&v.components.at(i)); };
    const auto transform = [&v](std::size_t i) { return at(v.components.at(i).transform); };
    const void* none = nullptr;

    // The rig.
    out.push_back(call("CreateAnimation", 0.0));
    out.push_back(call("AddAnimationComponent", 0u, 0.0, 1.0, transform(0), none));
    out.push_back(call("AddAnimationComponent", 0u, 0.0, 1.0, transform(1), none));
    out.push_back(call("CreateAnimation", 0.0));
    out.push_back(call("AddAnimationComponent", 1u, 0.0, 1.0, transform(2), comp(0)));
    out.push_back(call("AddAnimationComponent", 1u, 0.0, 1.0, transform(3), comp(1)));
    out.push_back(call("CreateAnimation", 0.0));
    out.push_back(call("AddAnimationComponent", 2u, 0.0, 1.0, transform(4), comp(2)));
    out.push_back(call("CreateAnimation", 0.0));
    out.push_back(call("AddAnimationComponent", 3u, 0.0, 1.0, transform(5), comp(3)));
    out.push_back(call("CreateAnimation", 0.0));
    out.push_back(call("AddAnimationComponent", 4u, 0.0, 1.0, transform(6), none));
    out.push_back(call("AddAnimationComponent", 4u, 0.0, 1.0, transform(7), none));
    out.push_back(call("CreateAnimation", 0.0));
    out.push_back(call("AddAnimationComponent", 5u, 0.0, 1.0, transform(8), none));

    // The make-up.
    out.push_back(call("SetCW", 1.0, 1.0, 1.0, 1.0));
    out.push_back(call("SetRotDrag", VECTOR3{1, 1, 1}));
    out.push_back(call("GetFlightModel"));
    if (flight_model >= 1) {
        out.push_back(call("SetPitchMomentScale", 0.001));
        out.push_back(call("SetBankMomentScale", 0.001));
    }
    out.push_back(call("SetTrimScale", 0.1));
    out.push_back(call("SetPMI", VECTOR3{2, 2, 2}));
    out.push_back(call("SetCrossSections", VECTOR3{10, 10, 6.5}));
    out.push_back(call("SetSize", 4.0));
    out.push_back(call("SetEmptyMass", 1650.0));
    out.push_back(call("AddMesh", std::string("krv/krv"), none));
    out.push_back(call("SetMeshVisibilityMode", 0u, 3));
    out.push_back(call("SetCameraOffset", VECTOR3{0, 2, -5}));
    out.push_back(
        call("SetTouchdownPoints", VECTOR3{0, 1, 0}, VECTOR3{-1, -1, 0}, VECTOR3{1, -1, 0}));
    out.push_back(call("CreatePropellantResource", 1450.0, 1450.0, 1.0));
    const void* tank = at(&v.tanks.at(0));
    for (const ThrusterRow& t : kThrusters)
        out.push_back(call("CreateThruster", t.pos, t.dir, t.thrust, tank, 2800.0, 0.0, 101400.0));
    const auto thruster = [&v](int i) { return at(&v.thrusters.at(static_cast<std::size_t>(i))); };
    for (const GroupRow& g : kGroups) {
        // The host receives the list's address, then the handles it held.
        const void* list = g.type == 0 ? at(&k.th_main) : at(k.th_group);
        HostCall c = call("CreateThrusterGroup", list, static_cast<int>(g.thrusters.size()),
                          static_cast<THGROUP_TYPE>(g.type));
        for (int i : g.thrusters) c.args.push_back(standin::make_arg(thruster(i)));
        out.push_back(c);
    }
    out.push_back(call("zapiRegisterExhaustTexture", std::string("exhaust_atrcs")));
    for (const PlumeRow& row : kPlumeRows) {
        for (const Corner& c : row.corners) {
            const VECTOR3 dir{-0.259 * c.sx, -0.259 * c.sy, -0.634};
            out.push_back(call("AddExhaust", thruster(row.thruster), 0.5, 0.05,
                               VECTOR3{0.977 * c.sx, 0.894 * c.sy, -2.475}, dir, at(texture_a)));
            out.push_back(call("AddExhaust", thruster(row.thruster), 0.5, 0.05,
                               VECTOR3{0.977 * c.sx, 0.811 * c.sy, -2.453}, dir, at(texture_a)));
        }
    }
    out.push_back(call("zapiRegisterExhaustTexture", std::string("exhaust")));
    out.push_back(call("AddExhaust", thruster(kMain), 1.5, 0.15, VECTOR3{0, 0, -2.63},
                       VECTOR3{0, 0, -1}, at(texture_b)));
    return out;
}

class Setup : public krvtest::HostFixture {
protected:
    // The set-up's calls compared one by one with the design's.
    void expect_setup_calls(int flight_model) {
        // Loading the module makes calls of its own; the set-up's start after.
        loader->for_class("KRV");
        log.clear();
        krvtest::SetupOnly vessel(host, *loader, "KRV-1", flight_model);
        VesselRecord& v = vessel.record();
        ASSERT_EQ(v.exhausts.size(), 33u);
        SURFHANDLE texture_a = v.exhausts.front().texture;
        SURFHANDLE texture_b = v.exhausts.back().texture;
        ASSERT_EQ(v.components.size(), 9u);
        const auto want = expected_setup(v, vessel.object(), flight_model, texture_a, texture_b);
        // The transform records' constructions are the rig test's to check.
        std::vector<HostCall> calls;
        std::vector<std::string> got;
        for (const HostCall& c : log.calls()) {
            if (c.name == "MGROUP_TRANSFORM") continue;
            calls.push_back(c);
            got.push_back(standin::to_string(c));
        }
        ASSERT_EQ(calls.size(), want.size()) << ::testing::PrintToString(got);
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(calls[i], want[i])
                << "call " << i << ": got " << got[i] << ", want " << standin::to_string(want[i]);
            const bool vessel_call = calls[i].name.rfind("zapi", 0) != 0;
            EXPECT_EQ(calls[i].vessel, vessel_call ? v.handle() : nullptr) << got[i];
        }
        ASSERT_NE(host.texture(texture_a), nullptr);
        ASSERT_NE(host.texture(texture_b), nullptr);
        EXPECT_EQ(host.texture(texture_a)->name, "exhaust_atrcs");
        EXPECT_EQ(host.texture(texture_b)->name, "exhaust");
        // The configuration file was left unread: its first line is still next.
        const char* first = vessel.config().next_line();
        ASSERT_NE(first, nullptr);
        EXPECT_STREQ(first, "SIZE 99");
    }
};

TEST_F(Setup, CallsTheHostInTheDesignedOrderWithTheDesignedValues) {
    expect_setup_calls(1);
}

TEST_F(Setup, FlightModelZeroSkipsOnlyTheTwoMomentScales) {
    expect_setup_calls(0);
    EXPECT_EQ(log.count("SetPitchMomentScale"), 0u);
    EXPECT_EQ(log.count("SetBankMomentScale"), 0u);
}

TEST_F(Setup, HigherFlightModelsSetTheMomentScales) {
    expect_setup_calls(2);
}

TEST_F(Setup, ThGroupEndsHoldingTheTranslationThrusters) {
    krvtest::SetupOnly vessel(host, *loader, "KRV-1", 1);
    const krv& k = vessel.object();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(k.th_group[i], k.th_rcs[12 + i]) << i;
    // Each group the host keeps holds the thrusters of its own row, although
    // the module refilled the same list for every attitude group.
    const VesselRecord& v = vessel.record();
    ASSERT_EQ(v.groups.size(), 8u);
    for (std::size_t g = 0; g < 8; ++g) {
        std::vector<const standin::Thruster*> want;
        for (int i : kGroups[g].thrusters)
            want.push_back(&v.thrusters.at(static_cast<std::size_t>(i)));
        std::vector<const standin::Thruster*> got(v.groups[g].thrusters.begin(),
                                                  v.groups[g].thrusters.end());
        EXPECT_EQ(got, want) << "group " << g;
        EXPECT_EQ(static_cast<int>(v.groups[g].type), kGroups[g].type) << "group " << g;
    }
    // The handles the module keeps are the ones the host gave out, in order.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(reinterpret_cast<const void*>(k.th_rcs[i]), &v.thrusters.at(i)) << i;
    EXPECT_EQ(reinterpret_cast<const void*>(k.th_main), &v.thrusters.at(16));
    EXPECT_EQ(reinterpret_cast<const void*>(k.ph_main), &v.tanks.at(0));
}

TEST_F(Setup, DeclaresThirtyThreePlumesWithEachTextureRegisteredOnce) {
    krvtest::SetupOnly vessel(host, *loader, "KRV-1", 1);
    const VesselRecord& v = vessel.record();
    const krv& k = vessel.object();
    // Plumes per thruster: 4 on th_rcs[0, 2, 4, 6, 8, 10], 8 on [12], 1 on the main engine.
    std::vector<int> per_thruster(17, 0);
    for (const standin::Exhaust& e : v.exhausts)
        for (std::size_t i = 0; i < v.thrusters.size(); ++i)
            if (e.thruster == &v.thrusters[i]) ++per_thruster[i];
    const std::vector<int> want = {4, 0, 4, 0, 4, 0, 4, 0, 4, 0, 4, 0, 8, 0, 0, 0, 1};
    EXPECT_EQ(per_thruster, want);
    EXPECT_EQ(v.exhausts.size(), 33u);
    EXPECT_EQ(reinterpret_cast<const void*>(k.th_main), v.exhausts.back().thruster);

    // "exhaust_atrcs" before the first plume, "exhaust" after the 32nd.
    const auto names = log.names();
    std::vector<std::size_t> registrations, plumes;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "zapiRegisterExhaustTexture") registrations.push_back(i);
        if (names[i] == "AddExhaust") plumes.push_back(i);
    }
    ASSERT_EQ(registrations.size(), 2u);
    ASSERT_EQ(plumes.size(), 33u);
    EXPECT_EQ(registrations[0] + 1, plumes[0]);
    EXPECT_EQ(registrations[1], plumes[31] + 1);
    EXPECT_EQ(registrations[1] + 1, plumes[32]);
    for (std::size_t i = 0; i < 33; ++i) {
        const standin::Texture* t = host.texture(v.exhausts[i].texture);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->name, i < 32 ? "exhaust_atrcs" : "exhaust") << "plume " << i;
        // Both names resolve to files of the installation.
        EXPECT_FALSE(t->file.empty()) << t->name;
    }
    EXPECT_TRUE(host.unresolved_textures().empty());
}

// ------------------------------------------- physics of the declared thrusters

VECTOR3 cross(const VECTOR3& a, const VECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TEST_F(Setup, EachGroupPushesAndTurnsAsDesigned) {
    krvtest::SetupOnly vessel(host, *loader, "KRV-1", 1);
    const VesselRecord& v = vessel.record();
    ASSERT_EQ(v.groups.size(), 8u);
    for (std::size_t g = 0; g < 8; ++g) {
        // Full thrust of every thruster of the group, as the host holds them.
        VECTOR3 force{0, 0, 0}, torque{0, 0, 0};
        for (const standin::Thruster* t : v.groups[g].thrusters) {
            const VECTOR3 f{t->dir.x * t->max_thrust, t->dir.y * t->max_thrust,
                            t->dir.z * t->max_thrust};
            const VECTOR3 m = cross(t->pos, f);
            force = {force.x + f.x, force.y + f.y, force.z + f.z};
            torque = {torque.x + m.x, torque.y + m.y, torque.z + m.z};
        }
        const GroupRow& want = kGroups[g];
        EXPECT_DOUBLE_EQ(force.x, want.force.x) << "group " << g;
        EXPECT_DOUBLE_EQ(force.y, want.force.y) << "group " << g;
        EXPECT_DOUBLE_EQ(force.z, want.force.z) << "group " << g;
        EXPECT_DOUBLE_EQ(torque.x, want.torque.x) << "group " << g;
        EXPECT_DOUBLE_EQ(torque.y, want.torque.y) << "group " << g;
        EXPECT_DOUBLE_EQ(torque.z, want.torque.z) << "group " << g;
        // Every thruster draws on the one tank at the same specific impulse.
        for (const standin::Thruster* t : v.groups[g].thrusters) {
            EXPECT_EQ(t->tank, &v.tanks.at(0));
            EXPECT_EQ(t->isp, 2800.0);
        }
    }
}

TEST_F(Setup, AFreshVesselHasEverythingClosedAndTheTankFull) {
    standin::SessionVessel& s = spawn();
    const krv& k = *static_cast<krv*>(s.object);
    EXPECT_EQ(k.ant_status, MECH_CLOSED);
    EXPECT_EQ(k.solp_status, MECH_CLOSED);
    EXPECT_EQ(k.lid_status, MECH_CLOSED);
    for (double pos :
         {k.ant_pos, k.hga_rot_pos, k.hga_tilt1_pos, k.hga_tilt2_pos, k.solp_pos, k.lid_pos})
        EXPECT_EQ(pos, 0.0);
    EXPECT_EQ(k.hga_rot_dir, DIR_HOLD);
    EXPECT_EQ(k.hga_tilt1_dir, DIR_HOLD);
    EXPECT_EQ(k.hga_tilt2_dir, DIR_HOLD);
    ASSERT_EQ(s.record->tanks.size(), 1u);
    EXPECT_EQ(s.record->tanks[0].mass, 1450.0);
    EXPECT_EQ(s.record->tanks[0].max_mass, 1450.0);
    EXPECT_EQ(s.record->total_mass(), 3100.0);
}

}  // namespace
