#include "standin/mesh/obj_mesh_reader.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cctype>
#include <map>

namespace standin {

std::optional<std::uint32_t> group_number_of(const std::string& name) {
    const std::string prefix = "group_";
    if (name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    std::size_t i = prefix.size();
    std::uint64_t number = 0;
    std::size_t digits = 0;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])) && digits < 9) {
        number = number * 10 + static_cast<std::uint64_t>(name[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < name.size() && name[i] != '_') return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

namespace {

// The shape's faces as a group with its own compact vertex list; nothing if
// a face names a vertex the file does not hold.
std::optional<MeshGroup> group_from(const tinyobj::attrib_t& attrib, const tinyobj::shape_t& shape,
                                    std::uint32_t number) {
    MeshGroup g;
    g.number = number;
    g.name = shape.name;
    std::map<int, std::uint32_t> local;  // file vertex index -> group vertex index
    auto vertex = [&](int file_index) {
        auto it = local.find(file_index);
        if (it != local.end()) return it->second;
        const auto at = static_cast<std::size_t>(file_index) * 3;
        g.vertices.push_back(
            VECTOR3{attrib.vertices[at], attrib.vertices[at + 1], attrib.vertices[at + 2]});
        const auto id = static_cast<std::uint32_t>(g.vertices.size() - 1);
        local.emplace(file_index, id);
        return id;
    };
    const std::size_t vertex_count = attrib.vertices.size() / 3;
    const auto& idx = shape.mesh.indices;
    for (const auto& corner : idx)
        if (corner.vertex_index < 0 ||
            static_cast<std::size_t>(corner.vertex_index) >= vertex_count)
            return std::nullopt;
    // The reader triangulates, so every face has three corners.
    for (std::size_t f = 0; f + 2 < idx.size(); f += 3)
        g.triangles.push_back({vertex(idx[f].vertex_index), vertex(idx[f + 1].vertex_index),
                               vertex(idx[f + 2].vertex_index)});
    return g;
}

}  // namespace

std::optional<Mesh> read_obj_mesh(const std::filesystem::path& file, std::string* error) {
    auto fail = [error](std::string why) -> std::optional<Mesh> {
        if (error != nullptr) *error = std::move(why);
        return std::nullopt;
    };
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    config.mtl_search_path = file.parent_path().string();
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(file.string(), config)) {
        std::string why = reader.Error();
        while (!why.empty() && std::isspace(static_cast<unsigned char>(why.back()))) why.pop_back();
        return fail(why.empty() ? "cannot be read" : why);
    }

    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    Mesh mesh;
    for (const tinyobj::shape_t& shape : reader.GetShapes()) {
        const auto number = group_number_of(shape.name);
        if (!number) return fail("group \"" + shape.name + "\" is not named group_NN_label");
        if (mesh.group(*number) != nullptr)
            return fail("group number " + std::to_string(*number) + " appears twice");
        auto group = group_from(attrib, shape, *number);
        if (!group) return fail("group \"" + shape.name + "\" names a vertex the file lacks");
        mesh.groups.push_back(std::move(*group));
    }
    if (mesh.groups.empty()) return fail("holds no faces");
    std::sort(mesh.groups.begin(), mesh.groups.end(),
              [](const MeshGroup& a, const MeshGroup& b) { return a.number < b.number; });
    return mesh;
}

}  // namespace standin
