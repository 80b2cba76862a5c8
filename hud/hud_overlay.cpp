// The station-keeping read-out drawn over the host's HUD: remaining
// delta-v, the deploy prompts, the target and the drift figures, in one
// column near the left edge.
#include <cmath>

#include "vessel/constants.h"
#include "vessel/krv.h"
#include "vessel/line_builder.h"

namespace {

constexpr double kTextScalePerPixel = 0.00130208;  // s = 1 for a HUD about 768 px high
constexpr double kWideRatio = 0.7284;              // H / W below this: a wide HUD
constexpr int kLeftMargin = 10;                    // [px]
constexpr std::uint32_t kFigureColour = 0x0066FF66;
constexpr std::uint32_t kPromptColour = 0x0066FFFF;
constexpr std::size_t kLineSize = 256;
constexpr const char* kDegree = "\xB0";

// Where the column starts and how far apart its rows are.
struct Placement {
    double scale;  // s
    int x;         // [px]
    int y0;        // [px]

    int row(double k) const { return y0 + static_cast<int>(k * scale); }
};

Placement place(const HUDPAINTSPEC& hps) {
    Placement p{hps.height * kTextScalePerPixel, kLeftMargin, 0};
    if (static_cast<double>(hps.height) / static_cast<double>(hps.width) < kWideRatio) {
        // 10 * (W / 64), which is (16 * W / 1024) * 10 without the product
        // that overflows for large widths.
        p.x += 10 * (hps.width / 64);
        p.y0 = static_cast<int>(-88.0 * p.scale);
    }
    return p;
}

class Column {
public:
    Column(zapi::Sketchpad& skp, const Placement& at) : skp_(skp), at_(at) {}

    // Starts a line: its colour, then an empty buffer to compose it in.
    LineBuilder begin(std::uint32_t colour) {
        skp_.SetTextColor(colour);
        return LineBuilder(buffer_, kLineSize);
    }
    // Draws what the buffer holds, counting no terminating zero.
    void draw(double row, const LineBuilder& line) {
        skp_.Text(at_.x, at_.row(row), buffer_, static_cast<int>(line.length()));
    }

private:
    zapi::Sketchpad& skp_;
    const Placement& at_;
    char buffer_[kLineSize];
};

}  // namespace

bool krv::clbkDrawHUD(int mode, const HUDPAINTSPEC* hps, zapi::Sketchpad* skp) {
    VESSEL3::clbkDrawHUD(mode, hps, skp);

    const Placement at = place(*hps);
    const double empty_mass = GetEmptyMass();              // [kg]
    const double propellant = GetPropellantMass(ph_main);  // [kg]
    const double dv = krvconst::kIsp * std::log((empty_mass + propellant) / empty_mass);

    Column column(*skp, at);
    {
        LineBuilder line = column.begin(kFigureColour);
        line.text("Remaining dV = ");
        line.fixed(dv, 2);
        line.text(" m/s");
        column.draw(168, line);
    }
    if (ant_status == MECH_CLOSED) {
        LineBuilder line = column.begin(kPromptColour);
        line.text("G = Deploy HGA + Solar Panels");
        column.draw(184, line);
    } else {
        LineBuilder line = column.begin(kFigureColour);
        line.text("HGA and Solar Panels Deployed");
        column.draw(184, line);
    }
    if (lid_status == MECH_CLOSED) {
        LineBuilder line = column.begin(kPromptColour);
        line.text("K = Open AIA Covers");
        column.draw(200, line);
    } else {
        LineBuilder line = column.begin(kFigureColour);
        line.text("AIA Covers Open");
        column.draw(200, line);
    }
    {
        LineBuilder line = column.begin(kFigureColour);
        line.text("Target Longitude 102");
        line.text(kDegree);
        line.text("W (New Mexico)");
        column.draw(216, line);
    }
    {
        // East and west stand on rows of their own; the other stays empty.
        LineBuilder line = column.begin(kFigureColour);
        line.text("KRV Mean Surface Longitude ");
        if (mean_lon < 180.0) {
            line.fixed(mean_lon, 2);
            line.text(kDegree);
            line.text("E");
            column.draw(232, line);
        } else {
            line.fixed(360.0 - mean_lon, 2);
            line.text(kDegree);
            line.text("W");
            column.draw(248, line);
        }
    }
    {
        LineBuilder line = column.begin(kFigureColour);
        line.text("Angle to Target Longitude ");
        line.fixed(angle_east, 2);
        line.text(kDegree);
        line.text("E (");
        line.fixed(angle_west, 2);
        line.text(kDegree);
        line.text("W)");
        column.draw(264, line);
    }
    {
        LineBuilder line = column.begin(kFigureColour);
        line.text("Drift Rate ");
        if (drift_rate > 0.0) {
            line.fixed(drift_rate, 3);
            line.text(kDegree);
            line.text("E per orbit");
        } else {
            line.fixed(-drift_rate, 3);
            line.text(kDegree);
            line.text("W per orbit");
        }
        column.draw(280, line);
    }
    {
        LineBuilder line = column.begin(kFigureColour);
        line.text("Orbits Required ");
        line.fixed(orbits_required, 3);
        column.draw(296, line);
    }
    return true;
}
