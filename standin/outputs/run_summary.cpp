#include "standin/outputs/run_summary.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "standin/core/standin_constants.h"
#include "standin/core/thruster_group_names.h"
#include "standin/json/json_out.h"
#include "standin/json/latin1.h"
#include "standin/outputs/output_file.h"
#include "standin/profiles/vessel_profile.h"
#include "standin/station/relocation_executor.h"

namespace standin {

namespace {

// A dish counts as settled on the Earth once within this angle.
constexpr double kSettledDeg = 1.0;
// The pointing error is looked at this often [s].
constexpr double kPointingEvery = 10.0;

double propellant(const VesselRecord& r) {
    double kg = 0.0;
    for (const auto& t : r.tanks) kg += t.mass;
    return kg;
}

std::string number_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

// [s] as plain seconds to the hundredth, "2334856.53" rather than
// "2.33486e+06": a run's times are read against each other.
std::string time_text(double t) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.2f", t);
    std::string out = buf;
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') out.pop_back();
    }
    return out;
}

std::string seconds_text(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", t);
    return buf;
}

std::string fixed_text(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// The HUD text that starts with label, without it.
std::string hud_figure(const HudFrame& f, const std::string& label) {
    for (const auto& t : f.texts)
        if (t.bytes.compare(0, label.size(), label) == 0)
            return latin1_to_utf8(t.bytes.substr(label.size()));
    return "";
}

// The Earth-side dish's pointing error [deg]; negative when no dish faces it.
double earth_dish_error(const VesselStep& v) {
    if (v.earth_dish == 0) return -1.0;
    return std::min(v.pointing_error_deg[0], v.pointing_error_deg[1]);
}

// A number, or null for NaN.
void number_or_null(JsonOut& j, double v) {
    if (std::isnan(v))
        j.raw("null");
    else
        j.number(v);
}

void keeping_json(JsonOut& j, const KeepingReport& r) {
    const KeepingFigures f = keeping_figures(r);
    const double y = f.per_year;
    j.raw("{\"vessel\":").string(r.vessel).key("lon_deg").number(r.lon);
    j.key("halfwidth_deg").number(r.halfwidth).key("north_south").boolean(r.ns);
    j.key("drift_acceleration_deg_day2").number(r.drift_acceleration);
    j.key("start_t");
    number_or_null(j, r.start);
    j.key("end_t");
    number_or_null(j, r.end);
    j.key("kept_s").number(f.kept_s).key("stopped").string(r.stopped);
    j.key("per_year").raw('{').key("ew_dv_m_s", false).number(f.ew_dv * y);
    j.key("ns_dv_m_s").number(f.ns_dv * y).key("propellant_kg").number(f.propellant * y);
    j.key("burn_propellant_kg").number(f.burn_propellant * y);
    j.key("ew_manoeuvres").number(f.ew_count * y).key("ns_manoeuvres").number(f.ns_count * y);
    j.key("outside_s").number(f.outside_fraction * 365.25 * 86400.0);
    j.key("outside_percent").number(100.0 * f.outside_fraction).raw('}');
    j.key("flown").raw('{').key("ew_dv_m_s", false).number(f.ew_dv);
    j.key("ns_dv_m_s").number(f.ns_dv).key("propellant_kg").number(f.propellant);
    j.key("burn_propellant_kg").number(f.burn_propellant);
    j.key("ew_manoeuvres").integer(f.ew_count).key("ns_manoeuvres").integer(f.ns_count).raw('}');
    j.key("largest_excursion_deg").number(r.largest_excursion);
    j.key("measured_s").number(r.measured_s).key("outside_s").number(r.outside_s);
    j.key("start_inclination_deg").number(r.start_inclination);
    j.key("largest_inclination_deg").number(r.largest_inclination);
    j.key("final_inclination_deg").number(r.final_inclination).key("burns").raw('[');
    for (std::size_t b = 0; b < r.burns.size(); ++b) {
        const ExecutedBurn& e = r.burns[b].burn;
        if (b) j.raw(',');
        j.raw("{\"t\":").number(e.start).key("duration_s").number(e.duration);
        j.key("manoeuvre").string(manoeuvre_name(r.burns[b]));
        j.key("direction").string(attitude_mode_name(r.burns[b].mode));
        j.key("planned_dv_m_s").number(e.planned_dv).key("dv_m_s");
        number_or_null(j, e.dv);
        j.key("propellant_kg");
        number_or_null(j, e.mass_before - e.mass_after);
        j.raw('}');
    }
    j.raw("]}");
}

}  // namespace

