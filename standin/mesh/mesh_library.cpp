#include "standin/mesh/mesh_library.h"

#include <cstdio>

#include "standin/mesh/obj_mesh_reader.h"

namespace standin {

MeshLibrary::MeshLibrary(std::filesystem::path installation)
    : installation_(std::move(installation)) {}

std::filesystem::path MeshLibrary::file_of(const std::string& name) const {
    const std::filesystem::path relative(name);
    // has_root_directory too: on Windows "/etc/x" is not absolute (no
    // drive) yet would still leave the installation.
    if (name.empty() || relative.is_absolute() || relative.has_root_name() ||
        relative.has_root_directory())
        return {};
    for (const auto& part : relative)
        if (part == "..") return {};
    return installation_ / "Meshes" / (name + ".obj");
}

const Mesh* MeshLibrary::find(const std::string& name) {
    auto known = meshes_.find(name);
    if (known != meshes_.end()) return known->second.get();

    std::unique_ptr<Mesh> mesh;
    std::string why;
    const auto file = file_of(name);
    if (file.empty()) {
        why = "is not a name inside the installation";
    } else if (!std::filesystem::is_regular_file(file)) {
        why = "has no file " + file.string();
    } else if (auto read = read_obj_mesh(file, &why)) {
        mesh = std::make_unique<Mesh>(std::move(*read));
    } else {
        why = file.string() + ": " + why;
    }
    if (mesh == nullptr) {
        unresolved_.push_back(name);
        std::fprintf(stderr, "stand-in host: mesh \"%s\" %s; the vessel has no visual\n",
                     name.c_str(), why.c_str());
    }
    return meshes_.emplace(name, std::move(mesh)).first->second.get();
}

}  // namespace standin
