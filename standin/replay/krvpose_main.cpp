// krvpose: the KRV mesh posed by the stand-in host's own engine at given
// animation states, as JSON (see standin/animation/pose_export.h).
//
//   krvpose [--scenario SCN] [--vessel NAME] [--out PATH] STATES
//
// STATES (a file, or - for standard input) holds one state set per line:
// the states of the vessel's animations in id order, separated by blanks.
// Blank lines and lines starting with # are skipped.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "standin/animation/pose_export.h"
#include "standin/runner/simulation.h"
#include "standin/scenario/scenario_error.h"
#include "standin/scenario/scenario_file.h"

namespace {

constexpr const char* kUsage =
    "usage: krvpose [--scenario SCN] [--vessel NAME] [--out PATH] STATES\n"
    "Loads the scenario's vessels through the stand-in host, as krvsim does, and\n"
    "writes the named vessel's (default: the first) mesh groups posed at each state\n"
    "set of STATES as JSON [m, vessel frame].\n"
    "STATES: one set per line, the animations' states in id order; - reads stdin.\n";

struct Usage {
    std::string message;
};

bool read_sets(std::istream& in, const std::string& name,
               std::vector<standin::AnimationStates>& sets) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string word;
        standin::AnimationStates states;
        while (words >> word) {
            if (states.empty() && word[0] == '#') break;
            errno = 0;
            char* end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            if (*end != '\0' || errno != 0 || !std::isfinite(v)) {
                std::fprintf(stderr, "%s:%d: '%s' is not a finite number\n", name.c_str(), number,
                             word.c_str());
                return false;
            }
            states.push_back(v);
        }
        if (!states.empty()) sets.push_back(std::move(states));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string scenario_path = KRV_DEFAULT_SCENARIO, vessel_name, out_path, states_path;
    try {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            auto value = [&]() -> const std::string& {
                if (i + 1 >= args.size()) throw Usage{a + " needs a value"};
                return args[++i];
            };
            if (a == "--help" || a == "-h") {
                std::fputs(kUsage, stdout);
                return 0;
            }
            if (a == "--version") {
                std::puts("krvpose 1.0");
                return 0;
            }
            if (a == "--scenario")
                scenario_path = value();
            else if (a == "--vessel")
                vessel_name = value();
            else if (a == "--out")
                out_path = value();
            else if (a.size() > 1 && a[0] == '-')
                throw Usage{"unknown option '" + a + "'"};
            else if (states_path.empty())
                states_path = a;
            else
                throw Usage{"one STATES file only"};
        }
        if (states_path.empty()) throw Usage{"no STATES file given"};
    } catch (const Usage& u) {
        std::fprintf(stderr, "krvpose: %s\n%s", u.message.c_str(), kUsage);
        return 2;
    }

    std::vector<standin::AnimationStates> sets;
    if (states_path == "-") {
        if (!read_sets(std::cin, "<stdin>", sets)) return 2;
    } else {
        std::ifstream in(states_path);
        if (!in) {
            std::fprintf(stderr, "%s: cannot be read\n", states_path.c_str());
            return 2;
        }
        if (!read_sets(in, states_path, sets)) return 2;
    }

    try {
        standin::Simulation sim(standin::read_scenario_file(scenario_path), KRV_MODULES_DIR);
        const standin::SessionVessel* vessel = nullptr;
        for (const standin::SessionVessel* v : sim.vessels())
            if (vessel_name.empty() || v->record->name == vessel_name) {
                vessel = v;
                break;
            }
        if (vessel == nullptr) {
            std::fprintf(stderr, "%s: holds no vessel%s%s\n", scenario_path.c_str(),
                         vessel_name.empty() ? "" : " named ", vessel_name.c_str());
            return 2;
        }
        const std::string json = standin::posed_groups_json(*vessel->record, 0, sets) + "\n";
        if (out_path.empty()) {
            std::fwrite(json.data(), 1, json.size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        const std::string temporary = out_path + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << json;
            out.close();
            if (!out) {
                std::remove(temporary.c_str());
                std::fprintf(stderr, "%s: cannot be written\n", out_path.c_str());
                return 1;
            }
        }
        if (std::rename(temporary.c_str(), out_path.c_str()) != 0) {
            std::remove(temporary.c_str());
            std::fprintf(stderr, "%s: cannot be written\n", out_path.c_str());
            return 1;
        }
        return 0;
    } catch (const standin::ScenarioError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "krvpose: %s\n", e.what());
        return 2;
    }
}
