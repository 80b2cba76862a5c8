#include "standin/runner/trace_writer.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "host/transforms.h"
#include "standin/core/standin_constants.h"
#include "standin/runner/fault_spec.h"
#include "standin/runner/latin1.h"
#include "standin/runner/thruster_group_names.h"
#include "standin/world/quaternion.h"

namespace standin {

namespace {

VECTOR3 unit(const VECTOR3& v, double& length) {
    length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0)) return {0.0, 0.0, 0.0};
    return {v.x / length, v.y / length, v.z / length};
}

// Sub-satellite longitude [deg east, 0..360) of a global position.
double longitude_deg(const VECTOR3& r, double earth_rotation) {
    double lon = std::fmod(std::atan2(r.y, r.x) - earth_rotation, kTwoPi);
    if (lon < 0.0) lon += kTwoPi;
    const double deg = lon * kDegPerRad;
    return deg >= 360.0 ? 0.0 : deg;
}

void write_options(JsonOut& j, const Options& o) {
    j.raw('{').key("scenario", false).string(name_to_utf8(o.scenario));
    j.key("dt").number(o.dt);
    j.key("until");
    if (o.until)
        j.number(*o.until);
    else
        j.raw("null");
    j.key("keys").raw('[');
    for (std::size_t i = 0; i < o.keys.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(o.keys[i].time);
        j.key("key").string(o.keys[i].key.text).raw('}');
    }
    j.raw(']').key("burns").raw('[');
    for (std::size_t i = 0; i < o.burns.size(); ++i) {
        const BurnCommand& b = o.burns[i];
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(b.time).key("duration").number(b.duration);
        j.key("group").string(group_name(b.group)).key("level").number(b.level).raw('}');
    }
    j.raw(']').key("hud").raw('[').integer(o.hud_width).raw(',').integer(o.hud_height).raw(']');
    j.key("hud_at").raw('[');
    for (std::size_t i = 0; i < o.hud_at.size(); ++i) (i ? j.raw(',') : j).number(o.hud_at[i]);
    j.raw(']').key("hud_every");
    if (o.hud_every)
        j.number(*o.hud_every);
    else
        j.raw("null");
    j.key("save").string(name_to_utf8(o.save)).key("trace").string(name_to_utf8(o.trace));
    j.key("trace_every").integer(o.trace_every);
    j.key("trace_lines_every").integer(o.trace_lines_every);
    j.key("summary").string(name_to_utf8(o.summary)).key("svg").string(name_to_utf8(o.svg));
    j.key("calls").string(name_to_utf8(o.calls)).key("faults").raw('[');
    for (std::size_t i = 0; i < o.faults.size(); ++i) {
        const FaultWindow& f = o.faults[i];
        if (i) j.raw(',');
        j.raw('{').key("from", false).number(f.from).key("to").number(f.to);
        j.key("kind").string(fault_name(f.kind)).raw('}');
    }
    j.raw(']').key("warps").raw('[');
    for (std::size_t i = 0; i < o.warps.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(o.warps[i].time).key("dt").number(o.warps[i].dt);
        j.raw('}');
    }
    j.raw(']').key("attitudes").raw('[');
    for (std::size_t i = 0; i < o.attitudes.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("t", false).number(o.attitudes[i].time);
        j.key("mode").string(attitude_mode_name(o.attitudes[i].mode)).raw('}');
    }
    j.raw(']').key("relocate");
    if (o.relocate)
        j.raw('{')
            .key("t", false)
            .number(o.relocate->time)
            .key("lon_deg")
            .number(o.relocate->target_lon)
            .key("orbits")
            .integer(o.relocate->orbits)
            .raw('}');
    else
        j.raw("null");
    j.key("hold").boolean(o.attitude_hold).key("modules").string(name_to_utf8(o.modules));
    j.key("config").string(name_to_utf8(o.config)).raw('}');
}

