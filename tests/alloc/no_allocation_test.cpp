// The per-step and HUD paths allocate nothing: every allocation of the
// process is counted while a step or a redraw runs.
//
// A program of its own, because it replaces the global allocation
// functions for everything linked into it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/alloc/allocation_counter.h"
#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"

namespace {

using krvtest::AllocationWindow;
using krvtest::as_krv;

// Draws nowhere and keeps nothing, so that only the vessel could allocate.
class CountingSketchpad : public zapi::Sketchpad {
public:
    std::uint32_t SetTextColor(std::uint32_t) override {
        ++colours;
        return 0;
    }
    bool Text(int, int, const char*, int len) override {
        ++texts;
        bytes += len;
        return true;
    }
    int colours = 0, texts = 0;
    long bytes = 0;
};

class NoAllocation : public krvtest::HostFixture {
protected:
    void SetUp() override {
        v = &spawn();
        k = &as_krv(*v);
        world.set_earth_local({1.0e7, 2.0e7, -3.0e7});
        world.orbit_params.mean_lon = 1.0;
        world.orbit_params.period = 86000.0;
        world.earth_rotation = 0.5;
        host.record_into(nullptr);
    }
    standin::SessionVessel* v = nullptr;
    krv* k = nullptr;
};

TEST_F(NoAllocation, TheCounterSeesAllocations) {
    // Through volatile pointers, so that the compiler cannot drop the pairs.
    AllocationWindow objects;
    int* volatile object = new int(1);
    delete object;
    EXPECT_EQ(objects.count(), 1u);
    if (krvtest::counts_malloc()) {
        AllocationWindow blocks;
        void* volatile block = std::malloc(16);
        std::free(block);
        EXPECT_EQ(blocks.count(), 1u);
    }
}

TEST_F(NoAllocation, StepsWhileTrackingAndWhileMechanismsMove) {
    k->ant_status = MECH_OPEN;
    k->solp_status = MECH_OPENING;
    k->lid_status = MECH_CLOSING;
    k->lid_pos = 1.0;
    AllocationWindow window;
    for (int i = 0; i < 200; ++i) session->step(0.05);
    EXPECT_EQ(window.count(), 0u);
    EXPECT_EQ(k->solp_status, MECH_OPEN) << "the panels really moved";
    EXPECT_EQ(k->lid_status, MECH_CLOSED);

    k->ant_status = MECH_OPENING;
    k->ant_pos = 0.0;
    AllocationWindow booms;
    for (int i = 0; i < 200; ++i) k->clbkPostStep(0.0, 0.1, 58470.0);
    EXPECT_EQ(booms.count(), 0u);
    EXPECT_EQ(k->ant_status, MECH_OPEN);
}

TEST_F(NoAllocation, HudRedraws) {
    CountingSketchpad skp;
    HUDPAINTSPEC hps{1280, 720, 640, 360, 10.0, 8};
    k->drift_rate = 1e300;  // a line cut at the buffer
    AllocationWindow window;
    for (int i = 0; i < 200; ++i) k->clbkDrawHUD(1, &hps, &skp);
    EXPECT_EQ(window.count(), 0u);
    EXPECT_EQ(skp.texts, 200 * 8);
    EXPECT_EQ(skp.colours, 200 * 8);
}

}  // namespace
