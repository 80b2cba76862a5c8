#include "standin/replay/trace_replay.h"

#include <fstream>
#include <string_view>

#include "standin/replay/replay_writer.h"
#include "standin/replay/trace_check.h"

namespace standin {

namespace {

// The string value of "key":"..." at its first appearance in the line.
std::string string_field(std::string_view line, std::string_view key) {
    const std::string pattern = "\"" + std::string(key) + "\":\"";
    const auto at = line.find(pattern);
    if (at == std::string_view::npos) return {};
    const auto from = at + pattern.size();
    const auto to = line.find('"', from);
    return to == std::string_view::npos ? std::string() : std::string(line.substr(from, to - from));
}

}  // namespace

TraceReplayResult write_replay_from_trace(const std::filesystem::path& trace,
                                          const std::filesystem::path& out,
                                          const std::filesystem::path& template_file,
                                          const std::filesystem::path& installation) {
    TraceReplayResult r;
    std::ifstream in(trace, std::ios::binary);
    if (!in) {
        r.bad_trace = true;
        r.error = trace.string() + ": cannot be read";
        return r;
    }
    std::string line, mesh = "krv/krv";
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Every line checked before it reaches the page: a page that cannot
    // show is refused here, naming the line.
    TraceCheck check;
    const auto refuse = [&](int number, const std::string& what) {
        r.bad_trace = true;
        r.error = trace.string() + ":" + std::to_string(number) + ": " + what;
        return r;
    };
    if (std::string what = check.line(line); !what.empty()) return refuse(1, what);
    if (const std::string m = string_field(line, "mesh"); !m.empty()) mesh = m;
    ReplayWriter writer(template_file, installation, mesh);
    writer.add(TraceRecordKind::header, 0.0, line);
    for (int number = 2; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (std::string what = check.line(line); !what.empty()) return refuse(number, what);
        const std::string& type = check.type();
        const double t = check.time();
        const auto kind = type == "step"  ? TraceRecordKind::step
                          : type == "end" ? TraceRecordKind::end
                                          : TraceRecordKind::event;
        writer.add(kind, t, line);
    }
    if (in.bad()) {
        r.bad_trace = true;
        r.error = trace.string() + ": read error";
        return r;
    }
    if (std::string what = check.finish(); !what.empty()) {
        r.bad_trace = true;
        r.error = trace.string() + ": " + what;
        return r;
    }
    r.ok = writer.write(out, &r.error);
    r.kept_steps = writer.kept_steps();
    return r;
}

}  // namespace standin
