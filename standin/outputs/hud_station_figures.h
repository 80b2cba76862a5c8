// The station-keeping figures read back from the texts a KRV drew on its
// HUD, exactly as it printed them (Latin-1 bytes, the degree sign 0xB0).
#pragma once

#include <optional>
#include <vector>

#include "standin/core/recording_sketchpad.h"

namespace standin {

struct HudStationFigures {
    std::optional<double> remaining_dv;     // [m/s]
    std::optional<double> mean_lon;         // [deg] east, 0..360 (a west figure w is 360 - w)
    std::optional<double> angle_east;       // [deg]
    std::optional<double> angle_west;       // [deg]
    std::optional<double> drift_rate;       // [deg per orbit] east positive
    std::optional<double> orbits_required;  // [orbits]
};

// Each figure from the first text of its form; a figure whose text is
// missing or does not read as a number stays empty.
HudStationFigures read_hud_station_figures(const std::vector<DrawnText>& texts);

}  // namespace standin
