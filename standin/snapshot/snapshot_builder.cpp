#include "standin/snapshot/snapshot_builder.h"

#include "standin/core/standin_constants.h"
#include "standin/snapshot/ground_track.h"

namespace standin {

namespace {

VECTOR3 unit(const VECTOR3& v, double& length) {
    length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0)) return {0.0, 0.0, 0.0};
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

SnapshotBuilder::SnapshotBuilder(OrbitalWorld& world, Session& session,
                                 std::vector<SessionVessel*> vessels, const CallLog* calls,
                                 LinesRule lines)
    : world_(world),
      session_(session),
      vessels_(std::move(vessels)),
      calls_(calls),
      lines_(lines),
      step_calls_(vessels_.size()),
      true_motion_(vessels_.size()),
      moving_used_kg_(vessels_.size(), 0.0) {
    if (calls_ != nullptr) reader_ = std::make_unique<StepCallReader>(*calls_);
    for (SessionVessel* v : vessels_) {
        gauges_.emplace_back(*v->record);
        profiles_.push_back(vessel_profile(*v->record));
        double propellant = 0.0;
        for (const auto& tank : v->record->tanks) propellant += tank.mass;
        main_.push_back({main_engine(*v->record).exhaust_velocity, 0.0, propellant});
    }
    snapshot_.vessels.resize(vessels_.size());
    snapshot_.calls = calls_;
}

const StepSnapshot& SnapshotBuilder::take(long n, double dt) {
    StepSnapshot& s = snapshot_;
    s.n = n;
    s.t = world_.sim_time();
    s.mjd = world_.sim_mjd();
    s.dt = dt;
    s.rotation = world_.earth_rotation();
    const VECTOR3 sun = sun_.position(s.mjd);
    const bool lines = lines_.lines_every > 0 && n % lines_.lines_every == 0 &&
                       (n % lines_.keep_every == 0 || s.t >= lines_.last);
    // The step's calls, before the lines are asked for: that is a call too.
    for (std::size_t i = 0; i < vessels_.size() && reader_; ++i)
        reader_->read(*vessels_[i]->record, step_calls_[i]);
    for (std::size_t i = 0; i < vessels_.size(); ++i) {
        SessionVessel& sv = *vessels_[i];
        const VesselRecord& r = *sv.record;
        VesselStep& v = s.vessels[i];
        const StepCalls& calls = step_calls_[i];
        v.state = world_.state(r);
        v.q = world_.attitude(r);
        v.rate = world_.rate(r);
        const VECTOR3& p = v.state.r;
        v.earth_dir = unit(unrotate(v.q, {-p.x, -p.y, -p.z}), v.earth_dist_m);
        double sun_distance = 0.0;
        v.sun_dir = unrotate(v.q, unit({sun.x - p.x, sun.y - p.y, sun.z - p.z}, sun_distance));
        v.lon_deg = sub_satellite_lon_deg(p, s.rotation);
        const ORBITPARAM orbit = world_.orbit(r);
        v.mean_lon_deg = mean_surface_lon_deg(orbit.mean_lon, s.rotation);
        v.period_s = orbit.period;
        v.host = calls.host;
        v.anim.clear();
        for (const auto& a : r.animations) v.anim.push_back(a.state);
        v.set.clear();
        for (const auto& a : calls.set) v.set.push_back(a.animation);
        v.travel_ends = calls.travel_ends;
        v.tank_kg.clear();
        v.propellant_kg = 0.0;
        for (const auto& tank : r.tanks) {
            v.tank_kg.push_back(tank.mass);
            v.propellant_kg += tank.mass;
        }
        v.mass_kg = r.total_mass();
        v.thrust.clear();
        v.group_used_kg.clear();
        double main_used = 0.0;
        bool main_seen = false;
        for (const auto& g : r.groups) {
            v.thrust.push_back(g.thrusters.empty() ? 0.0 : g.thrusters.front()->level);
            double used = 0.0;
            for (const Thruster* t : g.thrusters) used += t->drawn_kg;
            v.group_used_kg.push_back(used);
            if (g.type == THGROUP_MAIN && !main_seen) {
                main_used = used;
                main_seen = true;
            }
        }
        MainEngineUse& m = main_[i];
        const double burnt = main_used - m.used_kg;
        // The mass at the step's start: now, plus all that was drawn in it.
        const double m_start = v.mass_kg + std::max(0.0, m.propellant_kg - v.propellant_kg);
        if (burnt > 0.0 && m_start > burnt)
            v.main_dv_m_s += m.exhaust_m_s * std::log(m_start / (m_start - burnt));
        m.used_kg = main_used;
        m.propellant_kg = v.propellant_kg;
        TrueMotionFit& fit = true_motion_[i];
        const double moving_used = moving_propellant_drawn(r);
        fit.add(s.t, v.lon_deg, moving_used > moving_used_kg_[i]);
        moving_used_kg_[i] = moving_used;
        const std::optional<TrueMotion> motion = fit.fit();
        v.true_lon_deg.reset();
        v.true_drift_deg_day.reset();
        if (motion) {
            v.true_lon_deg = motion->lon_deg;
            v.true_drift_deg_day = motion->drift_deg_day;
        }
        v.pointed = gauges_[i].applies();
        v.earth_dish = 0;
        if (v.pointed) {
            const auto errors = gauges_[i].errors(v.earth_dir, v.anim);
            v.pointing_error_deg = {errors[0] * kDegPerRad, errors[1] * kDegPerRad};
            // The booms must be out for a dish to face anything; then the
            // Earth-side dish is the one nearer its direction.
            if (v.anim[profiles_[i]->booms] == 1.0)
                v.earth_dish = v.pointing_error_deg[0] <= v.pointing_error_deg[1] ? 1 : 2;
        }
        v.has_lines = lines;
        if (lines) v.lines = session_.save_own(sv);
    }
    return s;
}

}  // namespace standin
