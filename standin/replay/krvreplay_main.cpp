// krvreplay: the replay page of a trace written earlier (krvsim --trace).
//
//   krvreplay [--template HTML] [--data DIR] TRACE.jsonl OUT.html
#include <cstdio>
#include <string>
#include <vector>

#include "standin/replay/trace_replay.h"

namespace {

constexpr const char* kUsage =
    "usage: krvreplay [--template HTML] [--data DIR] TRACE.jsonl OUT.html\n"
    "Writes the one-file 3-D replay of a krvsim trace (format 1).\n";

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
    const standin::TraceReplayResult r =
        standin::write_replay_from_trace(files[0], files[1], template_path, data_dir);
    if (!r.ok) {
        std::fprintf(stderr, r.bad_trace ? "%s\n" : "krvreplay: %s\n", r.error.c_str());
        return 2;
    }
    std::fprintf(stderr, "krvreplay: wrote %s (%zu steps kept)\n", files[1].c_str(), r.kept_steps);
    return 0;
}
