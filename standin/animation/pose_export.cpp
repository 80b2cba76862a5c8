#include "standin/animation/pose_export.h"

#include "standin/json/json_number.h"

namespace standin {

std::string posed_groups_json(const VesselRecord& vessel, std::uint32_t mesh,
                              const std::vector<AnimationStates>& sets) {
    std::string out = "{\"mesh\":" + std::to_string(mesh) + ",\"sets\":[";
    bool first_set = true;
    for (const AnimationStates& states : sets) {
        if (!first_set) out += ',';
        first_set = false;
        out += "{\"states\":[";
        for (std::size_t i = 0; i < states.size(); ++i) {
            if (i != 0) out += ',';
            append_json_number(out, states[i]);
        }
        out += "],\"groups\":{";
        const AnimatedMesh posed(vessel, mesh, states);
        const Mesh* geometry = posed.geometry();
        bool first_group = true;
        for (const MeshGroup& g :
             geometry != nullptr ? geometry->groups : std::vector<MeshGroup>{}) {
            if (!first_group) out += ',';
            first_group = false;
            out += '"' + std::to_string(g.number) + "\":[";
            bool first_vertex = true;
            for (const VECTOR3& v : posed.group_vertices(g.number)) {
                if (!first_vertex) out += ',';
                first_vertex = false;
                append_json_vector(out, v);
            }
            out += ']';
        }
        out += "}}";
    }
    out += "]}";
    return out;
}

}  // namespace standin