void write_vessel_make_up(JsonOut& j, const VesselRecord& r,
                          const std::vector<std::string>& names) {
    j.raw('{').key("name", false).string(name_to_utf8(r.name));
    j.key("class").string(name_to_utf8(r.class_name));
    j.key("mesh");
    if (r.meshes.empty())
        j.raw("null");
    else
        j.string(name_to_utf8(r.meshes.front().name));
    j.key("animations").raw('[');
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("id", false).integer(static_cast<long long>(i));
        j.key("name").string(names[i]).raw('}');
    }
    j.raw(']').key("components").raw('[');
    for (std::size_t i = 0; i < r.components.size(); ++i) {
        const AnimationComponent& c = r.components[i];
        if (i) j.raw(',');
        j.raw('{').key("index", false).integer(static_cast<long long>(i));
        j.key("animation").integer(c.animation);
        const MGROUP_TRANSFORM* t = c.transform;
        j.key("mesh");
        if (t != nullptr)
            j.integer(t->mesh);
        else
            j.raw("null");
        j.key("groups").raw('[');
        for (std::uint32_t g = 0; t != nullptr && g < t->group_count; ++g)
            (g ? j.raw(',') : j).integer(t->groups[g]);
        j.raw(']');
        if (t != nullptr && t->Kind() == 1) {
            const auto* rot = static_cast<const MGROUP_ROTATE*>(t);
            j.key("ref").vector(rot->ref).key("axis").vector(rot->axis);
            j.key("angle").number(static_cast<double>(rot->angle));
        } else {
            j.key("ref").raw("null").key("axis").raw("null").key("angle").raw("null");
        }
        j.key("state0").number(c.state0).key("state1").number(c.state1).key("parent");
        long long parent = -1;
        for (std::size_t p = 0; c.parent != nullptr && p < r.components.size(); ++p)
            if (&r.components[p] == c.parent) parent = static_cast<long long>(p);
        if (parent < 0)
            j.raw("null");
        else
            j.integer(parent);
        j.raw('}');
    }
    j.raw(']').key("thruster_groups").raw('[');
    for (std::size_t i = 0; i < r.groups.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("name", false).string(group_name(r.groups[i].type));
        j.key("thrusters").raw('[');
        const auto& ts = r.groups[i].thrusters;
        for (std::size_t k = 0; k < ts.size(); ++k) {
            if (k) j.raw(',');
            j.raw('{').key("pos", false).vector(ts[k]->pos).key("dir").vector(ts[k]->dir);
            j.key("max_thrust_n").number(ts[k]->max_thrust).key("isp_m_s").number(ts[k]->isp);
            j.raw('}');
        }
        j.raw("]}");
    }
    j.raw(']').key("tank");
    if (r.tanks.empty()) {
        j.raw("null");
    } else {
        const PropellantTank& t = r.tanks.front();
        j.raw('{').key("max_kg", false).number(t.max_mass).key("kg").number(t.mass);
        j.key("efficiency").number(t.efficiency).raw('}');
    }
    j.key("empty_mass_kg");
    if (r.empty_mass)
        j.number(*r.empty_mass);
    else
        j.raw("null");
    j.raw('}');
}

// mjd_memo: the step's MJD was written through it last, and the host's
// answer is mostly the same.
void write_host_answers(JsonOut& j, const HostAnswersSeen& h, NumberMemo& mjd_memo,
                        NumberMemo* memo) {
    j.key("host").raw('{');
    bool first = true;
    auto field = [&](const char* name) -> JsonOut& {
        j.key(name, !first);
        first = false;
        return j;
    };
    if (h.earth_found) field("earth_found").boolean(*h.earth_found);
    if (h.earth_pos_m) field("earth_pos_m").vector(*h.earth_pos_m, memo);
    if (h.earth_local_m) field("earth_local_m").vector(*h.earth_local_m, memo + 3);
    if (h.orbit_ok) field("orbit_ok").boolean(*h.orbit_ok);
    if (h.orbit_mean_lon_rad) field("orbit_mean_lon_rad").number(*h.orbit_mean_lon_rad, memo[6]);
    if (h.orbit_period_s) field("orbit_period_s").number(*h.orbit_period_s, memo[7]);
    if (h.earth_rotation_rad) field("earth_rotation_rad").number(*h.earth_rotation_rad, memo[8]);
    if (h.sim_mjd) field("sim_mjd").number(*h.sim_mjd, mjd_memo);
    j.raw('}');
}
constexpr std::size_t kHostAnswerNumbers = 9;

}  // namespace

std::vector<std::string> animation_names(const VesselRecord& vessel) {
    static const char* const kKrvRig[] = {"ant",       "hga_rot", "hga_tilt1",
                                          "hga_tilt2", "solp",    "lid"};
    std::vector<std::string> names;
    const bool krv = vessel.class_name == "KRV" && vessel.animations.size() == 6;
    for (std::size_t i = 0; i < vessel.animations.size(); ++i)
        names.emplace_back(krv ? std::string(kKrvRig[i]) : "anim" + std::to_string(i));
    return names;
}

