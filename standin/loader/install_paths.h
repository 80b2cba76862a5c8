// Where krvsim finds the host tree (meshes, textures, scenarios), the
// modules and the replay page's template: always relative to the program
// itself, installed or in its build tree; no build machine's path is
// compiled in.
#pragma once

#include <filesystem>

namespace standin {

struct InstallPaths {
    std::filesystem::path data;              // the host tree: Meshes/, Textures/, Scenarios/
    std::filesystem::path modules;           // the modules folder
    std::filesystem::path default_scenario;  // run when no scenario is named
    std::filesystem::path replay_template;   // the viewer's page, filled by --replay
};

// For the program at `program`:
// - installed as <root>/bin/krvsim with the host tree at <root> (Modules/,
//   Scenarios/) and the template in <root>/share/krv/: that tree;
// - in a build tree (the nearest folder above it holding CMakeCache.txt):
//   its data/ (a link the build makes to the host tree), modules/ and
//   viewer/;
// - anywhere else: the installed layout above it, so that messages name
//   the places looked in.
InstallPaths install_paths_for(const std::filesystem::path& program);

// For the running program (symbolic links followed).
InstallPaths install_paths();

}  // namespace standin
