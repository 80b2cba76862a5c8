#include "standin/mesh/mesh.h"

namespace standin {

const MeshGroup* Mesh::group(std::uint32_t number) const {
    for (const MeshGroup& g : groups)
        if (g.number == number) return &g;
    return nullptr;
}

}  // namespace standin
