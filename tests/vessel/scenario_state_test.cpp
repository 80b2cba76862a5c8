// The mechanisms' lines in a vessel's scenario block: what is written, what
// is read back, and the round trip through the stand-in host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "standin/core/scenario_block.h"
#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"

namespace {

using krvtest::animation_state;
using krvtest::as_krv;
using Lines = std::vector<std::string>;

class ScenarioState : public krvtest::HostFixture {
protected:
    // The six animations' states, in the order the loader sets them.
    std::vector<double> animations(standin::SessionVessel& v) {
        const krv& k = as_krv(v);
        return {animation_state(v, k.anim_ant),       animation_state(v, k.anim_hga_rot),
                animation_state(v, k.anim_hga_tilt1), animation_state(v, k.anim_hga_tilt2),
                animation_state(v, k.anim_solp),      animation_state(v, k.anim_lid)};
    }
};

// ------------------------------------------------------------- saving

TEST_F(ScenarioState, AFreshVesselSavesZerosAfterTheHostsLines) {
    world.own_lines = {"STATUS Orbiting Earth", "RPOS 1 2 3"};
    auto& v = spawn();
    log.clear();
    const Lines lines = session->save(v);
    EXPECT_EQ(lines, (Lines{"STATUS Orbiting Earth", "RPOS 1 2 3",
                            "ANT 0 0.0000 0.0000 0.0000 0.0000", "SOLP 0 0.0000", "LID 0 0.0000"}));
    ASSERT_EQ(log.size(), 4u) << testing::PrintToString(krvtest::describe(log));
    EXPECT_EQ(log[0].name, "VESSEL2::clbkSaveState");
    const char* keys[] = {"ANT", "SOLP", "LID"};
    const char* values[] = {"0 0.0000 0.0000 0.0000 0.0000", "0 0.0000", "0 0.0000"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(log[1 + i].name, "zapiWriteScenario_string");
        EXPECT_EQ(log[1 + i].arg<std::string>("key"), keys[i]);
        EXPECT_EQ(log[1 + i].arg<std::string>("value"), values[i]);
    }
}

TEST_F(ScenarioState, TheVesselsOwnLinesLeaveOutEveryHostLine) {
    // A spin past what a scenario may hold: the host's reader refuses the
    // line, yet it is the host's.
    world.own_lines = {"STATUS Orbiting Earth", "RATE 0 0 7"};
    auto& v = spawn();
    EXPECT_EQ(session->save_own(v),
              (Lines{"ANT 0 0.0000 0.0000 0.0000 0.0000", "SOLP 0 0.0000", "LID 0 0.0000"}));
}

TEST_F(ScenarioState, FieldsAreWrittenAsTheyStandRoundedToFourDecimals) {
    auto& v = spawn();
    krv& k = as_krv(v);
    k.ant_status = MECH_OPEN;
    k.ant_pos = 1.0;
    k.hga_rot_pos = 0.123456;
    k.hga_tilt1_pos = 0.99996;
    k.hga_tilt2_pos = 0.00004;
    k.solp_status = MECH_OPENING;
    k.solp_pos = 0.25;
    k.lid_status = MECH_CLOSING;
    k.lid_pos = 0.33335;
    EXPECT_EQ(session->save(v),
              (Lines{"ANT 1 1.0000 0.1235 1.0000 0.0000", "SOLP 3 0.2500", "LID 2 0.3333"}));
    // Saving changes nothing in the object.
    EXPECT_EQ(k.hga_tilt1_pos, 0.99996);
    EXPECT_EQ(k.solp_status, MECH_OPENING);
}

TEST_F(ScenarioState, ValuesTooLongForFixedPointAreWrittenInExponentForm) {
    auto& v = spawn();
    krv& k = as_krv(v);
    k.ant_status = -2147483647 - 1;
    k.ant_pos = DBL_MAX;
    k.hga_rot_pos = -DBL_MAX;
    k.hga_tilt1_pos = 1e300;
    k.hga_tilt2_pos = -1.2345678901234567e250;
    k.solp_pos = 0x1p100;  // fits in fixed-point
    k.lid_pos = -DBL_MAX;
    const Lines lines = session->save(v);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "ANT -2147483648 1.7976931348623157e+308 -1.7976931348623157e+308 1e+300 "
              "-1.2345678901234567e+250");
    EXPECT_EQ(lines[1], "SOLP 0 1267650600228229401496703205376.0000");
    EXPECT_EQ(lines[2], "LID 0 -1.7976931348623157e+308");

