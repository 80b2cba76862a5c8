// A world whose every answer a test sets by hand.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "standin/core/world.h"

namespace standin {

class ScriptedWorld : public World {
public:
    ScriptedWorld();

    // The answers. The Earth is the one named object; earth_present false
    // makes the lookup answer null.
    double time = 0.0;     // [s]
    double mjd = 58470.0;  // [days]
    bool earth_present = true;
    VECTOR3 earth_pos{0.0, 0.0, 0.0};  // [m] global
    double earth_rotation = 0.0;       // [rad]
    // The vessel frame: local = axes * (global - vessel_pos), rows of axes
    // being the vessel's x, y, z axes in global coordinates.
    VECTOR3 vessel_pos{0.0, 0.0, 0.0};
    VECTOR3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    bool elements_ok = true;
    ELEMENTS orbit_elements{};
    ORBITPARAM orbit_params{};
    std::optional<int> date_answer;  // overrides the calendar conversion

    // Places the vessel so that the Earth lies at local in its frame.
    void set_earth_local(const VECTOR3& local);

    // The host's own lines it was handed back, in order, with their status.
    struct ParsedLine {
        std::string line;
        void* status;
        std::size_t index;  // the line's place in the block, from the status
    };
    std::vector<ParsedLine> parsed_lines;
    // Lines the host writes first into each vessel block it saves.
    std::vector<std::string> own_lines;

    OBJHANDLE earth() const;

    double sim_time() const override { return time; }
    double sim_mjd() const override { return mjd; }
    OBJHANDLE object_by_name(const char* name) override;
    VECTOR3 global_pos(OBJHANDLE object) override;
    double planet_rotation(OBJHANDLE planet) override;
    VECTOR3 global_to_local(const VesselRecord& vessel, const VECTOR3& global) override;
    bool elements(const VesselRecord& vessel, OBJHANDLE ref, ELEMENTS& el, ORBITPARAM* prm,
                  double mjd, int frame) override;
    int date_to_int(const char* date) override;
    void write_vessel_lines(const VesselRecord& vessel, ScenarioBlock& block) override;
    void parse_vessel_line(VesselRecord& vessel, const char* line, void* status) override;
    void advance(double dt) override { time += dt; }

private:
    int earth_object_ = 0;  // its address is the Earth's handle
};

}  // namespace standin
