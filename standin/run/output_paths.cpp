#include "standin/run/output_paths.h"

#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

namespace standin {

namespace {

namespace fs = std::filesystem;

struct Named {
    std::string option;
    std::string path;
};

// One spelling per file: folders' links resolved, "." and ".." gone.
fs::path identity(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::path(path).lexically_normal() : p;
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec) return true;
    return identity(a) == identity(b);
}

const char* kind_name(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "a folder";
        case fs::file_type::symlink:
            return "a symbolic link";
        case fs::file_type::block:
        case fs::file_type::character:
            return "a device";
        case fs::file_type::fifo:
            return "a pipe";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "not a regular file";
    }
}

}  // namespace

void check_output_paths(const Options& o, const std::string& scenario) {
    std::vector<Named> outputs;
    for (const auto& [option, path] : {std::pair<const char*, const std::string&>{"--save", o.save},
                                       {"--summary", o.summary},
                                       {"--trace", o.trace},
                                       {"--calls", o.calls},
                                       {"--replay", o.replay},
                                       {"--poses-out", o.poses_out},
                                       {"--record", o.record}})
        if (!path.empty() && path != "-") outputs.push_back({option, path});
    // Written over by a rename, a link or a device would be replaced.
    for (const Named& out : outputs) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(out.path, ec);
        if (!ec && status.type() != fs::file_type::regular &&
            status.type() != fs::file_type::not_found)
            throw std::runtime_error(out.option + ": '" + out.path + "' is " +
                                     kind_name(status.type()) +
                                     "; an output is a regular file or standard output (-)");
    }
    std::error_code ec;
    if (!o.svg.empty() && fs::exists(fs::symlink_status(o.svg, ec)) && !fs::is_directory(o.svg, ec))
        throw std::runtime_error("--svg: '" + o.svg + "' is not a folder");
    // The SVGs' own names in that folder: hud_NNN_<vessel>.svg, overview_<vessel>.svg.
    if (!o.svg.empty())
        for (const Named& out : outputs) {
            const fs::path p(out.path);
            const std::string name = p.filename().string();
            const bool svg_name = p.extension() == ".svg" &&
                                  (name.rfind("hud_", 0) == 0 || name.rfind("overview_", 0) == 0);
            if (svg_name &&
                identity(p.has_parent_path() ? p.parent_path().string() : ".") == identity(o.svg))
                throw std::runtime_error(out.option + " '" + out.path + "' is a name --svg '" +
                                         o.svg +
                                         "' may write; each output needs a path of its own");
        }
    std::vector<Named> inputs{{"the scenario", scenario}};
    if (!o.poses.empty() && o.poses != "-") inputs.push_back({"--poses", o.poses});
    if (!o.config.empty()) inputs.push_back({"--config", o.config});
    for (const Named& out : outputs)
        for (const Named& in : inputs)
            if (same_file(out.path, in.path))
                throw std::runtime_error(out.option + " '" + out.path + "' is " + in.option + " '" +
                                         in.path +
                                         "' this run reads; an output never writes over an input");
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (same_file(outputs[i].path, outputs[j].path))
                throw std::runtime_error(outputs[i].option + " '" + outputs[i].path + "' and " +
                                         outputs[j].option + " '" + outputs[j].path +
                                         "' are one file; each output needs a path of its own");
}

}  // namespace standin