    // Read back, every value is the same number.
    auto& w = spawn_from(lines, "KRV-2");
    const krv& r = as_krv(w);
    EXPECT_EQ(r.ant_status, k.ant_status);
    EXPECT_EQ(r.ant_pos, DBL_MAX);
    EXPECT_EQ(r.hga_rot_pos, -DBL_MAX);
    EXPECT_EQ(r.hga_tilt1_pos, 1e300);
    EXPECT_EQ(r.hga_tilt2_pos, -1.2345678901234567e250);
    EXPECT_EQ(r.solp_pos, 0x1p100);
    EXPECT_EQ(r.lid_pos, -DBL_MAX);
}

// ------------------------------------------------------------- loading

TEST_F(ScenarioState, ABlockIsReadBetweenSetUpAndAfterCreation) {
    auto& v = spawn_from({"ANT 1 1.0000 0.2500 0.5000 0.0000", "STATUS Orbiting Earth"});
    const auto names = log.names();
    auto first = [&names](const std::string& n) {
        return std::find(names.begin(), names.end(), n) - names.begin();
    };
    auto last = [&names](const std::string& n) {
        return names.rend() - std::find(names.rbegin(), names.rend(), n) - 1;
    };
    // Set-up ends with the main plume; after-creation begins with the tank.
    EXPECT_LT(last("AddExhaust"), first("zapiReadScenario_nextline"));
    EXPECT_LT(last("SetAnimation"), first("GetPropellantMass"));
    EXPECT_LT(last("zapiReadScenario_nextline"), first("SetAnimation"));
    EXPECT_EQ(log.count("zapiReadScenario_nextline"), 3u) << "two lines and the end";
    EXPECT_EQ(as_krv(v).ant_status, MECH_OPEN);
    EXPECT_EQ(animations(v), (std::vector<double>{1.0, 0.25, 0.5, 0.0, 0.0, 0.0}));
}

TEST_F(ScenarioState, SixAnimationsAreSetAfterTheBlockInOrder) {
    auto& v = spawn_from({"LID 3 0.6", "SOLP 2 0.4", "ANT 3 0.1 0.2 0.3 0.45"});
    const krv& k = as_krv(v);
    std::vector<standin::HostCall> sets;
    for (const auto& c : log.calls())
        if (c.name == "SetAnimation") sets.push_back(c);
    ASSERT_EQ(sets.size(), 6u);
    const std::uint32_t ids[] = {k.anim_ant,       k.anim_hga_rot, k.anim_hga_tilt1,
                                 k.anim_hga_tilt2, k.anim_solp,    k.anim_lid};
    const double states[] = {0.1, 0.2, 0.3, 0.45, 0.4, 0.6};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sets[i], (standin::HostCall{"SetAnimation", {std::int64_t{ids[i]}, states[i]}}));
}

TEST_F(ScenarioState, ABlockWithoutStateLinesStillSetsAllSixToZero) {
    auto& v = spawn_from({"STATUS Orbiting Earth", "RPOS 1 2 3"});
    const krv& k = as_krv(v);
    EXPECT_EQ(k.ant_status, MECH_CLOSED);
    EXPECT_EQ(k.solp_status, MECH_CLOSED);
    EXPECT_EQ(k.lid_status, MECH_CLOSED);
    EXPECT_EQ(log.count("SetAnimation"), 6u);
    EXPECT_EQ(animations(v), std::vector<double>(6, 0.0));
    const Lines block = {};
    auto& w = spawn_from(block, "KRV-empty");
    EXPECT_EQ(animations(w), std::vector<double>(6, 0.0));
}