RunSummary::RunSummary(std::string path) : path_(std::move(path)) {}

void RunSummary::header(const RunHeader& h) {
    start_t_ = h.t;
    for (std::size_t i = 0; i < h.vessels.size(); ++i) {
        const VesselRecord& r = *h.vessels[i];
        Vessel s;
        s.name = h.names[i];
        s.propellant_start_kg = propellant(r);
        vessels_.push_back(s);
        exhaust_.push_back(main_engine(r).exhaust_velocity);
        empty_mass_.push_back(r.empty_mass.value_or(0.0));
        animation_names_.push_back(animation_names(r));
        group_names_.emplace_back();
        for (const auto& g : r.groups) group_names_.back().push_back(group_name(g.type));
        profiles_.push_back(vessel_profile(r));
        std::vector<double> states;
        for (const auto& a : r.animations) states.push_back(a.state);
        before_.push_back(states);
        moving_.emplace_back(states.size(), false);
    }
    next_pointing_ = h.t;
}

void RunSummary::event(const RunEvent& e) {
    using Kind = RunEvent::Kind;
    const std::string vessel = e.vessel < vessels_.size() ? vessels_[e.vessel].name : "";
    switch (e.kind) {
        case Kind::key: {
            std::string who;
            for (std::size_t i = 0; i < e.used.size() && i < vessels_.size(); ++i)
                if (e.used[i]) who += (who.empty() ? "" : ", ") + vessels_[i].name;
            if (who.empty()) unused_keys_.push_back(time_text(e.t) + " s " + e.name);
            note(e.t, "key " + e.name + (who.empty() ? ": used by no vessel" : ": used by " + who));
            key_entry_ = static_cast<long>(timeline_.size()) - 1;
            break;
        }
        case Kind::burn:
            note(e.t, vessel + ": burn " + e.name + (e.start ? " starts" : " ends") +
                          (e.start ? " at level " + number_text(e.value) : "") +
                          (e.manoeuvre.empty()
                               ? ""
                               : " (" + e.manoeuvre + ", " + e.direction + ", " +
                                     (e.start ? "planned " + fixed_text("%.4f", e.planned_dv)
                                              : "flown " + fixed_text("%.4f", e.dv)) +
                                     " m/s)"));
            break;
        case Kind::keeping:
            note(e.t, vessel + ": station keeping begins at " + longitude_words(e.value) +
                          " \u00b1" + number_text(e.halfwidth) + "\u00b0" +
                          (e.start ? ", north-south too" : ""));
            break;
        case Kind::keeping_report:
            if (e.keeping != nullptr) keepings_.push_back(*e.keeping);
            break;
        case Kind::warp:
            note(e.t, "time warp: steps of " + seconds_text(e.value) + " s");
            break;
        case Kind::attitude:
            note(e.t, vessel + ": attitude " + e.name);
            break;
        case Kind::relocation:
            note(e.t,
                 vessel + ": relocation " + e.name + (e.refusal.empty() ? "" : ": " + e.refusal));
            break;
        case Kind::relocation_report:
            if (e.report != nullptr) relocations_.push_back(*e.report);
            break;
        case Kind::hud:
            // The figures of the last frame drawn.
            if (e.hud && e.vessel < vessels_.size() && profiles_[e.vessel] != nullptr) {
                const HudLabels& labels = profiles_[e.vessel]->hud;
                Vessel& s = vessels_[e.vessel];
                s.longitude = hud_figure(*e.hud, labels.mean_lon);
                s.drift = hud_figure(*e.hud, labels.drift);
                s.orbits_required = hud_figure(*e.hud, labels.orbits_required);
            }
            break;
        case Kind::surface:
            if (e.vessel < vessels_.size() && vessels_[e.vessel].surface_at < 0.0) {
                vessels_[e.vessel].surface_at = e.t;
                note(e.t, vessel + ": reaches the Earth's surface");
            }
            break;
        case Kind::eclipse:
            if (e.vessel < vessels_.size()) {
                Vessel& s = vessels_[e.vessel];
                if (e.start && s.shadow_since < 0.0) {
                    ++s.eclipses;
                    s.shadow_since = e.t;
                } else if (!e.start) {
                    // An exit with no entry: in the shadow from the start.
                    s.shadow_s += e.t - (s.shadow_since >= 0.0 ? s.shadow_since : start_t_);
                    s.shadow_since = -1.0;
                }
            }
            break;
        case Kind::travel_end:
        case Kind::plan:
        case Kind::command:  // told by what it ordered
            break;
    }
}

