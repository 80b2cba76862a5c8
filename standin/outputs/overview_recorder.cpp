#include "standin/outputs/overview_recorder.h"

#include <cstdio>
#include <filesystem>

#include "standin/core/standin_constants.h"
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
        if (std::isnan(target) && profile != nullptr) target = profile->target_lon_deg;
        targets_.push_back(target);
    }
    samples_.resize(header.vessels.size());
    relocation_marks_.resize(header.vessels.size());
}

void OverviewRecorder::event(const RunEvent& e) {
    if (e.kind == RunEvent::Kind::relocation_report && e.report != nullptr &&
        e.vessel < relocation_marks_.size()) {
        relocation_marks_[e.vessel] = burn_marks(e.report->burns);
        return;
    }
    // A HUD drawn for a sample: the module's figures beside the step's truth.
    if (e.kind != RunEvent::Kind::hud || e.shown || !e.hud || e.vessel >= samples_.size() ||
        e.vessel >= last_.vessels.size())
        return;
    samples_[e.vessel].push_back(overview_sample(last_, e.vessel, *header_.vessels[e.vessel],
                                                 e.hud->texts, targets_[e.vessel]));
}

void OverviewRecorder::finish(RunEnd& end) {
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const std::string path = (std::filesystem::path(settings_.folder) /
                                  ("overview_" + header_.file_names[i] + ".svg"))
                                     .string();
        std::vector<OverviewMark> marks = relocation_marks_[i];
        marks.insert(marks.end(), settings_.marks.begin(), settings_.marks.end());
        OverviewInput in{header_.names[i], targets_[i], std::move(samples_[i]), std::move(marks)};
        write_file_atomically("--svg", path, overview_plot_svg(in));
        end.files.emplace_back("overview plot", path);
    }
}

}  // namespace standin
