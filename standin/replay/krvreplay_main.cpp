// krvreplay: the replay page of a trace written earlier (krvsim --trace).
//
//   krvreplay [--template HTML] [--data DIR] TRACE.jsonl OUT.html
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "standin/loader/install_paths.h"
#include "standin/replay/trace_replay.h"

namespace {

constexpr const char* kUsage =
    "usage: krvreplay [--template HTML] [--data DIR] TRACE.jsonl OUT.html\n"
    "Writes the one-file 3-D replay of a krvsim trace (format 1).\n";

// Why the page may not be written to `out`, or the empty string: it is
// renamed into place, so anything but a regular file would be replaced.
std::string output_refusal(const std::string& trace, const std::string& out) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(out, ec);
    if (status.type() == fs::file_type::directory) return "is a folder; a file name is needed";
    if (!ec && status.type() != fs::file_type::regular && status.type() != fs::file_type::not_found)
        return "is not a regular file; the page goes to a regular file";
    if (fs::equivalent(trace, out, ec) && !ec) return "is the trace it is made from";
    const fs::path folder = fs::path(out).has_parent_path() ? fs::path(out).parent_path() : ".";
    if (!fs::is_directory(folder, ec)) return "its folder does not exist";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const standin::InstallPaths paths = standin::install_paths();
    std::string template_path = paths.replay_template.string(), data_dir = paths.data.string();
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h" || a == "--version") {
            std::fputs(a == "--version" ? "krvreplay 1.0\n" : kUsage, stdout);
            if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
                std::fprintf(stderr, "krvreplay: %s: standard output cannot be written\n",
                             a.c_str());
                return 2;
            }
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
    if (const std::string why = output_refusal(files[0], files[1]); !why.empty()) {
        std::fprintf(stderr, "krvreplay: %s: %s\n", files[1].c_str(), why.c_str());
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
