// The vessel callback table: slot order, and the host's default bodies
// reached through the real module's objects.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/host_fixture.h"

namespace {

#if defined(__GNUC__)
// Under the Itanium C++ ABI (GCC and Clang, on ELF and on MinGW) a pointer to a virtual member
// holds 1 + the slot's byte offset in the vtable.
template <typename F>
std::ptrdiff_t slot_of(F member) {
    std::ptrdiff_t raw = 0;
    static_assert(sizeof(member) >= sizeof(raw));
    std::memcpy(&raw, &member, sizeof raw);
    return (raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(CallbackTable, SlotsAreInTheHostsOrder) {
    using HudDc = void (VESSEL2::*)(int, const HUDPAINTSPEC*, DEVICECONTEXT);
    using HudSkp = bool (VESSEL3::*)(int, const HUDPAINTSPEC*, zapi::Sketchpad*);
    using Mouse4 = bool (VESSEL2::*)(int, int, int, int);
    using Mouse5 = bool (VESSEL3::*)(int, int, int, int, void*);
    using Redraw3 = bool (VESSEL2::*)(int, int, SURFHANDLE);
    using Redraw4 = bool (VESSEL3::*)(int, int, SURFHANDLE, void*);
    const std::ptrdiff_t slots[] = {
        slot_of(&VESSEL2::clbkSetupClass),
        slot_of(&VESSEL2::clbkSaveState),
        slot_of(&VESSEL2::clbkLoadState),
        slot_of(&VESSEL2::clbkSetStateEx),
        slot_of(&VESSEL2::clbkAfterCreation),
        slot_of(&VESSEL2::clbkFocusChanged),
        slot_of(&VESSEL2::clbkPreStep),
        slot_of(&VESSEL2::clbkPostStep),
        slot_of(&VESSEL2::clbkPlaybackEvent),
        slot_of(&VESSEL2::clbkVisualCreated),
        slot_of(&VESSEL2::clbkVisualDestroyed),
        slot_of(static_cast<HudDc>(&VESSEL2::clbkDrawHUD)),
        slot_of(&VESSEL2::clbkRCSMode),
        slot_of(&VESSEL2::clbkADCtrlMode),
        slot_of(&VESSEL2::clbkHUDMode),
        slot_of(&VESSEL2::clbkMFDMode),
        slot_of(&VESSEL2::clbkNavMode),
        slot_of(&VESSEL2::clbkDockEvent),
        slot_of(&VESSEL2::clbkAnimate),
        slot_of(&VESSEL2::clbkConsumeDirectKey),
        slot_of(&VESSEL2::clbkConsumeBufferedKey),
        slot_of(&VESSEL2::clbkLoadGenericCockpit),
        slot_of(&VESSEL2::clbkLoadPanel),
        slot_of(static_cast<Mouse4>(&VESSEL2::clbkPanelMouseEvent)),
        slot_of(static_cast<Redraw3>(&VESSEL2::clbkPanelRedrawEvent)),
        slot_of(&VESSEL2::clbkLoadVC),
        slot_of(&VESSEL2::clbkVCMouseEvent),
        slot_of(&VESSEL2::clbkVCRedrawEvent),
        slot_of(static_cast<Mouse5>(&VESSEL3::clbkPanelMouseEvent)),
        slot_of(static_cast<Redraw4>(&VESSEL3::clbkPanelRedrawEvent)),
        slot_of(&VESSEL3::clbkGeneric),
        slot_of(&VESSEL3::clbkLoadPanel2D),
        slot_of(static_cast<HudSkp>(&VESSEL3::clbkDrawHUD)),
        slot_of(&VESSEL3::clbkRenderHUD),
        slot_of(&VESSEL3::clbkGetRadiationForce),
    };
    for (std::size_t i = 0; i < std::size(slots); ++i)
        EXPECT_EQ(slots[i], static_cast<std::ptrdiff_t>(i)) << "callback number " << i;
}
#endif

class DefaultBodies : public krvtest::HostFixture {};

// Every slot the module leaves alone reaches the host's default body, which
// answers as the host does for a vessel that does nothing.
TEST_F(DefaultBodies, EverySlotNotOverriddenRunsTheHostsDefault) {
    VESSEL3* v = spawn().object;
    log.clear();
    char kstate[256] = {};
    HUDPAINTSPEC hps{1024, 768, 512, 384, 10.0, 8};
    VECTOR3 p{1, 2, 3}, force{9, 9, 9}, pos{9, 9, 9};

    v->clbkSetStateEx(nullptr);
    v->clbkFocusChanged(true, nullptr, nullptr);
    v->clbkPreStep(1.0, 0.5, 58470.0);
    EXPECT_FALSE(v->clbkPlaybackEvent(1.0, 1.0, "KEY", "G"));
    v->clbkVisualCreated(nullptr, 1);
    v->clbkVisualDestroyed(nullptr, 1);
    v->clbkDrawHUD(1, &hps, static_cast<DEVICECONTEXT>(nullptr));
    v->clbkRCSMode(1);
    v->clbkADCtrlMode(7);
    v->clbkHUDMode(2);
    v->clbkMFDMode(0, 3);
    v->clbkNavMode(1, true);
    v->clbkDockEvent(0, nullptr);
    v->clbkAnimate(1.0);
    EXPECT_EQ(v->clbkConsumeDirectKey(kstate), 0);
    EXPECT_FALSE(v->clbkLoadGenericCockpit());
    EXPECT_FALSE(v->clbkLoadPanel(0));
    EXPECT_FALSE(v->clbkPanelMouseEvent(0, 1, 10, 10));
    EXPECT_FALSE(v->clbkPanelRedrawEvent(0, 1, nullptr));
    EXPECT_FALSE(v->clbkLoadVC(0));
    EXPECT_FALSE(v->clbkVCMouseEvent(0, 1, p));
    EXPECT_FALSE(v->clbkVCRedrawEvent(0, 1, nullptr));
    EXPECT_FALSE(v->clbkPanelMouseEvent(0, 1, 10, 10, nullptr));
    EXPECT_FALSE(v->clbkPanelRedrawEvent(0, 1, nullptr, nullptr));
    EXPECT_EQ(v->clbkGeneric(1, 2, nullptr), 0);
    EXPECT_FALSE(v->clbkLoadPanel2D(0, nullptr, 1024, 768));
    v->clbkRenderHUD(1, &hps, nullptr);
    v->clbkGetRadiationForce(p, force, pos);
    EXPECT_EQ(force.x, 0.0);
    EXPECT_EQ(pos.z, 0.0);

    const std::vector<std::string> expected = {
        "VESSEL2::clbkSetStateEx",       "VESSEL2::clbkFocusChanged",
        "VESSEL2::clbkPreStep",          "VESSEL2::clbkPlaybackEvent",
        "VESSEL2::clbkVisualCreated",    "VESSEL2::clbkVisualDestroyed",
        "VESSEL2::clbkDrawHUD",          "VESSEL2::clbkRCSMode",
        "VESSEL2::clbkADCtrlMode",       "VESSEL2::clbkHUDMode",
        "VESSEL2::clbkMFDMode",          "VESSEL2::clbkNavMode",
        "VESSEL2::clbkDockEvent",        "VESSEL2::clbkAnimate",
        "VESSEL2::clbkConsumeDirectKey", "VESSEL2::clbkLoadGenericCockpit",
        "VESSEL2::clbkLoadPanel",        "VESSEL2::clbkPanelMouseEvent",
        "VESSEL2::clbkPanelRedrawEvent", "VESSEL2::clbkLoadVC",
        "VESSEL2::clbkVCMouseEvent",     "VESSEL2::clbkVCRedrawEvent",
        "VESSEL3::clbkPanelMouseEvent",  "VESSEL3::clbkPanelRedrawEvent",
        "VESSEL3::clbkGeneric",          "VESSEL3::clbkLoadPanel2D",
        "VESSEL3::clbkRenderHUD",        "VESSEL3::clbkGetRadiationForce",
    };
    EXPECT_EQ(log.names(), expected);
    for (const auto& call : log.calls()) EXPECT_EQ(call.vessel, v->GetHandle()) << call.name;
}

}  // namespace