void RunSummary::step(const StepSnapshot& snapshot) {
    const double t = snapshot.t;
    last_ = snapshot.vessels;
    std::string started;
    for (std::size_t i = 0; i < snapshot.vessels.size() && i < before_.size(); ++i) {
        const std::vector<double>& anim = snapshot.vessels[i].anim;
        for (std::size_t a = 0; a < anim.size() && a < before_[i].size(); ++a) {
            const double state = anim[a];
            const bool moving = state != before_[i][a];
            if (key_entry_ >= 0 && moving && !moving_[i][a])
                started +=
                    (started.empty() ? "" : ", ") + vessels_[i].name + " " + animation_names_[i][a];
            // An end of travel: a mechanism arriving at 0 or 1.
            if (moving && (state == 0.0 || state == 1.0))
                note(t, vessels_[i].name + ": " + animation_names_[i][a] +
                            " reaches its end of travel at " + number_text(state));
            moving_[i][a] = moving;
            before_[i][a] = state;
        }
    }
    if (key_entry_ >= 0 && !started.empty()) timeline_[key_entry_].what += "; started " + started;
    key_entry_ = -1;
    if (t + 1e-9 < next_pointing_) return;
    next_pointing_ = t + kPointingEvery;
    for (std::size_t i = 0; i < snapshot.vessels.size() && i < vessels_.size(); ++i) {
        const double error = earth_dish_error(snapshot.vessels[i]);
        if (error < 0.0) continue;
        Vessel& s = vessels_[i];
        if (s.settled_at < 0.0 && error < kSettledDeg) s.settled_at = t;
        if (s.settled_at >= 0.0) s.worst_settled_deg = std::max(s.worst_settled_deg, error);
    }
}

void RunSummary::finish(RunEnd& end) {
    std::stable_sort(timeline_.begin(), timeline_.end(),
                     [](const Entry& a, const Entry& b) { return a.t < b.t; });
    for (std::size_t i = 0; i < vessels_.size() && i < last_.size(); ++i) {
        Vessel& s = vessels_[i];
        s.propellant_end_kg = last_[i].propellant_kg;
        // The rocket equation with the main engine's exhaust speed.
        const double m0 = empty_mass_[i] + s.propellant_start_kg;
        const double m1 = empty_mass_[i] + s.propellant_end_kg;
        s.delta_v_m_s = m1 > 0.0 && m0 > m1 ? exhaust_[i] * std::log(m0 / m1) : 0.0;
        s.final_pointing_deg = earth_dish_error(last_[i]);
        s.main_dv_m_s = last_[i].main_dv_m_s;
        s.group_used_kg.clear();
        for (std::size_t g = 0; g < last_[i].group_used_kg.size() && g < group_names_[i].size();
             ++g) {
            s.group_used_kg.emplace_back(group_names_[i][g], last_[i].group_used_kg[g]);
            if (group_names_[i][g] == "main" && s.main_propellant_kg == 0.0)
                s.main_propellant_kg = last_[i].group_used_kg[g];
        }
    }
    // A shadow the run ends in counts to the end.
    for (Vessel& s : vessels_) {
        if (s.shadow_since < 0.0) continue;
        s.shadow_s += std::max(0.0, end.t - s.shadow_since);
        s.shadow_since = -1.0;
    }
    if (path_.empty()) return;
    end.files.emplace_back("summary", path_);
    write_file_atomically("--summary", path_, json(end));
}

