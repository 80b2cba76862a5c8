// What a run did, for people at its end (standard error) and as JSON
// (--summary): the timeline of keys and what they started, ends of travel
// and burns; propellant and delta-v used; the figures of the last HUD
// frame drawn; the Earth-side dish's pointing error once settled; the
// surface reached; eclipses and time in shadow; the files written.
#pragma once

#include <string>
#include <vector>

#include "standin/profiles/vessel_profile.h"
#include "standin/snapshot/run_observer.h"
#include "standin/station/keeping_report.h"
#include "standin/station/relocation_report.h"

namespace standin {

class RunSummary : public RunObserver {
public:
    struct Entry {
        double t = 0.0;  // [s]
        std::string what;
    };
    struct Vessel {
        std::string name;  // UTF-8
        double propellant_start_kg = 0.0;
        double propellant_end_kg = 0.0;
        double delta_v_m_s = 0.0;         // all propellant at the main engine's exhaust speed
        double main_propellant_kg = 0.0;  // drawn by the main engine
        double main_dv_m_s = 0.0;         // the main engine's own delta-v
        std::vector<std::pair<std::string, double>> group_used_kg;  // [kg] by group
        std::string longitude, drift, orbits_required;              // as the HUD shows them
        double settled_at = -1.0;          // [s] first pointing error under the threshold
        double worst_settled_deg = 0.0;    // worst pointing error after that
        double final_pointing_deg = -1.0;  // of the Earth-side dish at the end; -1: none
        double surface_at = -1.0;          // [s] reached the Earth's surface; -1: never
        long eclipses = 0;                 // entries into the Earth's shadow
        double shadow_s = 0.0;             // [s] in the shadow, to the run's end
        double shadow_since = -1.0;        // [s] the entry of the shadow it is in; -1: sunlit
    };

    // path: the --summary file; empty for none.
    explicit RunSummary(std::string path);

    void header(const RunHeader& header) override;
    void step(const StepSnapshot& snapshot) override;
    void event(const RunEvent& event) override;
    // Writes the --summary file, with the files written before it.
    void finish(RunEnd& end) override;

    // For people, with every file written.
    std::string text(const RunEnd& end) const;
    std::string json(const RunEnd& end) const;

    const std::vector<Entry>& timeline() const { return timeline_; }
    const std::vector<Vessel>& vessels() const { return vessels_; }

private:
    void note(double t, const std::string& what) { timeline_.push_back({t, what}); }

    std::string path_;
    std::vector<Entry> timeline_;
    std::vector<std::string> unused_keys_;
    std::vector<Vessel> vessels_;
    double start_t_ = 0.0;            // [s] the run's
    std::vector<double> exhaust_;     // [m/s] per vessel, its main engine's
    std::vector<double> empty_mass_;  // [kg] per vessel
    std::vector<std::vector<std::string>> animation_names_;
    std::vector<std::vector<std::string>> group_names_;
    std::vector<const VesselProfile*> profiles_;  // per vessel; null: none
    std::vector<std::vector<double>> before_;     // animation states before the last step
    std::vector<std::vector<bool>> moving_;
    std::vector<VesselStep> last_;  // the last snapshot's
    long key_entry_ = -1;           // the timeline entry of a key pressed before this step
    double next_pointing_ = 0.0;
    std::vector<RelocationReport> relocations_;
    std::vector<KeepingReport> keepings_;
};

}  // namespace standin