TEST_F(ScenarioState, OtherLinesReachTheHostUnchangedWithTheStatus) {
    spawn_from(
        {"STATUS Orbiting Earth", "ANT 0 0 0 0 0", "  AFCMODE 7", "SOL 3", "ANTX", "XANT 3", ""});
    ASSERT_EQ(world.parsed_lines.size(), 5u);
    const char* expected[] = {"STATUS Orbiting Earth", "  AFCMODE 7", "SOL 3", "XANT 3", ""};
    // The status is the block being read: its cursor names each line's place.
    const std::size_t places[] = {0, 2, 3, 5, 6};
    const auto parsed = log.named("ParseScenarioLineEx");
    ASSERT_EQ(parsed.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(world.parsed_lines[i].line, expected[i]);
        EXPECT_EQ(world.parsed_lines[i].index, places[i]);
        EXPECT_EQ(world.parsed_lines[i].status, parsed[i].arg<const void*>("status"));
    }
}

struct LoadCase {
    const char* what;
    Lines block;
    MechState ant_status;
    double ant_pos, rot, tilt1, tilt2;
    MechState solp_status;
    double solp_pos;
    MechState lid_status;
    double lid_pos;
};

TEST_F(ScenarioState, LinesFillTheirFieldsLeftToRightUntilOneDoesNotConvert) {
    const LoadCase cases[] = {
        {"all three",
         {"ANT 1 1 0.25 0.5 0.75", "SOLP 1 1", "LID 3 0.5"},
         1,
         1,
         0.25,
         0.5,
         0.75,
         1,
         1,
         3,
         0.5},
        {"lower-case key", {"ant 3 0.1 0.2 0.3 0.4"}, 3, 0.1, 0.2, 0.3, 0.4, 0, 0, 0, 0},
        {"mixed-case keys", {"SoLp 3 0.5", "lId 1 1"}, 0, 0, 0, 0, 0, 3, 0.5, 1, 1},
        {"only a state and a position",
         {"ANT 1 0.9 0.2 0.3 0.4", "ANT 3 0.45"},
         3,
         0.45,
         0.2,
         0.3,
         0.4,
         0,
         0,
         0,
         0},
        {"a value text that begins with a letter",
         {"LID 3 0.5", "LID x 0.9"},
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         3,
         0.5},
        {"a malformed second field", {"LID 3 0.5", "LID 2 abc"}, 0, 0, 0, 0, 0, 0, 0, 2, 0.5},
        {"the last of two lines wins", {"SOLP 3 0.25", "SOLP 1 1.0"}, 0, 0, 0, 0, 0, 1, 1, 0, 0},
        {"a state written with a point", {"SOLP 3.5"}, 0, 0, 0, 0, 0, 3, 0.5, 0, 0},
        {"no blank after the key", {"ANT3 0.5", "LID2 .25"}, 3, 0.5, 0, 0, 0, 0, 0, 2, 0.25},
        {"tabs and exponent forms",
         {"ANT\t1\t1e0\t2.5E-1\t+.5\t7.5e-1"},
         1,
         1,
         0.25,
         0.5,
         0.75,
         0,
         0,
         0,
         0},
        {"out-of-range values are stored as read",
         {"ANT 7 1.5 -0.25 2 -3", "LID -1 -0.5"},
         7,
         1.5,
         -0.25,
         2,
         -3,
         0,
         0,
         -1,
         -0.5},
        {"any line beginning with a key",
         {"ANTENNA 3", "LIDAR 2 0.5", "SOLPANEL 1"},
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         0,
         0},
        {"a key alone", {"SOLP 3 0.5", "SOLP"}, 0, 0, 0, 0, 0, 3, 0.5, 0, 0},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto& v = spawn_from(c.block, c.what);
        const krv& k = as_krv(v);
        EXPECT_EQ(k.ant_status, c.ant_status);
        EXPECT_EQ(k.ant_pos, c.ant_pos);
        EXPECT_EQ(k.hga_rot_pos, c.rot);
        EXPECT_EQ(k.hga_tilt1_pos, c.tilt1);
        EXPECT_EQ(k.hga_tilt2_pos, c.tilt2);
        EXPECT_EQ(k.solp_status, c.solp_status);
        EXPECT_EQ(k.solp_pos, c.solp_pos);
        EXPECT_EQ(k.lid_status, c.lid_status);
        EXPECT_EQ(k.lid_pos, c.lid_pos);
        EXPECT_TRUE(world.parsed_lines.empty());
        session->destroy(v);
    }
}

