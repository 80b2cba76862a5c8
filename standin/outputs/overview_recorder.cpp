#include "standin/outputs/overview_recorder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "standin/core/standin_constants.h"
#include "standin/core/thruster_group_names.h"
#include "standin/outputs/hud_station_figures.h"
#include "standin/outputs/output_file.h"
#include "standin/profiles/vessel_profile.h"
#include "standin/station/relocation_executor.h"

namespace standin {

std::vector<OverviewMark> burn_marks(const std::vector<ExecutedBurn>& burns) {
    std::vector<OverviewMark> marks;
    marks.reserve(burns.size());
    for (std::size_t i = 0; i < burns.size(); ++i) {
        const ExecutedBurn& b = burns[i];
        char label[80];
        std::snprintf(label, sizeof label, "%s burn %.3f m/s %s", burn_role_name(b.role),
                      b.planned_dv, b.prograde ? "prograde" : "retrograde");
        marks.push_back({OverviewMark::Kind::burn, b.start, b.duration, label});
    }
    return marks;
}

OverviewSample overview_sample(const StepSnapshot& snapshot, std::size_t i,
                               const VesselRecord& vessel, const std::vector<DrawnText>& hud_texts,
                               double target_lon) {
    const VesselStep& v = snapshot.vessels[i];
    const double none = std::nan("");
    OverviewSample s;
    s.time = snapshot.t;
    // The true motion once a sidereal day of it is known; the osculating
    // orbit's until then (the first day, and a day after each burn).
    s.mean_lon = v.true_lon_deg.value_or(v.mean_lon_deg);
    double period = v.period_s;
    if (v.true_drift_deg_day) {
        // The period whose drift, as the module reckons it, is the true one.
        const double per_orbit = *v.true_drift_deg_day * kSiderealDay / 86400.0;
        period = kNominalGeoPeriod * (1.0 - per_orbit / 360.0);
    }
    overview_truth(s.mean_lon, period, target_lon, s.drift_rate, s.orbits_required);
    s.propellant = v.propellant_kg;
    s.inclination = v.inclination_deg;
    const double empty = vessel.empty_mass.value_or(0.0);
    const double ve = main_engine(vessel).exhaust_velocity;
    s.remaining_dv = empty > 0.0 ? ve * std::log(v.mass_kg / empty) : none;
    for (std::size_t d = 0; d < 2; ++d)
        s.dish_error[d] = v.pointed ? v.pointing_error_deg[d] : none;
    for (std::size_t k = 0; k < 6; ++k) s.animation[k] = k < v.anim.size() ? v.anim[k] : none;
    const VesselProfile* profile = vessel_profile(vessel);
    const HudStationFigures f = profile != nullptr
                                    ? read_hud_station_figures(hud_texts, profile->hud)
                                    : HudStationFigures{};
    s.printed_mean_lon = f.mean_lon.value_or(none);
    s.printed_drift_rate = f.drift_rate.value_or(none);
    s.printed_orbits_required = f.orbits_required.value_or(none);
    s.printed_remaining_dv = f.remaining_dv.value_or(none);
    return s;
}

void OverviewRecorder::header(const RunHeader& header) {
    header_ = header;
    for (const VesselRecord* r : header.vessels) {
        const VesselProfile* profile = vessel_profile(*r);
        double target = settings_.target_lon;
        if (std::isnan(target) && settings_.box) target = settings_.box->lon_deg;
        if (std::isnan(target) && profile != nullptr) target = profile->target_lon_deg;
        targets_.push_back(target);
    }
    const std::size_t n = header.vessels.size();
    samples_.resize(n);
    boxes_.assign(n, settings_.box);
    burns_.resize(n);
    open_.resize(n);
    eclipses_.resize(n);
    shadow_since_.assign(n, NAN);
}

void OverviewRecorder::step(const StepSnapshot& snapshot) {
    last_ = snapshot;
    for (std::size_t i = 0; i < open_.size(); ++i) close_burns(i, false);
}

// Burns whose end edge came are closed once a step has flown past it (an
// edge comes before the step it falls in); all of them at the run's end.
void OverviewRecorder::close_burns(std::size_t vessel, bool all) {
    auto& open = open_[vessel];
    for (auto b = open.begin(); b != open.end();) {
        if (!all && std::isnan(b->end)) {
            ++b;
            continue;
        }
        const double end = std::isnan(b->end) ? last_.t : b->end;
        double dv = NAN;
        if (vessel < last_.vessels.size() && b->group < last_.vessels[vessel].group_dv_m_s.size())
            dv = last_.vessels[vessel].group_dv_m_s[b->group] - b->dv0;
        char figure[32] = "";
        if (std::isfinite(dv)) std::snprintf(figure, sizeof figure, " %.3f m/s", dv);
        burns_[vessel].push_back(
            {OverviewMark::Kind::burn, b->start, end - b->start, "burn " + b->name + figure, dv});
        b = open.erase(b);
    }
}

void OverviewRecorder::event(const RunEvent& e) {
    if (e.vessel >= samples_.size()) return;
    if (e.kind == RunEvent::Kind::burn) {
        const VesselRecord& r = *header_.vessels[e.vessel];
        std::size_t g = 0;
        while (g < r.groups.size() && group_name(r.groups[g].type) != e.name) ++g;
        if (g == r.groups.size()) return;
        auto& open = open_[e.vessel];
        const auto same = std::find_if(open.begin(), open.end(), [&](const OpenBurn& b) {
            return b.group == g && std::isnan(b.end);
        });
        if (e.start && same == open.end()) {
            const bool seen =
                e.vessel < last_.vessels.size() && g < last_.vessels[e.vessel].group_dv_m_s.size();
            open.push_back(
                {g, e.t, NAN, seen ? last_.vessels[e.vessel].group_dv_m_s[g] : 0.0, e.name});
        } else if (!e.start && same != open.end()) {
            same->end = e.t;
        }
        return;
    }
    // Keeping begun (from the options or a live order): its box, and the
    // target when the plot had none to measure from.
    if (e.kind == RunEvent::Kind::keeping) {
        boxes_[e.vessel] = StationBox{e.value, e.halfwidth};
        if (std::isnan(targets_[e.vessel])) targets_[e.vessel] = e.value;
        return;
    }
    if (e.kind == RunEvent::Kind::eclipse) {
        double& since = shadow_since_[e.vessel];
        if (e.start && std::isnan(since)) {
            since = e.t;
        } else if (!e.start) {
            // An exit with no entry before it: in the shadow from the start.
            eclipses_[e.vessel].push_back({std::isnan(since) ? header_.t : since, e.t});
            since = NAN;
        }
        return;
    }
    // A HUD drawn for a sample: the module's figures beside the step's truth.
    if (e.kind != RunEvent::Kind::hud || e.shown || !e.hud || e.vessel >= last_.vessels.size())
        return;
    samples_[e.vessel].push_back(overview_sample(last_, e.vessel, *header_.vessels[e.vessel],
                                                 e.hud->texts, targets_[e.vessel]));
}

void OverviewRecorder::finish(RunEnd& end) {
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const std::string path = (std::filesystem::path(settings_.folder) /
                                  ("overview_" + header_.file_names[i] + ".svg"))
                                     .string();
        close_burns(i, true);
        std::vector<OverviewMark> marks = burns_[i];
        marks.insert(marks.end(), settings_.marks.begin(), settings_.marks.end());
        if (!std::isnan(shadow_since_[i])) eclipses_[i].push_back({shadow_since_[i], last_.t});
        OverviewInput in{header_.names[i],       targets_[i],      boxes_[i],
                         std::move(samples_[i]), std::move(marks), std::move(eclipses_[i])};
        write_file_atomically("--svg", path, overview_plot_svg(in));
        end.files.emplace_back("overview plot", path);
    }
}

}  // namespace standin