namespace {

// Slots between the simulation's thread and the writer's: enough that
// neither waits on the other's hiccups, few enough to stay small.
constexpr std::size_t kQueuedRecords = 512;

}  // namespace

TraceWriter::TraceWriter(const std::string& path, const Options& options)
    : file_(path == "-" ? stdout : std::fopen(path.c_str(), "wb")),
      own_file_(path != "-"),
      path_(path),
      options_(options),
      json_(file_ != nullptr ? file_ : stdout),
      queue_(kQueuedRecords) {
    if (file_ == nullptr)
        throw std::runtime_error("--trace: cannot write '" + path + "': " + std::strerror(errno));
    writer_ = std::thread([this] { writer_loop(); });
}

TraceWriter::~TraceWriter() {
    finish();
    json_.flush();
    if (own_file_) std::fclose(file_);
}

void TraceWriter::finish() {
    if (!writer_.joinable()) return;
    queue_.back().kind = Slot::Kind::finish;
    queue_.push(true);
    writer_.join();
}

void TraceWriter::writer_loop() {
    for (;;) {
        const Slot& s = queue_.front();
        if (s.kind == Slot::Kind::finish) {
            queue_.pop();
            return;
        }
        // Still taking the records after a failure keeps the simulation
        // from waiting forever; end() reports it.
        if (!writer_failed_) {
            try {
                if (s.kind == Slot::Kind::step)
                    write_step(s);
                else
                    json_.raw(s.text);
            } catch (...) {
                writer_failed_ = true;
            }
        }
        queue_.pop();
    }
}

template <typename Write>
void TraceWriter::event(Write&& write) {
    Slot& s = queue_.back();
    s.kind = Slot::Kind::text;
    s.text.clear();
    {
        JsonOut j(s.text);
        write(j);
    }
    queue_.push();
}

void TraceWriter::header(Simulation& sim, const std::string& scenario) {
    OrbitalWorld& w = sim.world();
    animation_names_.clear();
    vessel_names_.clear();
    gauges_.clear();
    group_names_.clear();
    memos_.assign(sim.vessels().size(), StepMemos{});
    for (std::size_t i = 0; i < sim.vessels().size(); ++i) {
        const VesselRecord& r = *sim.vessels()[i]->record;
        animation_names_.push_back(animation_names(r));
        vessel_names_.push_back(name_to_utf8(r.name));
        gauges_.emplace_back(r);
        group_names_.emplace_back();
        for (const auto& g : r.groups) group_names_.back().push_back(group_name(g.type));
    }
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"header\"").key("format").integer(kTraceFormat);
        j.key("krvsim").string(KRV_VERSION).key("scenario").string(name_to_utf8(scenario));
        j.key("options");
        write_options(j, options_);
        j.key("start").raw('{').key("t", false).number(w.sim_time());
        j.key("mjd").number(w.sim_mjd());
        j.raw('}').key("trace_every").integer(options_.trace_every);
        const ForceModel& f = w.forces();
        j.key("forces").raw('{').key("set", false).string(f.selection().text());
        j.key("gravity_model").string(f.gravity_model()).key("degree").integer(f.gravity_degree());
        j.raw('}').key("vessels").raw('[');
        for (std::size_t i = 0; i < sim.vessels().size(); ++i) {
            if (i) j.raw(',');
            write_vessel_make_up(j, *sim.vessels()[i]->record, animation_names_[i]);
        }
        j.raw("]}\n");
    });
}

