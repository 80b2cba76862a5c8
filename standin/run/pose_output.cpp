#include "standin/run/pose_output.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "standin/animation/pose_export.h"
#include "standin/outputs/output_file.h"
#include "standin/run/pose_states.h"
#include "standin/run/stop_signal.h"

namespace standin {

namespace {

// One set's entry of posed_groups_json: the text between its list's brackets.
std::string set_json(const VesselRecord& vessel, const AnimationStates& states) {
    const std::string whole = posed_groups_json(vessel, 0, {states});
    const std::string head = "{\"mesh\":0,\"sets\":[";
    return whole.substr(head.size(), whole.size() - head.size() - 2);
}

}  // namespace

void write_poses(const Options& o, Simulation& sim, std::FILE* out) {
    std::ifstream file;
    if (o.poses != "-") {
        file.open(o.poses);
        if (!file) throw std::runtime_error("--poses: '" + o.poses + "' cannot be read");
    }
    std::istream& in = o.poses == "-" ? std::cin : file;
    const std::string name = o.poses == "-" ? "<stdin>" : o.poses;
    if (sim.vessels().empty()) throw std::runtime_error("--poses: the scenario holds no vessel");
    const VesselRecord& vessel = *sim.vessels().front()->record;
    const std::size_t count = vessel.animations.size();
    const bool to_stdout = o.poses_out.empty() || o.poses_out == "-";
    std::unique_ptr<OutputFile> file_out;
    if (!to_stdout) file_out = std::make_unique<OutputFile>("--poses-out", o.poses_out);
    std::FILE* f = to_stdout ? out : file_out->get();
    AnimationStates states;
    int line = 0;
    bool first = true;
    for (; read_pose_line(in, name, line, states); first = false) {
        const std::string where = name + ":" + std::to_string(line) + ": ";
        if (states.size() != count)
            throw std::runtime_error(where + std::to_string(states.size()) +
                                     " states; the vessel's rig has " + std::to_string(count));
        for (const double s : states)
            if (!(s >= 0.0 && s <= 1.0)) throw std::runtime_error(where + "a state outside 0 to 1");
        if (StopSignals::received() != 0) return;
        // Nothing reaches standard output before the first set is sound.
        std::fputs(first ? "{\"mesh\":0,\"sets\":[" : ",", f);
        const std::string json = set_json(vessel, states);
        std::fwrite(json.data(), 1, json.size(), f);
    }
    std::fputs(first ? "{\"mesh\":0,\"sets\":[]}\n" : "]}\n", f);
    if (file_out)
        file_out->commit();
    else
        check_standard_output(f, "--poses");
}

}  // namespace standin
