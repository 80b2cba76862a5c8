// What a step left behind, made once after each step: every quantity an
// output shows is worked out here, by the world or by a small function
// beside it, never by an output.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/types.h"
#include "standin/core/call_log.h"
#include "standin/snapshot/step_calls.h"
#include "standin/world/quaternion.h"
#include "standin/world/state_vector.h"

namespace standin {

struct VesselStep {
    StateVector state;    // global frame
    Quaternion q;         // vessel to global
    VECTOR3 rate{};       // [rad/s] vessel frame
    VECTOR3 earth_dir{};  // unit, vessel frame
    double earth_dist_m = 0.0;
    VECTOR3 sun_dir{};          // unit, vessel frame
    double lon_deg = 0.0;       // [deg] east, 0..360: the sub-satellite point's
    double mean_lon_deg = 0.0;  // [deg] east, 0..360: the orbit's mean longitude over the ground
    double period_s = 0.0;      // [s] the orbit's
    // The true motion over the ground (standin/station/true_motion.h): the
    // mean surface longitude [deg] east, 0..360, and its drift [deg/day]
    // east positive, fitted over the last sidereal day; absent until a
    // sidereal day has passed since the start or since the last step in
    // which a thruster that moves the vessel (not one that only turns it)
    // drew propellant.
    std::optional<double> true_lon_deg;
    std::optional<double> true_drift_deg_day;
    HostAnswersSeen host;            // the answers the module received in the step
    std::vector<double> anim;        // states, by id
    std::vector<std::uint32_t> set;  // animations the module set, in call order
    std::vector<AnimationSetting> travel_ends;
    std::vector<double> tank_kg;  // per tank
    double propellant_kg = 0.0;   // all tanks
    double mass_kg = 0.0;         // the vessel's whole mass
    std::vector<double> thrust;   // levels [0..1], by group
    // [kg] propellant each group's thrusters drew since the start, by group
    // (attitude groups draw within steps whose end shows them idle).
    std::vector<double> group_used_kg;
    // [m/s] the main engine's share of the velocity change since the start:
    // its propellant alone through the rocket equation, step by step.
    double main_dv_m_s = 0.0;
    // The dishes of the vessel's profile, when it has them.
    bool pointed = false;
    std::array<double, 2> pointing_error_deg{};
    int earth_dish = 0;  // 1 or 2: the one nearer the Earth, booms out; 0: none
    // The vessel's own scenario lines, on the steps they are taken.
    bool has_lines = false;
    std::vector<std::string> lines;
};

struct StepSnapshot {
    long n = 0;             // 0: the start's step of no length
    double t = 0.0;         // [s]
    double mjd = 0.0;       // [days]
    double dt = 0.0;        // [s]
    double rotation = 0.0;  // [rad] the Earth's
    std::vector<VesselStep> vessels;
    // The host's calls since the last snapshot's; null when not recorded.
    const CallLog* calls = nullptr;
};

}  // namespace standin