// A number the C library would take as undefined behaviour, infinity or
// NaN does not convert: that field and the later ones keep their values.
TEST_F(ScenarioState, NumbersOutOfRangeOrNotFiniteStopTheScan) {
    const LoadCase cases[] = {
        {"state above the 32-bit range",
         {"ANT 1 0.1 0.2 0.3 0.4", "ANT 2147483648 0.9 0.9 0.9 0.9"},
         1,
         0.1,
         0.2,
         0.3,
         0.4,
         0,
         0,
         0,
         0},
        {"state below the 32-bit range",
         {"SOLP 3 0.5", "SOLP -2147483649 0.9"},
         0,
         0,
         0,
         0,
         0,
         3,
         0.5,
         0,
         0},
        {"the 32-bit ends themselves",
         {"SOLP 2147483647 0.5", "LID -2147483648 0.5"},
         0,
         0,
         0,
         0,
         0,
         2147483647,
         0.5,
         -2147483647 - 1,
         0.5},
        {"nan position",
         {"ANT 1 0.1 0.2 0.3 0.4", "ANT 3 nan 0.9 0.9 0.9"},
         3,
         0.1,
         0.2,
         0.3,
         0.4,
         0,
         0,
         0,
         0},
        {"inf in the middle", {"ANT 3 0.5 0.6 inf 0.9"}, 3, 0.5, 0.6, 0, 0, 0, 0, 0, 0},
        {"-infinity", {"LID 3 0.5", "LID 2 -infinity"}, 0, 0, 0, 0, 0, 0, 0, 2, 0.5},
        {"a decimal that overflows", {"SOLP 3 0.5", "SOLP 1 1e309"}, 0, 0, 0, 0, 0, 1, 0.5, 0, 0},
        {"a decimal that underflows reads as zero",
         {"SOLP 3 0.5", "SOLP 3 1e-400"},
         0,
         0,
         0,
         0,
         0,
         3,
         0.0,
         0,
         0},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto& v = spawn_from(c.block, c.what);
        const krv& k = as_krv(v);
        EXPECT_EQ(k.ant_status, c.ant_status);
        EXPECT_EQ(k.ant_pos, c.ant_pos);
        EXPECT_EQ(k.hga_rot_pos, c.rot);
        EXPECT_EQ(k.hga_tilt1_pos, c.tilt1);
        EXPECT_EQ(k.hga_tilt2_pos, c.tilt2);
        EXPECT_EQ(k.solp_status, c.solp_status);
        EXPECT_EQ(k.solp_pos, c.solp_pos);
        EXPECT_EQ(k.lid_status, c.lid_status);
        EXPECT_EQ(k.lid_pos, c.lid_pos);
        session->destroy(v);
    }
}

TEST_F(ScenarioState, ANaNPositionCannotFreezeAMechanism) {
    auto& v = spawn_from({"SOLP 3 nan"});
    const krv& k = as_krv(v);
    for (int i = 0; i < 5; ++i) session->step(0.5);
    EXPECT_EQ(k.solp_status, MECH_OPEN);
    EXPECT_EQ(k.solp_pos, 1.0);
}

// ------------------------------------------------------ the round trip

TEST_F(ScenarioState, PanelsSavedWhileOpeningGoOnOpeningAfterReload) {
    auto& v = spawn();
    char kstate[256] = {};
    session->key(v, zapi::KEY_G, true, kstate);
    session->step(0.5);  // panels at 0.25
    const Lines lines = session->save(v);
    ASSERT_EQ(lines.at(1), "SOLP 3 0.2500");

    auto& w = spawn_from(lines, "KRV-2");
    const krv& k = as_krv(w);
    EXPECT_EQ(k.solp_status, MECH_OPENING);
    EXPECT_EQ(k.solp_pos, 0.25);
    EXPECT_EQ(animation_state(w, k.anim_solp), 0.25);
    session->destroy(v);
    for (int i = 0; i < 3; ++i) session->step(0.5);
    EXPECT_EQ(k.solp_pos, 1.0);
    EXPECT_EQ(k.solp_status, MECH_OPENING);
    session->step(0.5);
    EXPECT_EQ(k.solp_status, MECH_OPEN);
}

TEST_F(ScenarioState, APositionJustBelowOneComesBackAsOne) {
    auto& v = spawn();
    as_krv(v).ant_pos = 0.99996;
    auto& w = spawn_from(session->save(v), "KRV-2");
    EXPECT_EQ(as_krv(w).ant_pos, 1.0);
}

