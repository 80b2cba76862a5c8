// Reads a mesh from a Wavefront OBJ file.
//
// Group numbers come from the group names: a group named "group_NN_label"
// (or plain "group_NN") is group NN, decimal. Every group of the file must
// be named that way and no number may repeat, so that what a file means
// does not depend on how a 3-D tool happened to order its groups.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "standin/mesh/mesh.h"

namespace standin {

// The mesh, or nothing with the reason in *error.
std::optional<Mesh> read_obj_mesh(const std::filesystem::path& file, std::string* error);

// The number a group name carries, or nothing if it does not follow the
// "group_NN[_label]" form.
std::optional<std::uint32_t> group_number_of(const std::string& name);

}  // namespace standin
