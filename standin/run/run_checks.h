// What a run's times must satisfy beyond each option's own form, checked
// once the scenario gives the start: steps that move the time, and every
// time an option names inside the run.
#pragma once

#include "standin/run/options.h"

namespace standin {

// [s] the shortest step at time t: 1e-6 s, and 1e-12 of |t| where that is
// more (a step shorter than a few units in the last place of t would not
// move the time).
double min_step(double t);

// The step (--dt, each --warp) and --hud-every are at least min_step of the
// run's latest time; a burn, a warp and a relocation begin before the end
// (within the run's tolerance of it counts as at it); a relocation's stop
// burn falls before the year 2100; each --fault window overlaps the run.
// Keys, attitude modes and HUD frames at the end time are acted on there.
// Throws std::runtime_error naming the option.
void check_run_times(const Options& o, double start, double until, double start_mjd, double eps);

// [s] the run's tolerance: times this close count as reached; a thousandth
// of its shortest step.
double time_tolerance(const Options& o);

}  // namespace standin
