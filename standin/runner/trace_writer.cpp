#include "standin/runner/trace_writer.h"

#include <cmath>
#include <stdexcept>

#include "standin/runner/latin1.h"

namespace standin {

namespace {

constexpr double kDegPerRad = 57.29577951308232;

std::string num(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return buf;
}

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : latin1_to_utf8(s)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

TraceWriter::TraceWriter(const std::string& path, int own_lines_every)
    : file_(std::fopen(path.c_str(), "w")), own_lines_every_(own_lines_every) {
    if (file_ == nullptr) throw std::runtime_error("cannot write the trace file '" + path + "'");
}

TraceWriter::~TraceWriter() {
    std::fclose(file_);
}

void TraceWriter::step(Simulation& sim) {
    OrbitalWorld& w = sim.world();
    const long step = w.steps();
    std::string out = "{\"t\":" + num(w.sim_time()) + ",\"step\":" + std::to_string(step) +
                      ",\"mjd\":" + num(w.sim_mjd()) + ",\"vessels\":[";
    bool first = true;
    for (SessionVessel* v : sim.vessels()) {
        const VesselRecord& r = *v->record;
        const HostAnswers& a = w.answers(r);
        out += first ? "{" : ",{";
        first = false;
        out += "\"name\":" + json_string(r.name) + ",\"host\":{\"earth_local\":";
        if (a.earth_local_step == step)
            out += "[" + num(a.earth_local.x) + "," + num(a.earth_local.y) + "," +
                   num(a.earth_local.z) + "]";
        else
            out += "null";
        out += ",\"mean_lon\":" + (a.elements_step == step ? num(a.mean_lon) : "null");
        out += ",\"period\":" + (a.elements_step == step ? num(a.period) : "null");
        out += ",\"earth_rotation\":" +
               (w.rotation_step() == step ? num(w.rotation_answer()) : std::string("null"));
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