TEST_F(ScenarioState, BoomsSavedOpenResumeTrackingFromTheSavedDishPositions) {
    auto& v = spawn_from({"ANT 1 1.0000 0.2000 0.1000 0.0000"});
    world.set_earth_local({4.2e7, 0, 0});  // rotation target 0.25
    log.clear();
    session->step(1.0);
    EXPECT_EQ(log.count("Global2Local"), 1u);
    EXPECT_EQ(as_krv(v).hga_rot_dir, DIR_INCREASE);
    EXPECT_NEAR(as_krv(v).hga_rot_pos, 0.21, 1e-15);
}

TEST_F(ScenarioState, SaveAndReloadThroughTheHostKeepsStatesAndPositions) {
    world.own_lines = {"STATUS Orbiting Earth", "RPOS 4.2e7 0 0", "AROT 0 0 0"};
    std::mt19937_64 rng(4242);
    std::uniform_int_distribution<int> state(-1, 7);
    std::uniform_real_distribution<double> pos(0.0, 1.0);
    for (int round = 0; round < 300; ++round) {
        auto& v = spawn("KRV-A");
        krv& a = as_krv(v);
        a.ant_status = state(rng);
        a.solp_status = state(rng);
        a.lid_status = state(rng);
        double* fields[] = {&a.ant_pos,       &a.hga_rot_pos, &a.hga_tilt1_pos,
                            &a.hga_tilt2_pos, &a.solp_pos,    &a.lid_pos};
        for (double* f : fields) *f = pos(rng);
        world.parsed_lines.clear();
        const Lines saved = session->save(v);

        auto& w = spawn_from(saved, "KRV-B");
        const krv& b = as_krv(w);
        EXPECT_EQ(b.ant_status, a.ant_status);
        EXPECT_EQ(b.solp_status, a.solp_status);
        EXPECT_EQ(b.lid_status, a.lid_status);
        const double back[] = {b.ant_pos,       b.hga_rot_pos, b.hga_tilt1_pos,
                               b.hga_tilt2_pos, b.solp_pos,    b.lid_pos};
        for (int i = 0; i < 6; ++i)
            ASSERT_LE(std::fabs(back[i] - *fields[i]), 0.00005 + 1e-15)
                << round << " field " << i << " of " << testing::PrintToString(saved);
        // The host's own lines went back to the host, in order.
        ASSERT_EQ(world.parsed_lines.size(), 3u);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(world.parsed_lines[i].line, world.own_lines[i]);
        session->destroy(w);
        session->destroy(v);
    }
}

TEST_F(ScenarioState, AnyFiniteValueSurvivesTheRoundTripAtItsSavedPrecision) {
    std::mt19937_64 rng(77);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int round = 0; round < 300; ++round) {
        auto& v = spawn("KRV-A");
        krv& a = as_krv(v);
        a.ant_status = static_cast<MechState>(bits(rng));
        double* fields[] = {&a.ant_pos,       &a.hga_rot_pos, &a.hga_tilt1_pos,
                            &a.hga_tilt2_pos, &a.solp_pos,    &a.lid_pos};
        for (double* f : fields) {
            do {
                const std::uint64_t b = bits(rng);
                std::memcpy(f, &b, sizeof *f);
            } while (!std::isfinite(*f));
        }
        const Lines saved = session->save(v);
        // Each value text fits its 256-byte buffer with the terminating zero.
        for (const auto& l : saved) ASSERT_LE(l.size() - l.find(' ') - 1, 255u) << l;
        auto& w = spawn_from(saved, "KRV-B");
        const krv& b = as_krv(w);
        EXPECT_EQ(b.ant_status, a.ant_status);
        const double back[] = {b.ant_pos,       b.hga_rot_pos, b.hga_tilt1_pos,
                               b.hga_tilt2_pos, b.solp_pos,    b.lid_pos};
        for (int i = 0; i < 6; ++i) {
            const double want = *fields[i];
            // Fixed-point keeps four decimals; the exponent form is exact.
            ASSERT_LE(std::fabs(back[i] - want), std::fmax(0.00005, std::fabs(want) * 1e-15))
                << testing::PrintToString(saved);
        }
        session->destroy(w);
        session->destroy(v);
    }
}

}  // namespace
