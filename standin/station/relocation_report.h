// A relocation as a run reports it: the plan, the burns as flown and where
// the vessel came to rest.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "standin/station/relocation_executor.h"

namespace standin {

struct RelocationReport {
    std::string vessel;       // UTF-8
    double order_time = 0.0;  // [s]
    double target_lon = 0.0;  // [deg] east
    int orbits = 0;
    RelocationPlan plan;  // as made at the order's time (or forecast at the start)
    std::vector<ExecutedBurn> burns;
    std::string phase;
    // Once arrived (NaN before): the mean sub-satellite longitude, its
    // signed distance from the target and the drift left.
    double arrival_lon = std::nan("");    // [deg] east
    double arrival_error = std::nan("");  // [deg] east positive
    double arrival_drift = std::nan("");  // [deg per orbit] east positive
    double arrival_time = std::nan("");   // [s] end of the stop burn
};

// "102.00°W", "75.50°E" (UTF-8).
std::string longitude_words(double east);

// The plan in a few lines for people, each starting with indent.
std::string relocation_plan_text(const RelocationReport& r, const std::string& indent);

}  // namespace standin
