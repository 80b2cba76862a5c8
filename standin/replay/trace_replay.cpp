#include "standin/replay/trace_replay.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "standin/replay/replay_writer.h"

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

// The number of "t": at its first appearance (a record's own time: the
// writer puts it before any nested object that has one).
bool time_field(const std::string& line, double& t) {
    const auto at = line.find("\"t\":");
    if (at == std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    t = std::strtod(line.c_str() + at + 4, &end);
    return end != line.c_str() + at + 4 && errno == 0;
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
    if (string_field(line, "type") != "header") {
        r.bad_trace = true;
        r.error = trace.string() + ":1: the first record is not a trace header";
        return r;
    }
    if (const std::string m = string_field(line, "mesh"); !m.empty()) mesh = m;
    ReplayWriter writer(template_file, installation, mesh);
    writer.add(TraceRecordKind::header, 0.0, line);
    for (int number = 2; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::string type = string_field(line, "type");
        double t = 0.0;
        if (line.front() != '{' || line.back() != '}' || type.empty() || !time_field(line, t)) {
            r.bad_trace = true;
            r.error = trace.string() + ":" + std::to_string(number) +
                      ": not a trace record with a type and a time";
            return r;
        }
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
    r.ok = writer.write(out, &r.error);
    r.kept_steps = writer.kept_steps();
    return r;
}

}  // namespace standin