std::string RunSummary::text(const RunEnd& end) const {
    std::string out = "krvsim summary: " + std::to_string(end.steps) +
                      " steps to t = " + time_text(end.t) + " s (" + end.reason + ")\n";
    // What recurs often (a dish tilt at its stop twice a day) is said once,
    // with how often and when last; the JSON keeps every entry.
    constexpr std::size_t kOften = 4;
    std::map<std::string, std::pair<std::size_t, double>> recurring;
    for (const Entry& e : timeline_) {
        auto& [count, last] = recurring[e.what];
        ++count;
        last = e.t;
    }
    for (const Entry& e : timeline_) {
        auto found = recurring.find(e.what);
        if (found == recurring.end()) continue;
        out += "  " + time_text(e.t) + " s  " + e.what;
        const auto [count, last] = found->second;
        if (count < kOften) {
            out += "\n";
            continue;
        }
        out += " (and " + std::to_string(count - 1) + " more times, the last at " +
               time_text(last) + " s)\n";
        recurring.erase(found);
    }
    for (const auto& k : unused_keys_) out += "  key no vessel used: " + k + "\n";
    for (std::size_t i = 0; i < vessels_.size(); ++i) {
        const Vessel& s = vessels_[i];
        const double used = s.propellant_start_kg - s.propellant_end_kg;
        out += "  " + s.name + ": propellant used " + number_text(used) + " kg (main engine " +
               number_text(s.main_propellant_kg) + " kg, attitude and other thrusters " +
               number_text(std::max(0.0, used - s.main_propellant_kg)) +
               " kg); delta-v from the main engine " + number_text(s.main_dv_m_s) + " m/s\n";
        if (!s.longitude.empty())
            out += "    longitude " + s.longitude + ", drift " + s.drift + ", orbits required " +
                   s.orbits_required + "\n";
        if (i < last_.size() && last_[i].true_lon_deg && last_[i].true_drift_deg_day)
            out += "    true motion over the last sidereal day: mean longitude " +
                   longitude_words(*last_[i].true_lon_deg) + ", drift " +
                   fixed_text("%+.5f", *last_[i].true_drift_deg_day * kSiderealDay / 86400.0) +
                   "\u00b0 per orbit\n";
        if (s.settled_at >= 0.0)
            out += "    dish on the Earth within " + number_text(kSettledDeg) + " deg from " +
                   time_text(s.settled_at) + " s; worst after that " +
                   number_text(s.worst_settled_deg) + " deg, at the end " +
                   number_text(s.final_pointing_deg) + " deg\n";
        else if (s.final_pointing_deg >= 0.0)
            out += "    dish not yet settled on the Earth: " + number_text(s.final_pointing_deg) +
                   " deg at the end\n";
        if (s.surface_at >= 0.0)
            out += "    " + s.name + " reached the Earth's surface at " + time_text(s.surface_at) +
                   " s; it stays there\n";
        if (s.eclipses > 0)
            out += "    " + std::to_string(s.eclipses) +
                   (s.eclipses == 1 ? " eclipse, " : " eclipses, ") + time_text(s.shadow_s) +
                   " s in the Earth's shadow\n";
    }
    for (const RelocationReport& r : relocations_) {
        out += relocation_plan_text(r, "  ");
        for (std::size_t i = 0; i < r.burns.size(); ++i)
            out += "    " + std::string(burn_role_name(r.burns[i].role)) + " burn: planned " +
                   fixed_text("%.3f", r.burns[i].planned_dv) + " m/s, flown " +
                   fixed_text("%.3f", r.burns[i].dv) + " m/s, " +
                   fixed_text("%.3f", r.burns[i].mass_before - r.burns[i].mass_after) + " kg\n";
        out += "    " + r.phase;
        if (!std::isnan(r.arrival_lon))
            out += " at " + time_text(r.arrival_time) + " s: mean longitude " +
                   longitude_words(r.arrival_lon) + " (" + fixed_text("%+.4f", r.arrival_error) +
                   "\u00b0 from the target), drift " + fixed_text("%+.5f", r.arrival_drift) +
                   "\u00b0 per orbit";
        out += "\n";
    }
    for (const KeepingReport& r : keepings_) out += keeping_text(r, "  ");
    for (const auto& [what, path] : end.files) {
        out += "  wrote ";
        out += what;
        out += ": ";
        out += name_to_utf8(path);
        out += "\n";
    }
    return out;
}

