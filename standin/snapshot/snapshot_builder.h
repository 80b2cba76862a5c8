// Makes the step snapshot after each step: the world's state of every
// vessel, the answers its module received and what it set (from the host's
// log of calls, when one is kept), the Earth's and the Sun's directions,
// longitudes, propellant, thrust and each dish's pointing.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "standin/core/session.h"
#include "standin/profiles/vessel_profile.h"
#include "standin/snapshot/pointing_gauge.h"
#include "standin/snapshot/step_calls.h"
#include "standin/snapshot/step_snapshot.h"
#include "standin/snapshot/sun_track.h"
#include "standin/station/relocation_executor.h"
#include "standin/station/true_motion.h"
#include "standin/world/orbital_world.h"

namespace standin {

// When the vessels' own scenario lines are taken (asking the module for
// them is a call of its own): on every lines_every-th step the trace
// keeps, that is every keep_every-th step and the last (ending at or after
// `last` [s]). lines_every 0: never.
struct LinesRule {
    int lines_every = 0;
    int keep_every = 1;
    double last = INFINITY;
};

class SnapshotBuilder {
public:
    // calls: the host's log, emptied by the run after each snapshot's
    // observers; null when none is kept.
    SnapshotBuilder(OrbitalWorld& world, Session& session, std::vector<SessionVessel*> vessels,
                    const CallLog* calls, LinesRule lines);

    // After step n of dt seconds.
    const StepSnapshot& take(long n, double dt);
    const StepSnapshot& last() const { return snapshot_; }

private:
    OrbitalWorld& world_;
    Session& session_;
    std::vector<SessionVessel*> vessels_;
    const CallLog* calls_;
    LinesRule lines_;
    std::unique_ptr<StepCallReader> reader_;
    std::vector<StepCalls> step_calls_;
    std::vector<PointingGauge> gauges_;
    std::vector<const VesselProfile*> profiles_;
    // Per vessel: the main engine's exhaust speed [m/s] and, as of the last
    // snapshot, its propellant drawn and all propellant left [kg].
    struct MainEngineUse {
        double exhaust_m_s = 0.0;
        double used_kg = 0.0;
        double propellant_kg = 0.0;
    };
    std::vector<MainEngineUse> main_;
    // Per vessel: the true-motion fit, and the propellant [kg] the groups
    // that move the vessel had drawn as of the last snapshot.
    std::vector<TrueMotionFit> true_motion_;
    std::vector<double> moving_used_kg_;
    SunTrack sun_;
    StepSnapshot snapshot_;
};

}  // namespace standin
