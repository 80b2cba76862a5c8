#include "standin/run/run_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "standin/core/standin_constants.h"
#include "standin/scenario/scenario_file.h"

namespace standin {

namespace {

std::string seconds(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", t);
    return buf;
}

void check_step(const std::string& option, double dt, double shortest) {
    if (dt < shortest)
        throw std::runtime_error(option + ": a step of " + seconds(dt) +
                                 " s is too short for this run's times; at least " +
                                 seconds(shortest) + " s (1e-6 s, and 1e-12 of the time)");
}

void check_begins_before_end(const std::string& option, double t, double until, double eps) {
    if (t >= until - eps)
        throw std::runtime_error(option + ": " + seconds(t) +
                                 " s is at the run's end; it must begin before " + seconds(until) +
                                 " s");
}

}  // namespace

double min_step(double t) {
    return std::max(1e-6, 1e-12 * std::fabs(t));
}

double time_tolerance(const Options& o) {
    double shortest = o.dt;
    for (const auto& w : o.warps) shortest = std::min(shortest, w.dt);
    return 1e-3 * shortest;
}

void check_run_times(const Options& o, double start, double until, double start_mjd, double eps) {
    const double shortest = min_step(std::max(std::fabs(start), std::fabs(until)));
    check_step("--dt", o.dt, shortest);
    for (const auto& w : o.warps) check_step("--warp " + w.text, w.dt, shortest);
    if (o.hud_every && *o.hud_every < shortest)
        throw std::runtime_error("--hud-every: " + seconds(*o.hud_every) +
                                 " s is shorter than the run's shortest step, " +
                                 seconds(shortest) + " s");
    for (const auto& b : o.burns)
        check_begins_before_end("--burn " + b.group_name, b.time, until, eps);
    for (const auto& w : o.warps) check_begins_before_end("--warp " + w.text, w.time, until, eps);
    if (o.relocate) {
        check_begins_before_end("--relocate " + o.relocate->text, o.relocate->time, until, eps);
        const double stop = o.relocate->time + (o.relocate->orbits + 1) * kSiderealDay;
        if (stop > kScenarioLastTime || start_mjd + (stop - start) / 86400.0 > kScenarioLastMjd)
            throw std::runtime_error("--relocate " + o.relocate->text +
                                     ": the stop burn would come after what a scenario can hold "
                                     "(the year 2100); fewer drift orbits");
    }
    for (const auto& f : o.faults)
        if (f.to <= start || f.from >= until)
            throw std::runtime_error("--fault " + seconds(f.from) + ":" + seconds(f.to) +
                                     ": the window lies wholly outside the run (" + seconds(start) +
                                     " s to " + seconds(until) + " s)");
}

}  // namespace standin
