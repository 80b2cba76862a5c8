// What happens in a run besides its steps, one type for every kind: keys,
// burn edges, ends of travel, time warps, attitude modes, relocation plans,
// phases and reports, HUD frames, the world's: a vessel reaching the
// surface, a vessel entering or leaving the Earth's shadow; a live viewer's
// orders.
#pragma once

#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "standin/snapshot/hud_frame.h"
#include "standin/station/keeping_report.h"
#include "standin/station/relocation_plan.h"
#include "standin/station/relocation_report.h"

namespace standin {

struct RunEvent {
    enum class Kind {
        key,         // name: the key; used: per vessel, whether it took it
        burn,        // name: the group; start: its start edge; value: level; role, planned_dv, dv;
                     // manoeuvre, direction
        travel_end,  // name: the animation; value: its state
        warp,        // value: the step length [s] from t
        attitude,    // name: the mode
        plan,        // plan, value: the start it is made for [s]
        relocation,  // name: the phase; refusal when refused
        relocation_report,  // report: the relocation as flown, at the run's end
        hud,                // hud: the frame; shown: false for a frame drawn for a plot sample
        surface,            // the vessel reached the Earth's surface at t and stays there
        eclipse,            // start: into the Earth's penumbra at t; else back into full sunlight
        command,            // a live viewer's order: value: the viewer's number; name: it as JSON
        keeping,            // station keeping began: value the box's centre [deg east],
                            // halfwidth its half-width [deg]; start: north-south too
        keeping_report,     // keeping: station keeping as flown, at the run's end
    };
    static constexpr std::size_t kAllVessels = static_cast<std::size_t>(-1);

    Kind kind = Kind::key;
    double t = 0.0;  // [s]
    std::size_t vessel = kAllVessels;
    std::string name;
    bool start = false;
    double value = 0.0;
    std::vector<bool> used;
    std::string refusal;
    // A relocation's burn: its role (start, trim, stop; empty for others),
    // its planned delta-v and, on its end edge, the delta-v flown [m/s].
    std::string role;
    double planned_dv = std::nan("");
    double dv = std::nan("");
    const RelocationPlan* plan = nullptr;
    const RelocationReport* report = nullptr;
    const KeepingReport* keeping = nullptr;
    double halfwidth = 0.0;  // [deg] keeping
    // A burn of station keeping: manoeuvre "east-west" or "north-south"
    // (empty for other burns), direction the attitude mode it is flown in;
    // its delta-v in planned_dv and dv.
    std::string manoeuvre, direction;
    std::shared_ptr<const HudFrame> hud;
    bool shown = true;
};

}  // namespace standin
