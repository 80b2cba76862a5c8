// krvreplay: the replay page of a trace written earlier (krvsim --trace).
//
//   krvreplay [--template HTML] [--data DIR] TRACE.jsonl OUT.html
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "standin/replay/replay_writer.h"

namespace {

constexpr const char* kUsage =
    "usage: krvreplay [--template HTML] [--data DIR] TRACE.jsonl OUT.html\n"
    "Writes the one-file 3-D replay of a krvsim trace (format 1).\n";

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

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string template_path = KRV_REPLAY_TEMPLATE, data_dir = KRV_DATA_DIR;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::puts("krvreplay 1.0");
            return 0;
        }
        if ((a == "--template" || a == "--data") && i + 1 < args.size()) {
            (a == "--template" ? template_path : data_dir) = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "krvreplay: unknown option or missing value '%s'\n%s", a.c_str(),
                         kUsage);
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "krvreplay: expected TRACE.jsonl and OUT.html\n%s", kUsage);
        return 2;
    }
    std::ifstream in(files[0]);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", files[0].c_str());
        return 2;
    }
    std::string line, mesh = "krv/krv";
    std::getline(in, line);
    if (string_field(line, "type") != "header") {
        std::fprintf(stderr, "%s:1: the first record is not a trace header\n", files[0].c_str());
        return 2;
    }
    if (const std::string m = string_field(line, "mesh"); !m.empty()) mesh = m;
    standin::ReplayWriter writer(template_path, data_dir, mesh);
    writer.add(standin::TraceRecordKind::header, 0.0, line);
    for (int number = 2; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        const std::string type = string_field(line, "type");
        double t = 0.0;
        if (line.front() != '{' || line.back() != '}' || type.empty() || !time_field(line, t)) {
            std::fprintf(stderr, "%s:%d: not a trace record with a type and a time\n",
                         files[0].c_str(), number);
            return 2;
        }
        const auto kind = type == "step"  ? standin::TraceRecordKind::step
                          : type == "end" ? standin::TraceRecordKind::end
                                          : standin::TraceRecordKind::event;
        writer.add(kind, t, line);
    }
    std::string error;
    if (!writer.write(files[1], &error)) {
        std::fprintf(stderr, "krvreplay: %s\n", error.c_str());
        return 2;
    }
    std::fprintf(stderr, "krvreplay: wrote %s (%zu steps kept)\n", files[1].c_str(),
                 writer.kept_steps());
    return 0;
}
