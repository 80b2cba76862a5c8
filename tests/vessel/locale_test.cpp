// Scenario numbers and HUD figures keep their decimal point whatever
// locale the host process has chosen.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "standin/core/recording_sketchpad.h"
#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"

namespace {

using krvtest::as_krv;

void set_locale_path(const char* dir) {
#if defined(_WIN32)
    _putenv_s("LOCPATH", dir != nullptr ? dir : "");
#else
    if (dir != nullptr)
        setenv("LOCPATH", dir, 1);
    else
        unsetenv("LOCPATH");
#endif
}

class CommaLocale : public krvtest::HostFixture {
protected:
    void SetUp() override {
        // An installed German locale, or else the one the build made.
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            set_locale_path(KRV_TEST_LOCALES);
            if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
                GTEST_SKIP() << "no locale with a decimal comma available";
        }
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        set_locale_path(nullptr);
    }
};

TEST_F(CommaLocale, ScenarioLinesKeepTheDecimalPoint) {
    auto& v = spawn();
    krv& k = as_krv(v);
    k.solp_status = MECH_OPENING;
    k.solp_pos = 0.25;
    k.hga_rot_pos = 1e300;
    const auto lines = session->save(v);
    EXPECT_EQ(lines, (std::vector<std::string>{"ANT 0 0.0000 1e+300 0.0000 0.0000", "SOLP 3 0.2500",
                                               "LID 0 0.0000"}));

    auto& w = spawn_from({"ANT 1 0.75 2.5e-1 0.5 0.125", "SOLP 3 0.25", "LID 2 0,5"}, "KRV-2");
    const krv& r = as_krv(w);
    EXPECT_EQ(r.ant_pos, 0.75);
    EXPECT_EQ(r.hga_rot_pos, 0.25);
    EXPECT_EQ(r.hga_tilt1_pos, 0.5);
    EXPECT_EQ(r.hga_tilt2_pos, 0.125);
    EXPECT_EQ(r.solp_pos, 0.25);
    // A comma is no decimal separator in a scenario: the number ends there.
    EXPECT_EQ(r.lid_status, 2);
    EXPECT_EQ(r.lid_pos, 0.0);
}

TEST_F(CommaLocale, HudFiguresKeepTheDecimalPoint) {
    auto& v = spawn();
    krv& k = as_krv(v);
    k.mean_lon = 28.6478898;
    k.drift_rate = -0.985649590;
    standin::RecordingSketchpad skp;
    HUDPAINTSPEC hps{1024, 768, 512, 384, 10.0, 8};
    session->draw_hud(v, hps, skp);
    ASSERT_EQ(skp.texts().size(), 8u);
    EXPECT_EQ(skp.texts()[0].bytes, "Remaining dV = 1765.76 m/s");
    EXPECT_EQ(skp.texts()[4].bytes,
              "KRV Mean Surface Longitude 28.65\xB0"
              "E");
    EXPECT_EQ(skp.texts()[6].bytes, "Drift Rate 0.986\xB0W per orbit");
}

}  // namespace
