#include "standin/runner/trace_writer.h"

#include <cmath>
#include <stdexcept>

#include "standin/core/standin_constants.h"
#include "standin/runner/json_text.h"

namespace standin {

namespace {

std::string num(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return buf;
}

// What the host answered one vessel among a step's calls.
struct StepAnswers {
    const VECTOR3* earth_local = nullptr;  // [m] the Earth's centre, vessel frame
    const HostCall* orbit = nullptr;       // GetElements in the equator's frame
    const double* earth_rotation = nullptr;
};

StepAnswers answers_of(const CallLog& calls, const std::string& vessel) {
    StepAnswers a;
    const void* earth = nullptr;
    const VECTOR3* earth_pos = nullptr;
    for (const HostCall& c : calls.calls()) {
        if (c.caller != vessel) continue;
        if (c.name == "zapiGetObjectByName" && c.arg<std::string>("name") == "Earth") {
            earth = c.result<const void*>();
        } else if (c.name == "zapiGetGlobalPos" && earth != nullptr &&
                   c.arg<const void*>("object") == earth && !c.answers.empty()) {
            earth_pos = &c.answer<VECTOR3>("pos");
        } else if (c.name == "Global2Local" && earth_pos != nullptr) {
            const VECTOR3& g = c.arg<VECTOR3>("global");
            if (g.x == earth_pos->x && g.y == earth_pos->y && g.z == earth_pos->z)
                a.earth_local = &c.answer<VECTOR3>("local");
        } else if (c.name == "GetElements" && c.arg<std::int64_t>("frame") == 1 &&
                   c.result<bool>() && c.arg<const void*>("prm") != nullptr) {
            a.orbit = &c;
        } else if (c.name == "zapiGetPlanetCurrentRotation" && earth != nullptr &&
                   c.arg<const void*>("planet") == earth) {
            a.earth_rotation = &c.result<double>();
        }
    }
    return a;
}

}  // namespace

TraceWriter::TraceWriter(const std::string& path, int own_lines_every)
    : file_(std::fopen(path.c_str(), "w")), own_lines_every_(own_lines_every) {
    if (file_ == nullptr) throw std::runtime_error("cannot write the trace file '" + path + "'");
}

TraceWriter::~TraceWriter() {
    std::fclose(file_);
}

void TraceWriter::step(Simulation& sim, const CallLog& step_calls) {
    OrbitalWorld& w = sim.world();
    const long step = w.steps();
    std::string out = "{\"t\":" + num(w.sim_time()) + ",\"step\":" + std::to_string(step) +
                      ",\"mjd\":" + num(w.sim_mjd()) + ",\"vessels\":[";
    bool first = true;
    for (SessionVessel* v : sim.vessels()) {
        const VesselRecord& r = *v->record;
        const StepAnswers a = answers_of(step_calls, r.name);
        out += first ? "{" : ",{";
        first = false;
        out += "\"name\":" + json_string(r.name) + ",\"host\":{\"earth_local\":";
        if (a.earth_local != nullptr)
            out += "[" + num(a.earth_local->x) + "," + num(a.earth_local->y) + "," +
                   num(a.earth_local->z) + "]";
        else
            out += "null";
        out += ",\"mean_lon\":" +
               (a.orbit ? num(a.orbit->answer<double>("prm.mean_lon")) : std::string("null"));
        out += ",\"period\":" +
               (a.orbit ? num(a.orbit->answer<double>("prm.period")) : std::string("null"));
        out += ",\"earth_rotation\":" +
               (a.earth_rotation ? num(*a.earth_rotation) : std::string("null"));
        out += ",\"propellant_kg\":" + (r.tanks.empty() ? "null" : num(r.tanks.front().mass));
        out += "},\"anim\":[";
        for (std::size_t i = 0; i < r.animations.size(); ++i)
            out += (i ? "," : "") + num(r.animations[i].state);
        out += "],\"pointing_error_deg\":[" + num(w.dish_earth_angle(r, 1) * kDegPerRad) + "," +
               num(w.dish_earth_angle(r, 2) * kDegPerRad) + "]";
        if (own_lines_every_ > 0 && step % own_lines_every_ == 0) {
            out += ",\"scenario\":[";
            const auto lines = sim.vessel_own_lines(*v);
            for (std::size_t i = 0; i < lines.size(); ++i)
                out += (i ? "," : "") + json_string(lines[i]);
            out += "]";
        }
        out += "}";
    }
    out += "]}\n";
    std::fputs(out.c_str(), file_);
}

}  // namespace standin
