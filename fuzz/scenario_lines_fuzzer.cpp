// Arbitrary scenario blocks through a KRV's clbkLoadState, then a save: no
// crash and no sanitizer report, and whatever the reader accepted survives a
// save and a reload unchanged.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "standin/core/host.h"
#include "standin/core/scenario_block.h"
#include "standin/core/scripted_world.h"
#include "vessel/krv.h"

namespace {

std::vector<std::string> split_lines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\0')  // a host line is a C string: it cannot hold a zero byte
            lines.back() += c;
    }
    return lines;
}

struct Fields {
    MechState states[3];
    double positions[6];
};

Fields fields_of(const krv& v) {
    return {{v.ant_status, v.solp_status, v.lid_status},
            {v.ant_pos, v.hga_rot_pos, v.hga_tilt1_pos, v.hga_tilt2_pos, v.solp_pos, v.lid_pos}};
}

// A saved position reads back within the rounding to four decimals, or
// exactly when it was written in exponent form.
bool close(double saved, double reloaded) {
    return std::fabs(saved - reloaded) <= 0.00005 + std::fabs(saved) * 1e-15;
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "round trip broken: %s\n", what);
        std::abort();
    }
}

std::vector<std::string> load_then_save(standin::Host& host, const std::vector<std::string>& lines,
                                        Fields& loaded) {
    standin::VesselRecord& record = host.add_vessel("KRV-F", "KRV", 1);
    krv vessel(record.handle(), 1);
    vessel.clbkSetupClass(nullptr);
    standin::ScenarioBlock in(lines);
    vessel.clbkLoadState(in.handle(), &record);
    loaded = fields_of(vessel);
    standin::ScenarioBlock out;
    vessel.clbkSaveState(out.handle());
    host.remove_vessel(record.handle());
    return out.lines();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    standin::ScriptedWorld world;
    standin::Host host(world, KRV_DATA_DIR);
    Fields first{}, second{};
    const auto saved = load_then_save(host, split_lines(data, size), first);
    const auto resaved = load_then_save(host, saved, second);
    for (int i = 0; i < 3; ++i) check(first.states[i] == second.states[i], "a state changed");
    for (int i = 0; i < 6; ++i) {
        // Non-finite positions never convert, so none can be stored.
        check(std::isfinite(first.positions[i]), "a non-finite position was accepted");
        check(close(first.positions[i], second.positions[i]), "a position moved");
    }
    check(saved == resaved, "a second save differs from the first");
    return 0;
}
