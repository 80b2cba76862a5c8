#include "standin/snapshot/step_calls.h"

#include <string_view>

namespace standin {

namespace {

// Lengths differ for most names: compared first, they spare the bytes.
bool named(const HostCall& c, std::string_view name) {
    return c.name.size() == name.size() && std::string_view(c.name) == name;
}

}  // namespace

void StepCallReader::read(const VesselRecord& vessel, StepCalls& out) {
    out.host = HostAnswersSeen{};
    out.set.clear();
    out.travel_ends.clear();
    auto slot = last_set_.begin();
    while (slot != last_set_.end() && slot->first != &vessel) ++slot;
    if (slot == last_set_.end()) {
        std::vector<double> states;
        for (const auto& a : vessel.animations) states.push_back(a.state);
        last_set_.emplace_back(&vessel, std::move(states));
        slot = last_set_.end() - 1;
    }
    std::vector<double>& last = slot->second;

    // A call belongs to the vessel whose callback made it; free functions
    // carry no vessel of their own.
    for (const HostCall& c : log_.calls()) {
        if (c.caller != vessel.name) continue;
        if (named(c, "SetAnimation")) {
            const auto anim = static_cast<std::uint32_t>(c.arg<std::int64_t>("anim"));
            const double state = c.arg<double>("state");
            out.set.push_back({anim, state});
            if (anim < last.size()) {
                if ((state == 0.0 || state == 1.0) && last[anim] != state)
                    out.travel_ends.push_back({anim, state});
                last[anim] = state;
            }
        } else if (named(c, "zapiGetObjectByName")) {
            out.host.earth_found = c.result<const void*>() != nullptr;
        } else if (named(c, "zapiGetGlobalPos") && !c.answers.empty()) {
            out.host.earth_pos_m = c.answer<VECTOR3>("pos");
        } else if (named(c, "Global2Local")) {
            out.host.earth_local_m = c.answer<VECTOR3>("local");
        } else if (named(c, "GetElements")) {
            out.host.orbit_ok = c.result<bool>();
            if (*out.host.orbit_ok && c.arg<const void*>("prm") != nullptr) {
                out.host.orbit_mean_lon_rad = c.answer<double>("prm.mean_lon");
                out.host.orbit_period_s = c.answer<double>("prm.period");
            }
        } else if (named(c, "zapiGetPlanetCurrentRotation")) {
            out.host.earth_rotation_rad = c.result<double>();
        } else if (named(c, "zapiGetSimMJD")) {
            out.host.sim_mjd = c.result<double>();
        }
    }
}

}  // namespace standin
