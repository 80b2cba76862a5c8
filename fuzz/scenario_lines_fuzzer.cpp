// Arbitrary scenario blocks through a KRV's clbkLoadState, then a save: no
// crash and no sanitizer report, whatever the reader accepted survives a
// save and a reload unchanged, and every line that is not a state line
// reaches the host as it stood.
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/sanitizer_options.h"
#include "standin/core/host.h"
#include "standin/core/scenario_block.h"
#include "standin/core/scripted_world.h"
#include "vessel/krv.h"

namespace {

// One host for the whole run, made on the first input: a host reads each
// mesh once and keeps it, so a host per input would spend nearly all its
// time reading the vessel's mesh again. Each input adds and removes its own
// vessels, which leaves the host as it found it.
struct Rig {
    standin::ScriptedWorld world;
    standin::Host host{world, KRV_DATA_DIR};
};

Rig& rig() {
    static Rig* const r = new Rig;  // never destroyed: the process ends with it
    return *r;
}

// Whether the vessel keeps a line rather than handing it to the host: it
// begins with one of the state keys, letter case ignored.
bool is_state_line(const std::string& line) {
    auto begins = [&line](const char* key) {
        std::size_t i = 0;
        for (; key[i] != '\0'; ++i)
            if (i >= line.size() || std::toupper(static_cast<unsigned char>(line[i])) != key[i])
                return false;
        return true;
    };
    return begins("ANT") || begins("SOLP") || begins("LID");
}

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

std::vector<std::string> save(krv& vessel) {
    standin::ScenarioBlock out;
    vessel.clbkSaveState(out.handle());
    return out.lines();
}

void load(krv& vessel, const std::vector<std::string>& lines) {
    standin::ScenarioBlock in(lines);
    vessel.clbkLoadState(in.handle(), &in);
}

// Before the reload every saved field is given a value it cannot have had,
// so that a field the reload fails to read shows up rather than keeping
// what the first load put there. (Reloading into the same vessel spares a
// second set-up, which is most of an input's cost.)
void poison(krv& v, const Fields& saved) {
    auto other = [](MechState s) { return s == 0 ? MechState{1} : MechState{0}; };
    v.ant_status = other(saved.states[0]);
    v.solp_status = other(saved.states[1]);
    v.lid_status = other(saved.states[2]);
    for (double* p :
         {&v.ant_pos, &v.hga_rot_pos, &v.hga_tilt1_pos, &v.hga_tilt2_pos, &v.solp_pos, &v.lid_pos})
        *p = std::nan("");  // compares close to nothing
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Rig& r = rig();
    r.world.parsed_lines.clear();
    const auto lines = split_lines(data, size);

    standin::VesselRecord& record = r.host.add_vessel("KRV-F", "KRV", 1);
    krv vessel(record.handle(), 1);
    vessel.clbkSetupClass(nullptr);
    load(vessel, lines);
    const Fields first = fields_of(vessel);
    const auto saved = save(vessel);

    // Every other line reached the host, unchanged and in order.
    std::size_t handed = 0;
    for (const auto& line : lines) {
        if (is_state_line(line)) continue;
        check(handed < r.world.parsed_lines.size() && r.world.parsed_lines[handed].line == line,
              "a host line was lost or changed");
        ++handed;
    }
    check(handed == r.world.parsed_lines.size(), "the host got a state line");
    r.world.parsed_lines.clear();

    poison(vessel, first);
    load(vessel, saved);
    const Fields second = fields_of(vessel);
    const auto resaved = save(vessel);
    r.host.remove_vessel(record.handle());

    check(r.world.parsed_lines.empty(), "a saved line went to the host");
    for (int i = 0; i < 3; ++i) check(first.states[i] == second.states[i], "a state changed");
    for (int i = 0; i < 6; ++i) {
        // Non-finite positions never convert, so none can be stored.
        check(std::isfinite(first.positions[i]), "a non-finite position was accepted");
        check(close(first.positions[i], second.positions[i]), "a position moved");
    }
    check(saved == resaved, "a second save differs from the first");
    return 0;
}
