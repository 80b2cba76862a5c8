#include "standin/outputs/trace_writer.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "host/transforms.h"
#include "standin/core/standin_constants.h"
#include "standin/core/thruster_group_names.h"
#include "standin/json/latin1.h"
#include "standin/profiles/vessel_profile.h"

namespace standin {

namespace {

// What the host knows of the vessel's class beyond its make-up; null
// without a profile.
void write_profile(JsonOut& j, const VesselProfile* p) {
    if (p == nullptr) {
        j.raw("null");
        return;
    }
    j.raw('{').key("class", false).string(p->class_name);
    j.key("target_lon_deg").number(p->target_lon_deg);
    j.key("main_group").string(group_name(p->main_group)).key("animations").raw('{');
    for (std::size_t i = 0; i < p->animations.size(); ++i)
        j.key(p->animations[i].role, i != 0).string(p->animations[i].name);
    j.raw('}').key("dishes").raw('[');
    for (std::size_t i = 0; i < p->dishes.size(); ++i) {
        if (i) j.raw(',');
        j.raw('{').key("reflector", false).raw('[').integer(p->dishes[i].reflector).raw(']');
        j.key("feed").raw('[').integer(p->dishes[i].feed).raw("]}");
    }
    j.raw("]}");
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
    j.key("profile");
    write_profile(j, vessel_profile(r));
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

// Slots between the simulation's thread and the writer's: enough that
// neither waits on the other's hiccups, few enough to stay small.
constexpr std::size_t kQueuedRecords = 512;

}  // namespace

TraceWriter::TraceWriter(TraceSettings settings)
    : settings_(std::move(settings)),
      file_(settings_.path.empty()
                ? nullptr
                : std::make_unique<OutputFile>(settings_.option, settings_.path)),
      json_(file_ ? std::make_unique<JsonOut>(file_->get()) : std::make_unique<JsonOut>(lines_)),
      queue_(file_ ? kQueuedRecords : 1) {
    if (file_) writer_ = std::thread([this] { writer_loop(); });
}

TraceWriter::~TraceWriter() {
    stop();
    json_->flush();
}

std::string TraceWriter::take_lines() {
    json_->flush();
    std::string out;
    out.swap(lines_);
    return out;
}

void TraceWriter::stop() {
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
        // from waiting forever; finish() reports it.
        if (!writer_failed_) {
            try {
                if (s.kind == Slot::Kind::step)
                    write_step(s.step);
                else
                    json_->raw(s.text);
            } catch (...) {
                writer_failed_ = true;
            }
        }
        queue_.pop();
    }
}

template <typename Write>
void TraceWriter::text(Write&& write) {
    if (!file_) {
        write(*json_);
        return;
    }
    Slot& s = queue_.back();
    s.kind = Slot::Kind::text;
    s.text.clear();
    {
        JsonOut j(s.text);
        write(j);
    }
    queue_.push();
}

void TraceWriter::header(const RunHeader& h) {
    animation_names_.clear();
    vessel_names_ = h.names;
    group_names_.clear();
    memos_.assign(h.vessels.size(), StepMemos{});
    for (const VesselRecord* r : h.vessels) {
        animation_names_.push_back(animation_names(*r));
        group_names_.emplace_back();
        for (const auto& g : r->groups) group_names_.back().push_back(group_name(g.type));
    }
    text([&](JsonOut& j) {
        j.raw("{\"type\":\"header\"").key("format").integer(kTraceFormat);
        j.key("krvsim").string(KRV_VERSION).key("scenario").string(name_to_utf8(h.scenario));
        j.key("options").raw(settings_.options_json);
        j.key("start").raw('{').key("t", false).number(h.t);
        j.key("mjd").number(h.mjd);
        j.raw('}').key("world").raw('{').key("earth_radius_m", false).number(kEarthRadius);
        j.key("geostationary_radius_m").number(geostationary_radius());
        j.key("sidereal_day_s").number(kSiderealDay).raw('}');
        j.key("trace_every").integer(settings_.keep_every);
        if (h.forces != nullptr) {
            const ForceModel& f = *h.forces;
            j.key("forces").raw('{').key("set", false).string(f.selection().text());
            j.key("gravity_model")
                .string(f.gravity_model())
                .key("degree")
                .integer(f.gravity_degree());
            j.raw('}');
        }
        j.key("vessels").raw('[');
        for (std::size_t i = 0; i < h.vessels.size(); ++i) {
            if (i) j.raw(',');
            write_vessel_make_up(j, *h.vessels[i], animation_names_[i]);
        }
        j.raw("]}\n");
    });
}

void TraceWriter::step(const StepSnapshot& snapshot) {
    if (snapshot.n % settings_.keep_every != 0 && snapshot.t < settings_.last) return;
    if (!file_) {
        write_step(snapshot);
        return;
    }
    Slot& s = queue_.back();
    s.kind = Slot::Kind::step;
    s.step = snapshot;
    s.step.calls = nullptr;
    queue_.push();
}

void TraceWriter::write_step(const StepSnapshot& s) {
    JsonOut& j = *json_;
    j.raw("{\"type\":\"step\",\"n\":").integer(s.n).key("t").number(s.t);
    j.key("mjd").number(s.mjd, mjd_memo_).key("dt").number(s.dt).key("vessels").raw('[');
    for (std::size_t i = 0; i < s.vessels.size(); ++i) {
        const VesselStep& o = s.vessels[i];
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
        j.key("earth_dir").vector(o.earth_dir, memo.take(3));
        j.key("earth_dist_m").number(o.earth_dist_m, *memo.take(1));
        j.key("sun_dir").vector(o.sun_dir, memo.take(3));
        j.key("lon_deg").number(o.lon_deg, *memo.take(1));
        NumberMemo* true_memo = memo.take(2);
        if (o.true_lon_deg) j.key("true_lon_deg").number(*o.true_lon_deg, true_memo[0]);
        if (o.true_drift_deg_day)
            j.key("true_drift_deg_day").number(*o.true_drift_deg_day, true_memo[1]);
        j.key("inclination_deg").number(o.inclination_deg, *memo.take(1));
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
        j.raw(']')
            .key("propellant_kg")
            .number(o.propellant_kg, *memo.take(1))
            .key("thrust")
            .raw('{');
        NumberMemo* tm = memo.take(o.thrust.size());
        for (std::size_t g = 0; g < o.thrust.size(); ++g)
            j.key(group_names_[i][g], g != 0).number(o.thrust[g], tm[g]);
        j.raw('}').key("used_kg").raw('{');
        NumberMemo* um = memo.take(o.group_used_kg.size());
        for (std::size_t g = 0; g < o.group_used_kg.size(); ++g)
            j.key(group_names_[i][g], g != 0).number(o.group_used_kg[g], um[g]);
        j.raw('}').key("main_dv_m_s").number(o.main_dv_m_s, *memo.take(1));
        if (o.pointed) {
            NumberMemo* em = memo.take(2);
            j.key("pointing_error_deg").raw('[').number(o.pointing_error_deg[0], em[0]).raw(',');
            j.number(o.pointing_error_deg[1], em[1]).raw(']');
            j.key("earth_dish");
            if (o.earth_dish != 0)
                j.integer(o.earth_dish);
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

void TraceWriter::event(const RunEvent& e) {
    using Kind = RunEvent::Kind;
    const std::string vessel = e.vessel < vessel_names_.size() ? vessel_names_[e.vessel] : "";
    switch (e.kind) {
        case Kind::key:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"key\",\"t\":").number(e.t).key("key").string(e.name);
                j.key("used").raw('{');
                for (std::size_t i = 0; i < e.used.size() && i < vessel_names_.size(); ++i)
                    j.name(vessel_names_[i], i != 0).boolean(e.used[i]);
                j.raw("}}\n");
            });
            break;
        case Kind::burn:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"burn\",\"t\":").number(e.t).key("vessel").string(vessel);
                j.key("group").string(e.name).key("phase").string(e.start ? "start" : "end");
                j.key("level").number(e.value);
                if (!e.role.empty()) j.key("role").string(e.role);
                if (!e.manoeuvre.empty())
                    j.key("manoeuvre").string(e.manoeuvre).key("direction").string(e.direction);
                if (!std::isnan(e.planned_dv)) j.key("planned_dv_m_s").number(e.planned_dv);
                if (!std::isnan(e.dv)) j.key("dv_m_s").number(e.dv);
                j.raw("}\n");
            });
            break;
        case Kind::keeping:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"keeping\",\"t\":").number(e.t).key("vessel").string(vessel);
                j.key("lon_deg").number(e.value).key("halfwidth_deg").number(e.halfwidth);
                j.key("north_south").boolean(e.start).raw("}\n");
            });
            break;
        case Kind::travel_end:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"travel_end\",\"t\":").number(e.t);
                j.key("vessel").string(vessel).key("animation").string(e.name);
                j.key("state").number(e.value).raw("}\n");
            });
            break;
        case Kind::warp:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"warp\",\"t\":").number(e.t).key("dt").number(e.value).raw("}\n");
            });
            break;
        case Kind::attitude:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"attitude\",\"t\":").number(e.t).key("vessel").string(vessel);
                j.key("mode").string(e.name).raw("}\n");
            });
            break;
        case Kind::plan:
            if (e.plan != nullptr) write_plan(e.t, vessel, e.value, *e.plan);
            break;
        case Kind::relocation:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"relocation\",\"t\":").number(e.t).key("vessel").string(vessel);
                j.key("phase").string(e.name);
                if (!e.refusal.empty()) j.key("refusal").string(e.refusal);
                j.raw("}\n");
            });
            break;
        case Kind::hud:
            if (e.shown && e.hud) write_hud(*e.hud);
            break;
        case Kind::surface:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"surface\",\"t\":").number(e.t).key("vessel").string(vessel);
                j.raw("}\n");
            });
            break;
        case Kind::eclipse:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"eclipse\",\"t\":").number(e.t).key("vessel").string(vessel);
                j.key("phase").string(e.start ? "entry" : "exit").raw("}\n");
            });
            break;
        case Kind::command:
            text([&](JsonOut& j) {
                j.raw("{\"type\":\"command\",\"t\":").number(e.t);
                j.key("client").integer(static_cast<long long>(e.value));
                j.key("order").raw(e.name).raw("}\n");
            });
            break;
        case Kind::relocation_report:
        case Kind::keeping_report:
            break;
    }
}

void TraceWriter::write_plan(double t, const std::string& vessel, double at,
                             const RelocationPlan& p) {
    text([&](JsonOut& j) {
        j.raw("{\"type\":\"plan\",\"t\":").number(t).key("vessel").string(vessel);
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

void TraceWriter::write_hud(const HudFrame& f) {
    text([&](JsonOut& j) {
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

void TraceWriter::finish(RunEnd& end) {
    if (!file_) return;
    text([&](JsonOut& j) {
        j.raw("{\"type\":\"end\",\"t\":").number(end.t).key("steps").integer(end.steps);
        j.key("reason").string(end.reason).raw("}\n");
    });
    stop();
    if (!json_->flush() || writer_failed_)
        throw std::runtime_error(
            settings_.option + (settings_.path == "-" ? " -: standard output cannot be written"
                                                      : ": cannot write '" + settings_.path + "'"));
    json_->release();
    file_->commit();
    if (settings_.listed && settings_.path != "-") end.files.emplace_back("trace", settings_.path);
}

}  // namespace standin