void TraceWriter::step(Simulation& sim, long n, double dt, const std::vector<StepCalls>& calls) {
    OrbitalWorld& w = sim.world();
    Slot& s = queue_.back();
    s.kind = Slot::Kind::step;
    s.n = n;
    s.t = w.sim_time();
    s.mjd = w.sim_mjd();
    s.dt = dt;
    s.rotation = w.earth_rotation();
    s.vessels.resize(sim.vessels().size());
    for (std::size_t i = 0; i < sim.vessels().size(); ++i) {
        SessionVessel& v = *sim.vessels()[i];
        const VesselRecord& r = *v.record;
        VesselSnapshot& o = s.vessels[i];
        o.state = w.state(r);
        o.q = w.attitude(r);
        o.rate = w.rate(r);
        o.host = calls[i].host;
        o.anim.clear();
        for (const auto& a : r.animations) o.anim.push_back(a.state);
        o.set.clear();
        for (const auto& a : calls[i].set) o.set.push_back(a.animation);
        o.propellant = 0.0;
        for (const auto& tank : r.tanks) o.propellant += tank.mass;
        o.thrust.clear();
        for (const auto& g : r.groups)
            o.thrust.push_back(g.thrusters.empty() ? 0.0 : g.thrusters.front()->level);
        o.has_lines = options_.trace_lines_every > 0 && n % options_.trace_lines_every == 0;
        if (o.has_lines) o.lines = sim.vessel_own_lines(v);
    }
    queue_.push();
}

void TraceWriter::write_step(const Slot& s) {
    JsonOut& j = json_;
    const VECTOR3 sun = sun_.position(s.mjd);
    j.raw("{\"type\":\"step\",\"n\":").integer(s.n).key("t").number(s.t);
    j.key("mjd").number(s.mjd, mjd_memo_).key("dt").number(s.dt).key("vessels").raw('[');
    for (std::size_t i = 0; i < s.vessels.size(); ++i) {
        const VesselSnapshot& o = s.vessels[i];
        const VECTOR3& r = o.state.r;
        const Quaternion& q = o.q;
        StepMemos& memo = memos_[i];
        memo.next = 0;
        if (i) j.raw(',');
        j.raw("{\"name\":").string(vessel_names_[i]);
        j.key("pos_m").vector(r, memo.take(3)).key("vel_m_s").vector(o.state.v, memo.take(3));
        NumberMemo* qm = memo.take(4);
        j.key("q").raw('[').number(q.w, qm[0]).raw(',').number(q.x, qm[1]).raw(',');
        j.number(q.y, qm[2]).raw(',').number(q.z, qm[3]).raw(']');
        j.key("omega_rad_s").vector(o.rate, memo.take(3));
        double earth_distance = 0.0;
        const VECTOR3 earth = unit(unrotate(q, {-r.x, -r.y, -r.z}), earth_distance);
        j.key("earth_dir").vector(earth, memo.take(3));
        j.key("earth_dist_m").number(earth_distance, *memo.take(1));
        double sun_distance = 0.0;
        j.key("sun_dir").vector(
            unrotate(q, unit({sun.x - r.x, sun.y - r.y, sun.z - r.z}, sun_distance)), memo.take(3));
        j.key("lon_deg").number(longitude_deg(r, s.rotation), *memo.take(1));
        write_host_answers(j, o.host, mjd_memo_, memo.take(kHostAnswerNumbers));
        const std::vector<std::string>& names = animation_names_[i];
        j.key("anim").raw('{');
        NumberMemo* am = memo.take(o.anim.size());
        for (std::size_t a = 0; a < o.anim.size(); ++a) {
            j.key(names[a], a != 0).number(o.anim[a], am[a]);
        }
        j.raw('}').key("set").raw('[');
        for (std::size_t k = 0; k < o.set.size(); ++k) {
            const std::uint32_t a = o.set[k];
            if (k) j.raw(',');
            if (a < names.size())
                j.raw('"').raw(names[a]).raw('"');
            else
                j.string("anim" + std::to_string(a));
        }
        j.raw(']').key("propellant_kg").number(o.propellant, *memo.take(1)).key("thrust").raw('{');
        NumberMemo* tm = memo.take(o.thrust.size());
        for (std::size_t g = 0; g < o.thrust.size(); ++g)
            j.key(group_names_[i][g], g != 0).number(o.thrust[g], tm[g]);
        j.raw('}');
        if (gauges_[i].applies()) {
            const auto errors = gauges_[i].errors(earth, o.anim);
            const double e1 = errors[0] * kDegPerRad;
            const double e2 = errors[1] * kDegPerRad;
            NumberMemo* em = memo.take(2);
            j.key("pointing_error_deg").raw('[').number(e1, em[0]).raw(',');
            j.number(e2, em[1]).raw(']');
            j.key("earth_dish");
            // The booms must be out for a dish to face anything; then the
            // Earth-side dish is the one nearer its direction.
            if (o.anim[0] == 1.0)
                j.integer(e1 <= e2 ? 1 : 2);
            else
                j.raw("null");
        } else {
            j.key("pointing_error_deg").raw("null").key("earth_dish").raw("null");
        }
        if (o.has_lines) {
            j.key("scenario_lines").raw('[');
            for (std::size_t k = 0; k < o.lines.size(); ++k)
                (k ? j.raw(',') : j).latin1(o.lines[k]);
            j.raw(']');
        }
        j.raw('}');
    }
    j.raw("]}\n");
}

