// The station-keeping lines over the host's HUD: placement for each screen
// shape, the exact bytes, colours and rows of every line.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "standin/core/recording_sketchpad.h"
#include "tests/support/host_fixture.h"
#include "tests/support/krv_vessel.h"

namespace {

using krvtest::as_krv;
using standin::DrawnText;

constexpr std::uint32_t kFigure = 0x0066FF66;
constexpr std::uint32_t kPrompt = 0x0066FFFF;

HUDPAINTSPEC hud(int w, int h) {
    HUDPAINTSPEC s{};
    s.width = w;
    s.height = h;
    s.center_x = w / 2;
    s.center_y = h / 2;
    s.scale = 10.0;
    s.marker_size = 8;
    return s;
}

class HudOverlay : public krvtest::HostFixture {
protected:
    void SetUp() override {
        v = &spawn();
        k = &as_krv(*v);
    }
    const std::vector<DrawnText>& draw(int w = 1024, int h = 768) {
        skp.clear();
        log.clear();
        hps = hud(w, h);
        EXPECT_TRUE(session->draw_hud(*v, hps, skp, 1));
        return skp.texts();
    }
    std::vector<int> rows() const {
        std::vector<int> out;
        for (const auto& t : skp.texts()) out.push_back(t.y);
        return out;
    }

