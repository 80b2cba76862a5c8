// The replay page: one self-contained HTML file that plays a run in 3-D.
//
// The writer takes the viewer's template (built from viewer/, holding the
// data placeholder once), receives the trace's records as they are written,
// keeps what a smooth replay needs and writes the page with the data filled
// in: the records, the vessel's mesh and materials, and their textures, all
// read from the installation folder. The data block's format is described in
// viewer/README.md.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "standin/replay/lean_step.h"

namespace standin {

enum class TraceRecordKind { header, step, event, end };

// The placeholder in the template that the data block replaces.
inline constexpr std::string_view kReplayDataPlaceholder = "__KRV_REPLAY_DATA__";

// Steps kept at most, and their bytes at most: the steps in which nothing but
// the dishes' tracking moves are spread evenly over the run's time within
// both. Steps in which a mechanism travels, a dish slews or its tracking
// bends, or thrusters fire, and those on either side of a key, a burn edge or
// an end of travel, are always kept.
inline constexpr std::size_t kReplayMaxSteps = 20000;
inline constexpr std::size_t kReplayMaxStepBytes = 3'500'000;

class ReplayWriter {
public:
    // mesh: the vessel's mesh name in the installation ("krv/krv" stands for
    // Meshes/krv/krv.obj under installation).
    ReplayWriter(std::filesystem::path template_file, std::filesystem::path installation,
                 std::string mesh, std::size_t max_steps = kReplayMaxSteps,
                 std::size_t max_step_bytes = kReplayMaxStepBytes);

    // One trace record as written: its JSON text (one object, no newline),
    // its kind and its simulation time [s]. Steps come in time order; a
    // step keeps only the fields the page reads.
    void add(TraceRecordKind kind, double t, std::string_view json);

    // Writes the page through a temporary file renamed into place, so that
    // `out` is either the whole page or untouched. False, with the reason
    // naming the file at fault in *error, when a file cannot be read or
    // written or the template lacks the placeholder.
    bool write(const std::filesystem::path& out, std::string* error) const;

    // The page's text: the template with the data block filled in; `live`
    // marks it as a live flight's ("live":true first), whose records
    // arrive over its WebSocket. False, with the reason in *error, as write().
    bool page(std::string& page, std::string* error, bool live = false) const;

    // The data block's JSON text, '<' written as \u003c so that nothing in
    // it can close the script element that holds it.
    bool data_json(std::string& json, std::string* error) const;

    std::size_t kept_steps() const;

private:
    struct Kept {
        std::size_t order;  // arrival position, to merge steps and the rest back in order
        double t;
        std::string json;
        bool essential = false;  // never thinned away
    };
    // Steps held while the run goes on, at most this many times the limits.
    static constexpr std::size_t kHeldFactor = 4;
    void commit(Kept step);
    void thin();
    // The held steps at least `spacing` apart but the essential ones, the
    // latest one last, and their bytes.
    std::vector<const Kept*> spaced(double spacing, std::size_t* bytes) const;
    // The page's steps: the least spacing within both limits.
    std::vector<const Kept*> page_steps() const;

    std::filesystem::path template_file_;
    std::filesystem::path installation_;
    std::string mesh_;
    std::size_t max_steps_;
    std::size_t max_step_bytes_;
    std::size_t arrivals_ = 0;
    double spacing_ = 0.0;  // [s] least time between kept steps, doubled as needed
    std::vector<Kept> steps_;
    std::size_t step_bytes_ = 0;  // of steps_
    std::vector<Kept> others_;
    TrackingAnimations tracking_;  // from the header
    // The latest step waits for the next record: that may make it essential.
    Kept pending_{0, 0.0, {}, false};
    std::string pending_mechanisms_;
    std::vector<double> pending_tracking_;
    std::vector<double> before_tracking_;  // of the step before the latest
    double before_t_ = 0.0;
    bool have_pending_ = false;
    bool next_essential_ = false;
};

}  // namespace standin
