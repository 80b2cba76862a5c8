// What a run did, for people at its end (standard error) and as JSON
// (--summary): the timeline of keys and what they started, ends of travel
// and burns; propellant and delta-v used; the HUD's last figures; the
// Earth-side dish's pointing error once settled; the files written.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "standin/run/simulation.h"
#include "standin/snapshot/hud_frame.h"
#include "standin/station/relocation_report.h"

namespace standin {

class RunSummary {
public:
    struct Entry {
        double t = 0.0;  // [s]
        std::string what;
    };
    struct Vessel {
        std::string name;  // UTF-8
        double propellant_start_kg = 0.0;
        double propellant_end_kg = 0.0;
        double delta_v_m_s = 0.0;
        std::string longitude, drift, orbits_required;  // as the HUD shows them
        double settled_at = -1.0;          // [s] first pointing error under the threshold
        double worst_settled_deg = 0.0;    // worst pointing error after that
        double final_pointing_deg = -1.0;  // of the Earth-side dish at the end; -1: none
    };

    explicit RunSummary(Simulation& sim);

    void key(double t, const std::string& key, const Simulation& sim,
             const std::vector<bool>& used);
    void burn(double t, const std::string& vessel, const std::string& group, bool start,
              double level);
    // Anything else that happened at t, in the timeline.
    void note(double t, const std::string& what);
    void relocation(const RelocationReport& report);
    // After every step.
    void step(Simulation& sim);
    void finish(Simulation& sim, double t, long steps, const std::string& reason);
    void file(const std::string& what, const std::string& path);

    std::string text() const;
    std::string json() const;

    const std::vector<Entry>& timeline() const { return timeline_; }
    const std::vector<Vessel>& vessels() const { return vessels_; }

private:
    std::vector<Entry> timeline_;
    std::vector<std::string> unused_keys_;
    std::vector<Vessel> vessels_;
    std::vector<std::vector<double>> before_;  // animation states before the last step
    std::vector<std::vector<bool>> moving_;
    long key_entry_ = -1;  // the timeline entry of a key pressed before this step
    double next_pointing_ = 0.0;
    double end_t_ = 0.0;
    long steps_ = 0;
    std::string reason_;
    std::vector<std::pair<std::string, std::string>> files_;
    std::vector<RelocationReport> relocations_;
};

}  // namespace standin
