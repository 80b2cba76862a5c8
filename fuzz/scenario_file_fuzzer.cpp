// Arbitrary bytes as the text of a scenario file: the reader either names
// what is wrong ("file:line: message", or "file: message" for the file as a
// whole) or gives a scenario, which the loader brings into a session with
// the real KRV module in an orbital world. The loader in turn either names
// the problems or gives vessels, which save a scenario that loads again and
// then fly a step. Any other outcome (a crash, a sanitizer report,
// another exception, a hang caught by -timeout) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "fuzz/sanitizer_options.h"
#include "standin/core/host.h"
#include "standin/core/session.h"
#include "standin/loader/module_library.h"
#include "standin/scenario/scenario_error.h"
#include "standin/scenario/scenario_file.h"
#include "standin/scenario/scenario_loader.h"
#include "standin/world/orbital_world.h"

namespace {

const char* const kFileName = "fuzz.scn";

// The host holds one world for its life, but each scenario brings its own
// date and time: the host's world passes every question on to the orbital
// world of the input at hand.
class CurrentWorld : public standin::World {
public:
    standin::OrbitalWorld* now = nullptr;

    double sim_time() const override { return now->sim_time(); }
    double sim_mjd() const override { return now->sim_mjd(); }
    OBJHANDLE object_by_name(const char* name) override { return now->object_by_name(name); }
    VECTOR3 global_pos(OBJHANDLE object) override { return now->global_pos(object); }
    double planet_rotation(OBJHANDLE planet) override { return now->planet_rotation(planet); }
    VECTOR3 global_to_local(const standin::VesselRecord& vessel, const VECTOR3& global) override {
        return now->global_to_local(vessel, global);
    }
    bool elements(const standin::VesselRecord& vessel, OBJHANDLE ref, ELEMENTS& el, ORBITPARAM* prm,
                  double mjd, int frame) override {
        return now->elements(vessel, ref, el, prm, mjd, frame);
    }
    int date_to_int(const char* date) override { return now->date_to_int(date); }
    void vessel_added(standin::VesselRecord& vessel) override { now->vessel_added(vessel); }
    void vessel_removed(standin::VesselRecord& vessel) override { now->vessel_removed(vessel); }
    void vessel_ready(standin::VesselRecord& vessel) override { now->vessel_ready(vessel); }
    void write_vessel_lines(const standin::VesselRecord& vessel,
                            standin::ScenarioBlock& block) override {
        now->write_vessel_lines(vessel, block);
    }
    void parse_vessel_line(standin::VesselRecord& vessel, const char* line, void* status) override {
        now->parse_vessel_line(vessel, line, status);
    }
    void advance(double dt) override { now->advance(dt); }
};

// One host and one module loader for the whole run, made on the first
// input: the host reads the vessel's mesh once, and the module is loaded
// (and announces itself to the host) once, as in a host that runs many
// scenarios one after the other.
struct Rig {
    CurrentWorld world;
    standin::Host host{world, KRV_DATA_DIR};
    standin::ModuleLoader loader{KRV_MODULES_DIR};
};

Rig& rig() {
    static Rig* const r = new Rig;  // never destroyed: the process ends with it
    return *r;
}

[[noreturn]] void finding(const char* what, const std::string& detail) {
    std::fprintf(stderr, "scenario file fuzzer: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// "fuzz.scn:12: ..." for a line, "fuzz.scn: ..." for the file as a whole.
void check_error(const standin::ScenarioError& e, int line_count) {
    if (e.problems().empty()) finding("an error without a problem", e.what());
    for (const auto& p : e.problems()) {
        const std::string text = p.text();
        if (p.file != kFileName || p.line < 0 || p.line > line_count || p.message.empty())
            finding("a problem without its file, line or message", text);
        const std::string prefix =
            p.line > 0 ? std::string(kFileName) + ":" + std::to_string(p.line) + ": "
                       : std::string(kFileName) + ": ";
        if (text.compare(0, prefix.size(), prefix) != 0 || text.size() == prefix.size())
            finding("a problem not in the form file:line: message", text);
    }
}

int count_lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n + (text.empty() || text.back() == '\n' ? 0 : 1);
}

// A scenario the host has just loaded, saved at once, must read and load
// again: nothing the reader accepted may come out as something it refuses.
void save_and_reload(Rig& r, standin::Session& session, standin::OrbitalWorld& world) {
    const std::string saved = standin::write_scenario(session, world);
    try {
        const standin::Scenario again = standin::parse_scenario(saved, "saved.scn");
        standin::OrbitalWorld world_again(again.mjd, again.time);
        r.world.now = &world_again;
        {
            standin::Session session_again(r.host, r.loader);
            standin::load_vessels(again, session_again, r.loader, world_again);
        }
        r.world.now = &world;
    } catch (const standin::ScenarioError& e) {
        finding("the host refuses a scenario it saved", saved + "\n" + e.what());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Rig& r = rig();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int line_count = count_lines(text);

    standin::Scenario scenario;
    try {
        scenario = standin::parse_scenario(text, kFileName);
    } catch (const standin::ScenarioError& e) {
        check_error(e, line_count);
        return 0;
    } catch (const std::exception& e) {
        finding("the reader threw something other than a scenario error", e.what());
    }

    standin::OrbitalWorld world(scenario.mjd, scenario.time);
    r.world.now = &world;
    {
        standin::Session session(r.host, r.loader);
        try {
            standin::load_vessels(scenario, session, r.loader, world);
            save_and_reload(r, session, world);
            // And it flies: a step through the world and every vessel.
            session.step(1.0);
            standin::write_scenario(session, world);
        } catch (const standin::ScenarioError& e) {
            check_error(e, line_count);
        } catch (const std::exception& e) {
            finding("the loader threw something other than a scenario error", e.what());
        }
    }  // the session destroys its vessels while their world still stands
    r.world.now = nullptr;
    return 0;
}
