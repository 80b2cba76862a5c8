// Station keeping as a run reports it: the box, the manoeuvres as flown and
// how well the box was kept, with the figures scaled to a year of flight.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "standin/station/relocation_executor.h"
#include "standin/world/attitude_mode.h"

namespace standin {

// One manoeuvre: east-west (along or against the velocity, setting the
// drift) or north-south (along or against the orbit normal, turning the
// orbit's plane).
struct KeepingBurn {
    bool north_south = false;
    AttitudeMode mode = AttitudeMode::prograde;  // where the main engine pushes
    ExecutedBurn burn;
};

const char* manoeuvre_name(const KeepingBurn& b);  // "east-west", "north-south"

struct KeepingReport {
    std::string vessel;      // UTF-8
    double lon = 0.0;        // [deg] east
    double halfwidth = 0.0;  // [deg]
    bool ns = false;
    double drift_acceleration = 0.0;  // [deg/day^2] at lon, east positive, as planned with
    double start = std::nan("");      // [s] keeping began; NaN: never
    double end = std::nan("");        // [s] the run's end
    std::string stopped;              // why keeping stopped before the end; empty: it did not
    std::vector<KeepingBurn> burns;
    // The mean longitude (a line fitted over a sidereal day, at its centre)
    // from half a day after the start to half a day before the end.
    double measured_s = 0.0;         // [s] of mean longitudes
    double outside_s = 0.0;          // [s] of them outside the box
    double largest_excursion = 0.0;  // [deg] |mean longitude - lon|
    double start_inclination = 0.0;  // [deg]
    // [deg] from the start, or with north-south keeping of an inclination
    // beyond the half-width at the start, from the first north-south burn
    double largest_inclination = 0.0;
    double final_inclination = 0.0;  // [deg]
    double propellant_start = 0.0;   // [kg] all tanks, at the start
    double propellant_end = 0.0;     // [kg] all tanks, at the end
};

// The figures a report sums, for the kept interval and scaled to a year.
struct KeepingFigures {
    double kept_s = 0.0;              // [s] start to end
    double per_year = 0.0;            // factor from the kept interval to 365.25 days
    double ew_dv = 0.0, ns_dv = 0.0;  // [m/s] flown
    double burn_propellant = 0.0;     // [kg] drawn in the burns
    double propellant = 0.0;          // [kg] drawn while keeping, turns included
    int ew_count = 0, ns_count = 0;
    double outside_fraction = 0.0;  // of the measured time
};
KeepingFigures keeping_figures(const KeepingReport& r);

// A few lines for people, each starting with indent.
std::string keeping_text(const KeepingReport& r, const std::string& indent);

}  // namespace standin
