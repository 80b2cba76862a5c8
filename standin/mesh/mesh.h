// A vessel mesh as the stand-in host holds it: numbered groups of
// triangles, in the mesh's own frame [m].
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/types.h"

namespace standin {

struct MeshGroup {
    std::uint32_t number = 0;  // the number animations name the group by
    std::string name;
    std::vector<VECTOR3> vertices;                        // each vertex once, in order of first use
    std::vector<std::array<std::uint32_t, 3>> triangles;  // indices into vertices
};

struct Mesh {
    std::vector<MeshGroup> groups;  // ascending by number

    // The group of that number, or null.
    const MeshGroup* group(std::uint32_t number) const;
};

}  // namespace standin
