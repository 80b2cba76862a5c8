// The deploy keys: which presses start which mechanisms, and which the
// vessel reports as used.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"

namespace {

using krvtest::as_krv;

constexpr std::uint32_t G = zapi::KEY_G, K = zapi::KEY_K, H = 0x23;  // H: no meaning to the vessel
constexpr int LSHIFT = zapi::KEY_LSHIFT, RSHIFT = zapi::KEY_RSHIFT, LCTRL = zapi::KEY_LCONTROL,
              LALT = zapi::KEY_LALT;

struct KeyCase {
    const char* what;
    std::uint32_t key;
    bool down;
    int held_key;              // -1: none
    unsigned char held_byte;   // the byte at held_key
    MechState ant, solp, lid;  // before
    int result;
    MechState ant_after, solp_after, lid_after;
};

constexpr MechState C = MECH_CLOSED, O = MECH_OPEN, CL = MECH_CLOSING, OP = MECH_OPENING;

const KeyCase kCases[] = {
    {"G starts booms and panels", G, true, -1, 0, C, C, C, 1, OP, OP, C},
    {"G with booms open starts only the panels", G, true, -1, 0, O, C, C, 1, O, OP, C},
    {"G with panels open starts only the booms", G, true, -1, 0, C, O, C, 1, OP, O, C},
    {"G with both open", G, true, -1, 0, O, O, C, 1, O, O, C},
    {"G with both moving", G, true, -1, 0, OP, CL, C, 1, OP, CL, C},
    {"G leaves the covers alone", G, true, -1, 0, O, O, C, 1, O, O, C},
    {"G with a negative state", G, true, -1, 0, -1, C, C, 1, -1, OP, C},
    {"K opens the covers", K, true, -1, 0, C, C, C, 1, C, C, OP},
    {"K with the covers open", K, true, -1, 0, C, C, O, 1, C, C, O},
    {"K with the covers closing", K, true, -1, 0, C, C, CL, 1, C, C, CL},
    {"K with the covers opening", K, true, -1, 0, C, C, OP, 1, C, C, OP},
    {"K with the covers in state 7", K, true, -1, 0, C, C, 7, 1, C, C, 7},
    {"G released", G, false, -1, 0, C, C, C, 0, C, C, C},
    {"K released", K, false, -1, 0, C, C, C, 0, C, C, C},
    {"G with left Shift", G, true, LSHIFT, 0x80, C, C, C, 0, C, C, C},
    {"G with right Shift", G, true, RSHIFT, 0x80, C, C, C, 0, C, C, C},
    {"K with left Shift", K, true, LSHIFT, 0x80, C, C, C, 0, C, C, C},
    {"K with right Shift, every bit set", K, true, RSHIFT, 0xFF, C, C, C, 0, C, C, C},
    {"Shift byte without its top bit is not held", G, true, LSHIFT, 0x7F, C, C, C, 1, OP, OP, C},
    {"G with only Ctrl is plain", G, true, LCTRL, 0x80, C, C, C, 1, OP, OP, C},
    {"K with only Alt is plain", K, true, LALT, 0x80, C, C, C, 1, C, C, OP},
    {"another key pressed", H, true, -1, 0, C, C, C, 0, C, C, C},
    {"another key released", H, false, -1, 0, C, C, C, 0, C, C, C},
    {"the Shift key itself", LSHIFT, true, LSHIFT, 0x80, C, C, C, 0, C, C, C},
};

class DeployKeys : public krvtest::HostFixture {};

TEST_F(DeployKeys, EveryCaseGivesItsResultAndStates) {
    for (const KeyCase& c : kCases) {
        SCOPED_TRACE(c.what);
        auto& v = spawn(c.what);
        krv& k = as_krv(v);
        k.ant_status = c.ant;
        k.solp_status = c.solp;
        k.lid_status = c.lid;
        k.ant_pos = 0.3;
        k.solp_pos = 0.4;
        k.lid_pos = 0.5;
        char kstate[256];
        std::memset(kstate, 0, sizeof kstate);
        if (c.held_key >= 0) kstate[c.held_key] = static_cast<char>(c.held_byte);

        log.clear();
        EXPECT_EQ(session->key(v, c.key, c.down, kstate), c.result);
        EXPECT_EQ(k.ant_status, c.ant_after);
        EXPECT_EQ(k.solp_status, c.solp_after);
        EXPECT_EQ(k.lid_status, c.lid_after);
        // A key only changes states: motion starts with the next step.
        EXPECT_EQ(k.ant_pos, 0.3);
        EXPECT_EQ(k.solp_pos, 0.4);
        EXPECT_EQ(k.lid_pos, 0.5);
        EXPECT_EQ(log.size(), 0u) << testing::PrintToString(krvtest::describe(log));
        session->destroy(v);
    }
}

TEST_F(DeployKeys, ToggleReversesAnyStateByTheRule) {
    auto& v = spawn();
    krv& k = as_krv(v);
    const struct {
        MechState from, to;
    } rows[] = {{C, OP}, {CL, OP}, {O, CL}, {OP, CL}, {7, CL}, {-1, CL}};
    for (const auto& r : rows) {
        k.ant_status = k.solp_status = k.lid_status = r.from;
        k.lid_pos = 0.7;
        k.ToggleAnt();
        k.ToggleSolp();
        k.ToggleLid();
        EXPECT_EQ(k.ant_status, r.to) << r.from;
        EXPECT_EQ(k.solp_status, r.to) << r.from;
        EXPECT_EQ(k.lid_status, r.to) << r.from;
        EXPECT_EQ(k.lid_pos, 0.7);
    }
}

}  // namespace

namespace {

class TwoVessels : public krvtest::HostFixture {};

TEST_F(TwoVessels, KeysStepsAndScenarioLinesOfOneLeaveTheOtherAlone) {
    auto& a = spawn_from({"LID 3 0.5"}, "KRV-A");
    auto& b = spawn("KRV-B");
    krv& ka = as_krv(a);
    const krv& kb = as_krv(b);
    char kstate[256] = {};
    EXPECT_EQ(session->key(a, G, true, kstate), 1);
    EXPECT_EQ(ka.ant_status, MECH_OPENING);
    EXPECT_EQ(kb.ant_status, MECH_CLOSED);
    EXPECT_EQ(kb.solp_status, MECH_CLOSED);
    EXPECT_EQ(kb.lid_status, MECH_CLOSED);
    ka.clbkPostStep(0.0, 1.0, 58470.0);
    EXPECT_EQ(ka.ant_pos, 0.1);
    EXPECT_EQ(kb.ant_pos, 0.0);
    EXPECT_EQ(kb.lid_pos, 0.0);
    EXPECT_EQ(kb.last_simdt, 0.0);
}

}  // namespace