std::string RunSummary::json(const RunEnd& end) const {
    std::string text;
    {
        JsonOut j(text);
        j.raw("{\"t\":").number(end.t).key("steps").integer(end.steps).key("reason").string(
            end.reason);
        j.key("timeline").raw('[');
        for (std::size_t i = 0; i < timeline_.size(); ++i) {
            if (i) j.raw(',');
            j.raw("{\"t\":").number(timeline_[i].t).key("what").string(timeline_[i].what).raw('}');
        }
        j.raw(']').key("unused_keys").raw('[');
        for (std::size_t i = 0; i < unused_keys_.size(); ++i)
            (i ? j.raw(',') : j).string(unused_keys_[i]);
        j.raw(']').key("vessels").raw('[');
        for (std::size_t i = 0; i < vessels_.size(); ++i) {
            const Vessel& s = vessels_[i];
            if (i) j.raw(',');
            j.raw("{\"name\":").string(s.name);
            j.key("propellant_used_kg").number(s.propellant_start_kg - s.propellant_end_kg);
            j.key("propellant_kg").number(s.propellant_end_kg);
            j.key("delta_v_m_s").number(s.delta_v_m_s);
            j.key("main_engine_propellant_kg").number(s.main_propellant_kg);
            j.key("main_engine_delta_v_m_s").number(s.main_dv_m_s);
            j.key("propellant_by_group_kg").raw('{');
            for (std::size_t g = 0; g < s.group_used_kg.size(); ++g)
                j.key(s.group_used_kg[g].first, g != 0).number(s.group_used_kg[g].second);
            j.raw('}');
            j.key("hud_longitude").string(s.longitude).key("hud_drift").string(s.drift);
            j.key("hud_orbits_required").string(s.orbits_required);
            const bool known = i < last_.size() && last_[i].true_lon_deg;
            j.key("true_lon_deg");
            if (known)
                j.number(*last_[i].true_lon_deg)
                    .key("true_drift_deg_per_orbit")
                    .number(*last_[i].true_drift_deg_day * kSiderealDay / 86400.0);
            else
                j.raw("null").key("true_drift_deg_per_orbit").raw("null");
            j.key("settled_at_s");
            if (s.settled_at >= 0.0)
                j.number(s.settled_at)
                    .key("worst_settled_pointing_deg")
                    .number(s.worst_settled_deg);
            else
                j.raw("null").key("worst_settled_pointing_deg").raw("null");
            j.key("final_pointing_deg");
            if (s.final_pointing_deg >= 0.0)
                j.number(s.final_pointing_deg);
            else
                j.raw("null");
            j.key("surface_at_s");
            if (s.surface_at >= 0.0)
                j.number(s.surface_at);
            else
                j.raw("null");
            j.key("eclipses").integer(s.eclipses).key("shadow_s").number(s.shadow_s);
            j.raw('}');
        }
        j.raw(']').key("relocations").raw('[');
        for (std::size_t i = 0; i < relocations_.size(); ++i) {
            const RelocationReport& r = relocations_[i];
            const RelocationPlan& p = r.plan;
            if (i) j.raw(',');
            j.raw("{\"vessel\":").string(r.vessel).key("at").number(r.order_time);
            j.key("target_lon_deg").number(r.target_lon).key("orbits").integer(r.orbits);
            j.key("plan").raw('{').key("start_lon_deg", false).number(p.start_lon);
            j.key("gap_deg").number(p.gap).key("drift_deg_per_orbit").number(p.drift_per_orbit);
            j.key("drift_period_s").number(p.drift_period).key("delta_a_m").number(p.delta_a);
            j.key("start_burn").string(p.prograde ? "prograde" : "retrograde");
            j.key("start_dv_m_s").number(p.start_dv);
            j.key("start_duration_s").number(p.start_duration);
            j.key("stop_dv_m_s").number(p.stop_dv).key("stop_duration_s").number(p.stop_duration);
            j.key("stop_offset_s").number(p.stop_offset);
            j.key("propellant_kg").number(p.propellant).raw('}').key("burns").raw('[');
            for (std::size_t b = 0; b < r.burns.size(); ++b) {
                const ExecutedBurn& e = r.burns[b];
                if (b) j.raw(',');
                j.raw("{\"t\":").number(e.start).key("role").string(burn_role_name(e.role));
                j.key("duration_s").number(e.duration);
                j.key("direction").string(e.prograde ? "prograde" : "retrograde");
                j.key("planned_dv_m_s").number(e.planned_dv).key("dv_m_s").number(e.dv);
                j.key("propellant_kg").number(e.mass_before - e.mass_after).raw('}');
            }
            j.raw(']').key("phase").string(r.phase);
            j.key("arrival_t").number(r.arrival_time).key("arrival_lon_deg").number(r.arrival_lon);
            j.key("arrival_error_deg").number(r.arrival_error);
            j.key("arrival_drift_deg_per_orbit").number(r.arrival_drift).raw('}');
        }
        j.raw(']').key("station_keeping").raw('[');
        for (std::size_t i = 0; i < keepings_.size(); ++i) {
            if (i) j.raw(',');
            keeping_json(j, keepings_[i]);
        }
        j.raw(']').key("files").raw('[');
        for (std::size_t i = 0; i < end.files.size(); ++i) {
            if (i) j.raw(',');
            j.raw("{\"what\":").string(end.files[i].first);
            j.key("path").string(name_to_utf8(end.files[i].second));
            j.raw('}');
        }
        j.raw("]}\n");
    }
    return text;
}

}  // namespace standin
