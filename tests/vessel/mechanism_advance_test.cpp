// Mechanisms moving step by step: rates, the end of travel noticed one step
// late, states from scenarios outside the named ones, and the tank top-up.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"

namespace {

using krvtest::animation_state;
using krvtest::as_krv;
using standin::HostCall;

class MechanismAdvance : public krvtest::HostFixture {
protected:
    // The SetAnimation calls of the latest step for one animation, as states.
    std::vector<double> set_states(std::uint32_t anim) const {
        std::vector<double> out;
        for (const HostCall& c : log.named("SetAnimation"))
            if (c.arg<std::int64_t>("anim") == anim) out.push_back(c.arg<double>("state"));
        return out;
    }
    void press(standin::SessionVessel& v, std::uint32_t key) {
        char kstate[256] = {};
        session->key(v, key, true, kstate);
    }
    void step(double dt) {
        log.clear();
        session->step(dt);
    }
};

TEST_F(MechanismAdvance, PanelsOpenInHalfSecondStepsAndStopOneStepLate) {
    auto& v = spawn();
    krv& k = as_krv(v);
    press(v, zapi::KEY_G);
    const double expected[] = {0.25, 0.5, 0.75, 1.0};
    for (double p : expected) {
        step(0.5);
        EXPECT_EQ(k.solp_pos, p);
        EXPECT_EQ(k.solp_status, MECH_OPENING);
        EXPECT_EQ(set_states(k.anim_solp), std::vector<double>{p});
    }
    step(0.5);
    EXPECT_EQ(k.solp_status, MECH_OPEN);
    EXPECT_EQ(k.solp_pos, 1.0);
    EXPECT_EQ(set_states(k.anim_solp), std::vector<double>{1.0});
    step(0.5);
    EXPECT_TRUE(set_states(k.anim_solp).empty());
    EXPECT_EQ(animation_state(v, k.anim_solp), 1.0);
}

TEST_F(MechanismAdvance, OneLongStepClampsTheBoomsAndTrackingStartsTwoStepsLater) {
    auto& v = spawn();
    krv& k = as_krv(v);
    world.set_earth_local({0, 0, -4.2e7});
    press(v, zapi::KEY_G);
    step(20.0);
    EXPECT_EQ(k.ant_pos, 1.0);
    EXPECT_EQ(k.ant_status, MECH_OPENING);
    EXPECT_EQ(set_states(k.anim_ant), std::vector<double>{1.0});
    EXPECT_EQ(log.count("zapiGetGlobalPos"), 0u);

    step(1.0);
    EXPECT_EQ(k.ant_status, MECH_OPEN);
    EXPECT_EQ(set_states(k.anim_ant), std::vector<double>{1.0});
    EXPECT_EQ(log.count("zapiGetGlobalPos"), 0u) << "no tracking on the step that opens";

    step(1.0);
    EXPECT_TRUE(set_states(k.anim_ant).empty());
    EXPECT_EQ(log.count("zapiGetGlobalPos"), 1u) << "the first tracking step";
}

TEST_F(MechanismAdvance, CoversClosingFromAScenarioReachZeroThenClose) {
    auto& v = spawn_from({"LID 2 0.3"});
    krv& k = as_krv(v);
    step(0.5);
    EXPECT_EQ(k.lid_pos, 0.0);
    EXPECT_EQ(k.lid_status, MECH_CLOSING);
    EXPECT_EQ(set_states(k.anim_lid), std::vector<double>{0.0});
    step(0.5);
    EXPECT_EQ(k.lid_status, MECH_CLOSED);
    EXPECT_EQ(set_states(k.anim_lid), std::vector<double>{0.0});
    step(0.5);
    EXPECT_TRUE(set_states(k.anim_lid).empty());
    // Closed again, so the key opens it once more.
    press(v, zapi::KEY_K);
    EXPECT_EQ(k.lid_status, MECH_OPENING);
}

TEST_F(MechanismAdvance, AZeroStepStillSetsTheAnimation) {
    auto& v = spawn_from({"SOLP 3 0.4"});
    krv& k = as_krv(v);
    step(0.0);
    EXPECT_EQ(k.solp_pos, 0.4);
    EXPECT_EQ(k.solp_status, MECH_OPENING);
    EXPECT_EQ(set_states(k.anim_solp), std::vector<double>{0.4});
    EXPECT_EQ(k.last_simdt, 0.0);
}

TEST_F(MechanismAdvance, LastStepLengthIsKeptEvenWhenNothingMoves) {
    auto& v = spawn();
    krv& k = as_krv(v);
    step(0.125);
    EXPECT_EQ(k.last_simdt, 0.125);
    EXPECT_EQ(log.count("SetAnimation"), 0u) << "idle mechanisms make no host calls";
    step(3.0);
    EXPECT_EQ(k.last_simdt, 3.0);
}

TEST_F(MechanismAdvance, OneStepRunsTrackingThenTheMechanismsThenTheDrift) {
    auto& v = spawn_from({"ANT 1 1 0 0 0", "SOLP 2 0.5", "LID 3 0.5"});
    krv& k = as_krv(v);
    world.set_earth_local({0, 0, -4.2e7});
    step(0.25);
    std::vector<std::string> names;
    for (const auto& c : log.calls())
        if (c.name != "VESSEL2::clbkPreStep") names.push_back(c.name);
    const std::vector<std::string> expected = {
        "zapiGetObjectByName", "zapiGetGlobalPos", "Global2Local", "SetAnimation",
        "SetAnimation",        "SetAnimation",     "SetAnimation", "SetAnimation",
        "zapiGetObjectByName", "zapiGetSimMJD",    "GetElements",  "zapiGetPlanetCurrentRotation"};
    EXPECT_EQ(names, expected);
    const auto anims = log.named("SetAnimation");
    ASSERT_EQ(anims.size(), 5u);
    EXPECT_EQ(anims[3].arg<std::int64_t>("anim"), k.anim_solp);
    EXPECT_EQ(anims[3].arg<double>("state"), 0.375);
    EXPECT_EQ(anims[4].arg<std::int64_t>("anim"), k.anim_lid);
    EXPECT_EQ(anims[4].arg<double>("state"), 0.75);
}

// States and positions a scenario can hold beyond the named ones.
struct OddCase {
    const char* line;  // a SOLP line; the panels move at 0.5 per second
    MechState status_after_1;
    double pos_after_1;
    MechState status_after_2;
    double pos_after_2;
};

TEST_F(MechanismAdvance, OutOfRangeStatesAndPositionsFollowTheRulesAsTheyStand) {
    const OddCase cases[] = {
        // A state of 4 or more moves like opening and ends open.
        {"SOLP 7 0.8", 7, 1.0, MECH_OPEN, 1.0},
        // Above 1 while opening: the motion ends at once, without moving.
        {"SOLP 3 1.5", MECH_OPEN, 1.5, MECH_OPEN, 1.5},
        // Below 0 while opening climbs at the normal rate.
        {"SOLP 3 -0.5", 3, 0.0, 3, 0.5},
        // At or below 0 while closing: closed on the first step.
        {"SOLP 2 0", MECH_CLOSED, 0.0, MECH_CLOSED, 0.0},
        {"SOLP 2 -0.2", MECH_CLOSED, -0.2, MECH_CLOSED, -0.2},
        // Above 1 while closing descends at the normal rate.
        {"SOLP 2 1.5", 2, 1.0, 2, 0.5},
        // Negative states stay idle.
        {"SOLP -1 0.5", -1, 0.5, -1, 0.5},
    };
    for (const OddCase& c : cases) {
        SCOPED_TRACE(c.line);
        auto& v = spawn_from({c.line}, c.line);
        krv& k = as_krv(v);
        step(1.0);
        EXPECT_EQ(k.solp_status, c.status_after_1);
        EXPECT_EQ(k.solp_pos, c.pos_after_1);
        step(1.0);
        EXPECT_EQ(k.solp_status, c.status_after_2);
        EXPECT_EQ(k.solp_pos, c.pos_after_2);
        session->destroy(v);
    }
}

TEST_F(MechanismAdvance, NegativeBoomStateNeitherStartsByKeyNorTracks) {
    auto& v = spawn_from({"ANT -1 0.5 0.1 0.2 0.3"});
    krv& k = as_krv(v);
    press(v, zapi::KEY_G);
    EXPECT_EQ(k.ant_status, -1);
    step(1.0);
    EXPECT_EQ(log.count("zapiGetGlobalPos"), 0u);
    EXPECT_EQ(k.ant_pos, 0.5);
    EXPECT_EQ(k.hga_rot_pos, 0.1);
}

// ---------------------------------------------------------------- top-up

struct TopUpCase {
    const char* what;
    double tank;  // [kg] at creation
    double time;  // [s] simulation time
    bool time_read;
    bool refilled;
};

class TankTopUp : public krvtest::HostFixture {};

TEST_F(TankTopUp, AnEmptyTankIsRefilledOnlyAfterTheFirstTenthOfASecond) {
    const TopUpCase cases[] = {
        {"empty at 5 s", 0.0, 5.0, true, true},
        {"empty at 0 s", 0.0, 0.0, true, false},
        {"empty at exactly 0.1 s", 0.0, 0.1, true, false},
        {"just below 0.01 kg at 5 s", 0.00999, 5.0, true, true},
        {"exactly 0.01 kg at 5 s", 0.01, 5.0, false, false},
        {"full at 5 s", 1450.0, 5.0, false, false},
    };
    for (const TopUpCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto& v = spawn(c.what);
        krv& k = as_krv(v);
        v.record->tanks.at(0).mass = c.tank;
        world.time = c.time;
        log.clear();
        k.clbkAfterCreation();
        std::vector<std::string> expected = {"GetPropellantMass"};
        if (c.time_read) expected.push_back("zapiGetSimTime");
        if (c.refilled) expected.push_back("SetPropellantMass");
        EXPECT_EQ(log.names(), expected);
        if (c.refilled) {
            const auto set = log.named("SetPropellantMass").at(0);
            EXPECT_EQ(set.arg<const void*>("tank"), static_cast<const void*>(k.ph_main));
            EXPECT_EQ(set.arg<double>("mass"), 1450.0);
        }
        EXPECT_EQ(v.record->tanks.at(0).mass, c.refilled ? 1450.0 : c.tank);
        session->destroy(v);
    }
}

}  // namespace
