// Where krvsim finds the host tree (meshes, textures, scenarios) and the
// modules: beside the installed program, or, run from the build tree, where
// the build put them.
#pragma once

#include <filesystem>

namespace standin {

struct InstallPaths {
    std::filesystem::path data;              // the host tree: Meshes/, Textures/, Scenarios/
    std::filesystem::path modules;           // the modules folder
    std::filesystem::path default_scenario;  // run when no scenario is named
    std::filesystem::path replay_template;   // the viewer's page, filled by --replay
};

// For the program at `program`: installed as <root>/bin/krvsim with the
// host tree at <root> (Modules/, Scenarios/) and the viewer's page template
// in <root>/share/krv/, the paths in that tree; otherwise the build tree's.
InstallPaths install_paths_for(const std::filesystem::path& program);

// For the running program, found through /proc/self/exe (symbolic links
// followed); the build tree's paths when that cannot be read.
InstallPaths install_paths();

}  // namespace standin
