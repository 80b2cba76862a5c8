#include "standin/runner/step_calls.h"

#include <string_view>

namespace standin {

namespace {

// Lengths differ for most names: compared first, they spare the bytes.
bool named(const HostCall& c, std::string_view name) {
    return c.name.size() == name.size() && std::string_view(c.name) == name;
}

bool is_callback(const HostCall& c) {
    return c.name.size() > 6 && c.name[0] == 'V' &&
           std::string_view(c.name).substr(0, 6) == "VESSEL";
}

}  // namespace

StepCallReader::StepCallReader(Host& host, OrbitalWorld& world) : host_(host), world_(world) {
    host_.record_into(&log_);
}

StepCallReader::~StepCallReader() {
    host_.record_into(nullptr);
}

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

    const OBJHANDLE handle = const_cast<VesselRecord&>(vessel).handle();
    const long step = world_.steps();
    const HostAnswers& answers = world_.answers(vessel);
    // Free functions carry no vessel: they belong to the vessel whose
    // callback is running.
    OBJHANDLE running = nullptr;
    for (const HostCall& c : log_.calls()) {
        if (is_callback(c)) {
            running = c.vessel;
            continue;
        }
        const OBJHANDLE owner = c.vessel != nullptr ? c.vessel : running;
        if (owner != handle) continue;
        if (named(c, "SetAnimation") && c.args.size() == 2) {
            const auto anim = static_cast<std::uint32_t>(std::get<std::int64_t>(c.args[0]));
            const double state = std::get<double>(c.args[1]);
            out.set.push_back({anim, state});
            if (anim < last.size()) {
                if ((state == 0.0 || state == 1.0) && last[anim] != state)
                    out.travel_ends.push_back({anim, state});
                last[anim] = state;
            }
        } else if (named(c, "zapiGetObjectByName") && !c.args.empty()) {
            const auto* name = std::get_if<std::string>(&c.args[0]);
            out.host.earth_found =
                name != nullptr && world_.object_by_name(name->c_str()) != nullptr;
        } else if (named(c, "zapiGetGlobalPos") && !c.args.empty()) {
            const auto* object = std::get_if<const void*>(&c.args[0]);
            out.host.earth_pos_m = world_.global_pos(
                object != nullptr ? static_cast<OBJHANDLE>(const_cast<void*>(*object)) : nullptr);
        } else if (named(c, "Global2Local")) {
            if (answers.earth_local_step == step) out.host.earth_local_m = answers.earth_local;
        } else if (named(c, "GetElements")) {
            out.host.orbit_ok = answers.elements_step == step;
            if (*out.host.orbit_ok) {
                out.host.orbit_mean_lon_rad = answers.mean_lon;
                out.host.orbit_period_s = answers.period;
            }
        } else if (named(c, "zapiGetPlanetCurrentRotation")) {
            if (world_.rotation_step() == step)
                out.host.earth_rotation_rad = world_.rotation_answer();
        } else if (named(c, "zapiGetSimMJD")) {
            out.host.sim_mjd = world_.sim_mjd();
        }
    }
}

}  // namespace standin
