// The meshes of the host's installation, found by the names modules use.
//
// A name such as "krv/krv" is the file Meshes/krv/krv.obj of the
// installation. Each mesh is read once, on first use, and kept for the
// host's life. A name that does not resolve is reported once on stderr and
// answered with null: the vessel then flies without a visual, as in any
// host with a broken installation.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "standin/mesh/mesh.h"

namespace standin {

class MeshLibrary {
public:
    explicit MeshLibrary(std::filesystem::path installation);

    const Mesh* find(const std::string& name);

    // The file a mesh name stands for; empty for a name that could reach
    // outside the installation's Meshes folder.
    std::filesystem::path file_of(const std::string& name) const;

    // Names that did not resolve, each once, in order.
    const std::vector<std::string>& unresolved() const { return unresolved_; }

private:
    std::filesystem::path installation_;
    std::map<std::string, std::unique_ptr<Mesh>> meshes_;  // null: did not resolve
    std::vector<std::string> unresolved_;
};

}  // namespace standin
