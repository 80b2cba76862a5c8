// The vessel report: what a reader sees of a freshly created KRV.
#include "standin/core/vessel_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/host_fixture.h"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool has_line(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const auto& l : lines)
        if (l == wanted) return true;
    return false;
}

class VesselReport : public krvtest::HostFixture {};

TEST_F(VesselReport, ShowsWhatTheModuleDeclared) {
    standin::SessionVessel& s = spawn();
    const std::string text = standin::vessel_report(host, *s.record);
    const auto lines = lines_of(text);
    for (const char* wanted : {
             "Vessel KRV-1, class KRV, flight model 1",
             "  size 4 m, empty mass 1650 kg, total mass 3100 kg",
             "  drag coefficients (z+, z-, x, y): 1, 1, 1, 1",
             "  pitch moment scale 0.001, bank moment scale 0.001, trim scale 0.1",
             "  touchdown points (0, 1, 0) (-1, -1, 0) (1, -1, 0)",
             "   0  \"krv/krv\", no offset, visibility mode 3, 22 groups",
             "   0  1450 of 1450 kg, efficiency 1",
             "Thrusters (17)",
             "  16  at (0, 0, -1) m toward (0, 0, 1), 500 N, tank 0, isp 2800 m/s, isp_ref 0, "
             "p_ref 101400",
             "Thruster groups (8)",
             "   6  type 13 (translate forward): thrusters 12 13 14 15",
             "   7  type 0 (main): thrusters 16",
             "Exhaust plumes (33)",
             "  32  thruster 16, length 1.5 m, width 0.15 m, at (0, 0, -2.63) toward (0, 0, -1), "
             "texture \"exhaust\"",
             "Animations (6)",
             "   4  state 0, components 6 7",
             "Animation components (9)",
         })
        EXPECT_TRUE(has_line(lines, wanted)) << "missing: " << wanted << "\n" << text;
}

TEST_F(VesselReport, SaysWhatWasNeverSet) {
    // A record the module never configured.
    standin::VesselRecord& bare = host.add_vessel("EMPTY", "NONE", 1);
    const auto lines = lines_of(standin::vessel_report(host, bare));
    EXPECT_TRUE(has_line(lines, "  size not set, empty mass not set, total mass 0 kg"));
    EXPECT_TRUE(has_line(lines, "  touchdown points not set"));
    EXPECT_TRUE(has_line(lines, "Thrusters (0)"));
}

}  // namespace