void TraceWriter::key(double t, const std::string& key, const Simulation& sim,
                      const std::vector<bool>& used) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"key\",\"t\":").number(t).key("key").string(key).key("used").raw('{');
        for (std::size_t i = 0; i < used.size(); ++i)
            j.key(name_to_utf8(sim.vessels()[i]->record->name), i != 0).boolean(used[i]);
        j.raw("}}\n");
    });
}

void TraceWriter::burn(double t, const std::string& vessel, const std::string& group, bool start,
                       double level) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"burn\",\"t\":").number(t).key("vessel").string(name_to_utf8(vessel));
        j.key("group").string(group).key("phase").string(start ? "start" : "end");
        j.key("level").number(level).raw("}\n");
    });
}

void TraceWriter::hud(const HudFrame& f) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"hud\",\"t\":")
            .number(f.time)
            .key("vessel")
            .string(name_to_utf8(f.vessel));
        j.key("width").integer(f.width).key("height").integer(f.height).key("texts").raw('[');
        for (std::size_t i = 0; i < f.texts.size(); ++i) {
            const DrawnText& t = f.texts[i];
            if (i) j.raw(',');
            j.raw('{').key("x", false).integer(t.x).key("y").integer(t.y);
            j.key("color").string(colour_hex(t.colour)).key("text").latin1(t.bytes).raw('}');
        }
        j.raw("]}\n");
    });
}

void TraceWriter::warp(double t, double dt) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"warp\",\"t\":").number(t).key("dt").number(dt).raw("}\n");
    });
}

void TraceWriter::attitude(double t, const std::string& vessel_utf8, const char* mode) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"attitude\",\"t\":").number(t).key("vessel").string(vessel_utf8);
        j.key("mode").string(mode).raw("}\n");
    });
}

void TraceWriter::plan(double t, const std::string& vessel_utf8, double at,
                       const RelocationPlan& p) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"plan\",\"t\":").number(t).key("vessel").string(vessel_utf8);
        j.key("at").number(at).key("start_lon_deg").number(p.start_lon);
        j.key("gap_deg").number(p.gap).key("drift_deg_per_orbit").number(p.drift_per_orbit);
        j.key("drift_period_s").number(p.drift_period).key("drift_a_m").number(p.drift_a);
        j.key("delta_a_m").number(p.delta_a);
        j.key("start_burn").string(p.prograde ? "prograde" : "retrograde");
        j.key("start_dv_m_s").number(p.start_dv).key("start_duration_s").number(p.start_duration);
        j.key("stop_dv_m_s").number(p.stop_dv).key("stop_duration_s").number(p.stop_duration);
        j.key("stop_offset_s").number(p.stop_offset).key("propellant_kg").number(p.propellant);
        j.raw("}\n");
    });
}

void TraceWriter::relocation(double t, const std::string& vessel_utf8, const std::string& phase,
                             const std::string& refusal) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"relocation\",\"t\":").number(t).key("vessel").string(vessel_utf8);
        j.key("phase").string(phase);
        if (!refusal.empty()) j.key("refusal").string(refusal);
        j.raw("}\n");
    });
}

void TraceWriter::travel_end(double t, const std::string& vessel, const std::string& animation,
                             double state) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"travel_end\",\"t\":").number(t);
        j.key("vessel").string(name_to_utf8(vessel)).key("animation").string(animation);
        j.key("state").number(state).raw("}\n");
    });
}

void TraceWriter::end(double t, long steps, const char* reason) {
    event([&](JsonOut& j) {
        j.raw("{\"type\":\"end\",\"t\":").number(t).key("steps").integer(steps);
        j.key("reason").string(reason).raw("}\n");
    });
    finish();
    if (!json_.flush() || writer_failed_)
        throw std::runtime_error("--trace: cannot write '" + path_ + "'");
}

}  // namespace standin
