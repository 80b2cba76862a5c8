#include "standin/run/record_output.h"

#include <cstdio>
#include <filesystem>

#include "standin/outputs/output_file.h"
#include "standin/run/fault_spec.h"
#include "standin/run/run_file.h"

namespace standin {

std::string exact_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string run_file_text(const Options& r, const std::string& scenario, double until) {
    std::string out =
        "# A live flight of krvsim, to fly again step for step: krvsim --config FILE\n";
    const auto line = [&out](const std::string& key, const std::string& value) {
        out += key + " = " + value + "\n";
    };
    const auto list = [&out](const std::string& key, const std::vector<std::string>& values) {
        if (values.empty()) return;
        out += key + " = [";
        for (std::size_t i = 0; i < values.size(); ++i)
            out += (i ? ",\n  " : "") + run_file_quoted(values[i]);
        out += "]\n";
    };
    line("scenario", run_file_quoted(std::filesystem::absolute(scenario).string()));
    line("modules", run_file_quoted(std::filesystem::absolute(r.modules).string()));
    line("dt", exact_text(r.dt));
    line("until", exact_text(until));
    line("forces", run_file_quoted(r.forces.text()));
    if (!r.attitude_hold) line("no-hold", "true");
    line("hud", run_file_quoted(std::to_string(r.hud_width) + "x" + std::to_string(r.hud_height)));
    std::vector<std::string> v;
    for (double h : r.hud_at) v.push_back(exact_text(h));
    list("hud-at", v);
    if (r.hud_every) line("hud-every", exact_text(*r.hud_every));
    line("trace-every", std::to_string(r.trace_every));
    line("trace-lines-every", std::to_string(r.trace_lines_every));
    v.clear();
    for (const FaultWindow& f : r.faults)
        v.push_back(exact_text(f.from) + ":" + exact_text(f.to) + ":" + fault_name(f.kind));
    list("fault", v);
    v.clear();
    for (const KeyEvent& k : r.keys) v.push_back(exact_text(k.time) + ":" + k.key.text);
    list("key", v);
    v.clear();
    for (const BurnCommand& b : r.burns)
        v.push_back(exact_text(b.time) + ":" + exact_text(b.duration) + ":" + b.group_name + ":" +
                    exact_text(b.level));
    list("burn", v);
    v.clear();
    for (const WarpCommand& w : r.warps) v.push_back(exact_text(w.time) + ":" + exact_text(w.dt));
    list("warp", v);
    v.clear();
    for (const AttitudeCommand& a : r.attitudes)
        v.push_back(exact_text(a.time) + ":" + attitude_mode_name(a.mode));
    list("attitude", v);
    if (r.relocate) line("relocate", run_file_quoted(r.relocate->text));
    if (r.keep_station) line("keep-station", run_file_quoted(r.keep_station->text));
    return out;
}

void RecordOutput::finish(RunEnd& end) {
    write_file_atomically("--record", path_, run_file_text(recorded_, scenario_, end.t));
    end.files.emplace_back("record", path_);
}

}  // namespace standin