    standin::SessionVessel* v = nullptr;
    krv* k = nullptr;
    standin::RecordingSketchpad skp;
    HUDPAINTSPEC hps{};
};

TEST_F(HudOverlay, HostDefaultFirstThenTheTwoMasses) {
    skp.clear();
    log.clear();
    hps = hud(1024, 768);
    EXPECT_TRUE(session->draw_hud(*v, hps, skp, 3));
    ASSERT_EQ(log.size(), 3u) << testing::PrintToString(krvtest::describe(log));
    EXPECT_EQ(log[0].name, "VESSEL3::clbkDrawHUD");
    EXPECT_EQ(log[0].arg<std::int64_t>("mode"), 3);
    EXPECT_EQ(log[0].arg<const void*>("hps"), static_cast<const void*>(&hps));
    EXPECT_EQ(log[0].arg<const void*>("skp"), static_cast<const void*>(&skp));
    EXPECT_EQ(log[1].name, "GetEmptyMass");
    EXPECT_EQ(log[2].name, "GetPropellantMass");
    EXPECT_EQ(log[2].arg<const void*>("tank"), static_cast<const void*>(k->ph_main));
    EXPECT_EQ(skp.texts().size(), 8u);
    EXPECT_EQ(skp.colour_changes(), 8u) << "one colour before each line";
}

TEST_F(HudOverlay, EightLinesWithTheirExactBytesAndColours) {
    k->mean_lon = 28.6478898;
    k->angle_east = 229.35;
    k->angle_west = 130.65;
    k->drift_rate = 0.685580269;
    k->orbits_required = 334.537210;
    const auto& texts = draw();
    const struct {
        std::uint32_t colour;
        const char* bytes;
    } expected[] = {
        {kFigure, "Remaining dV = 1765.76 m/s"},
        {kPrompt, "G = Deploy HGA + Solar Panels"},
        {kPrompt, "K = Open AIA Covers"},
        {kFigure, "Target Longitude 102\xB0W (New Mexico)"},
        {kFigure,
         "KRV Mean Surface Longitude 28.65\xB0"
         "E"},
        {kFigure,
         "Angle to Target Longitude 229.35\xB0"
         "E (130.65\xB0W)"},
        {kFigure,
         "Drift Rate 0.686\xB0"
         "E per orbit"},
        {kFigure, "Orbits Required 334.537"},
    };
    ASSERT_EQ(texts.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(texts[i].bytes, expected[i].bytes);
        EXPECT_EQ(texts[i].len, static_cast<int>(std::strlen(expected[i].bytes)));
        EXPECT_EQ(texts[i].colour, expected[i].colour);
        EXPECT_EQ(texts[i].x, 10);
    }
    EXPECT_EQ(skp.colour(), kFigure) << "the last colour is left in force";
}

TEST_F(HudOverlay, RowsForTheThreeScreenSizes) {
    const struct {
        int w, h, x;
        std::vector<int> east_rows, west_rows;
    } sizes[] = {
        {1024,
         768,
         10,
         {167, 183, 199, 215, 231, 263, 279, 295},
         {167, 183, 199, 215, 247, 263, 279, 295}},
        {1280,
         720,
         210,
         {75, 90, 105, 120, 135, 165, 180, 195},
         {75, 90, 105, 120, 150, 165, 180, 195}},
        {1920,
         1080,
         310,
         {113, 135, 158, 180, 203, 248, 270, 293},
         {113, 135, 158, 180, 225, 248, 270, 293}},
    };
    for (const auto& s : sizes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        k->mean_lon = 10.0;
        draw(s.w, s.h);
        EXPECT_EQ(rows(), s.east_rows);
        for (const auto& t : skp.texts()) EXPECT_EQ(t.x, s.x);
        k->mean_lon = 200.0;
        draw(s.w, s.h);
        EXPECT_EQ(rows(), s.west_rows);
    }
}

TEST_F(HudOverlay, OnlyHudsWiderThanTheRatioAreShifted) {
    const struct {
        int w, h, x, first_row;
    } rows_[] = {
        {10000, 7284, 10, 1593},        // exactly 0.7284: not shifted
        {10000, 7283, 1570, 759},       // just below: shifted
        {0, 768, 10, 167},              // no width: not shifted
        {INT_MAX, 720, 335544320, 75},  // 10 x (W / 64) without overflow
        {INT_MIN, 720, -335544310, 75},
        {64, 1, 20, 0},
    };
    for (const auto& r : rows_) {
        SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
        const auto& texts = draw(r.w, r.h);
        ASSERT_EQ(texts.size(), 8u);
        EXPECT_EQ(texts[0].x, r.x);
        EXPECT_EQ(texts[0].y, r.first_row);
    }
}

TEST_F(HudOverlay, DeltaVFromTheTwoMasses) {
    EXPECT_EQ(draw()[0].bytes, "Remaining dV = 1765.76 m/s");
    v->record->tanks.at(0).mass = 0.0;
    EXPECT_EQ(draw()[0].bytes, "Remaining dV = 0.00 m/s");
}

TEST_F(HudOverlay, PromptsOnlyWhileClosed) {
    const struct {
        MechState ant, lid;
        const char *line2, *line3;
        std::uint32_t colour2, colour3;
    } rows_[] = {
        {MECH_CLOSED, MECH_CLOSED, "G = Deploy HGA + Solar Panels", "K = Open AIA Covers", kPrompt,
         kPrompt},
        {MECH_OPENING, MECH_OPEN, "HGA and Solar Panels Deployed", "AIA Covers Open", kFigure,
         kFigure},
        {MECH_OPEN, MECH_CLOSING, "HGA and Solar Panels Deployed", "AIA Covers Open", kFigure,
         kFigure},
        {-1, 7, "HGA and Solar Panels Deployed", "AIA Covers Open", kFigure, kFigure},
    };
    for (const auto& r : rows_) {
        SCOPED_TRACE(r.ant);
        k->ant_status = r.ant;
        k->lid_status = r.lid;
        const auto& texts = draw();
        EXPECT_EQ(texts[1].bytes, r.line2);
        EXPECT_EQ(texts[1].colour, r.colour2);
        EXPECT_EQ(texts[2].bytes, r.line3);
        EXPECT_EQ(texts[2].colour, r.colour3);
    }
}

TEST_F(HudOverlay, LongitudeLineTakesItsRowByForm) {
    const struct {
        double mean_lon;
        const char* bytes;
        int row;
    } rows_[] = {
        {179.99,
         "KRV Mean Surface Longitude 179.99\xB0"
         "E",
         231},
        {180.0, "KRV Mean Surface Longitude 180.00\xB0W", 247},
        {258.0, "KRV Mean Surface Longitude 102.00\xB0W", 247},
        {0.0,
         "KRV Mean Surface Longitude 0.00\xB0"
         "E",
         231},
    };
    for (const auto& r : rows_) {
        SCOPED_TRACE(r.mean_lon);
        k->mean_lon = r.mean_lon;
        const auto& texts = draw();
        EXPECT_EQ(texts[4].bytes, r.bytes);
        EXPECT_EQ(texts[4].y, r.row);
    }
}

TEST_F(HudOverlay, DriftLineFormsAndOrbitsRequired) {
    const struct {
        double drift;
        const char* bytes;
    } rows_[] = {
        {0.685580269,
         "Drift Rate 0.686\xB0"
         "E per orbit"},
        {-0.985649590, "Drift Rate 0.986\xB0W per orbit"},
        // Zero takes the west form with its negation, which the fixed-point
        // format writes with its sign.
        {0.0, "Drift Rate -0.000\xB0W per orbit"},
    };
    for (const auto& r : rows_) {
        SCOPED_TRACE(r.drift);
        k->drift_rate = r.drift;
        const auto& texts = draw();
        EXPECT_EQ(texts[6].bytes, r.bytes);
        EXPECT_EQ(texts[6].y, 279);
    }
    k->angle_east = 229.35;
    k->angle_west = 130.65;
    k->orbits_required = 132.550037;
    const auto& texts = draw();
    EXPECT_EQ(texts[5].bytes,
              "Angle to Target Longitude 229.35\xB0"
              "E (130.65\xB0W)");
    EXPECT_EQ(texts[7].bytes, "Orbits Required 132.550");
}

TEST_F(HudOverlay, DefinedFiguresBeforeTheFirstStep) {
    const auto& texts = draw();
    EXPECT_EQ(texts[4].bytes,
              "KRV Mean Surface Longitude 0.00\xB0"
              "E");
    EXPECT_EQ(texts[5].bytes,
              "Angle to Target Longitude 0.00\xB0"
              "E (0.00\xB0W)");
    EXPECT_EQ(texts[7].bytes, "Orbits Required 0.000");
}

TEST_F(HudOverlay, LinesLongerThanTheBufferAreCutAtIt) {
    k->drift_rate = 1e300;
    k->orbits_required = -1e300;
    k->angle_east = 1e200;
    k->angle_west = 1e200;
    const auto& texts = draw();
    char full[512];
    std::snprintf(full, sizeof full, "Drift Rate %0.3f", 1e300);
    EXPECT_EQ(texts[6].len, 255);
    EXPECT_EQ(texts[6].bytes, std::string(full, 255));
    std::snprintf(full, sizeof full, "Orbits Required %0.3f", -1e300);
    EXPECT_EQ(texts[7].len, 255);
    EXPECT_EQ(texts[7].bytes, std::string(full, 255));
    // The second figure of the angle line is cut part-way.
    std::snprintf(full, sizeof full,
                  "Angle to Target Longitude %0.2f\xB0"
                  "E (%0.2f",
                  1e200, 1e200);
    EXPECT_EQ(texts[5].len, 255);
    EXPECT_EQ(texts[5].bytes, std::string(full, 255));
}

TEST_F(HudOverlay, DrawingChangesNothingInTheObject) {
    k->mean_lon = 200.0;
    k->drift_rate = -0.5;
    std::vector<unsigned char> before(sizeof(krv));
    std::memcpy(before.data(), static_cast<const void*>(k), sizeof(krv));
    draw(1280, 720);
    EXPECT_EQ(std::memcmp(before.data(), static_cast<const void*>(k), sizeof(krv)), 0);
}

}  // namespace
