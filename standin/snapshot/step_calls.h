// What a vessel's module asked of the host and told it during one step,
// read from the host's record of calls: the answers it received, the
// animations it set and the ends of travel those settings reached.
//
// The one place the trace and the summary learn about host calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/types.h"
#include "standin/core/call_log.h"
#include "standin/core/vessel_record.h"

namespace standin {

// Each answer is present only when the module asked for it in the step.
struct HostAnswersSeen {
    std::optional<bool> earth_found;
    std::optional<VECTOR3> earth_pos_m;    // global frame
    std::optional<VECTOR3> earth_local_m;  // vessel frame
    std::optional<bool> orbit_ok;
    std::optional<double> orbit_mean_lon_rad;  // inertial mean longitude, equator of date
    std::optional<double> orbit_period_s;
    std::optional<double> earth_rotation_rad;
    std::optional<double> sim_mjd;
};

struct AnimationSetting {
    std::uint32_t animation = 0;
    double state = 0.0;
};

struct StepCalls {
    HostAnswersSeen host;
    std::vector<AnimationSetting> set;  // in call order
    // Animations set to 0 or 1 from elsewhere: ends of travel.
    std::vector<AnimationSetting> travel_ends;
};

// Reads one vessel's calls out of the host's log, which holds the calls
// since the run last emptied it (after each step).
class StepCallReader {
public:
    explicit StepCallReader(const CallLog& log) : log_(log) {}

    void read(const VesselRecord& vessel, StepCalls& out);

private:
    const CallLog& log_;
    // The state each animation was last set to, per vessel, for ends of travel.
    std::vector<std::pair<const VesselRecord*, std::vector<double>>> last_set_;
};

}  // namespace standin
