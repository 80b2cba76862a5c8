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

namespace standin {

enum class TraceRecordKind { header, step, event, end };

// The placeholder in the template that the data block replaces.
inline constexpr std::string_view kReplayDataPlaceholder = "__KRV_REPLAY_DATA__";

// Steps kept at most, spread evenly over the run's time.
inline constexpr std::size_t kReplayMaxSteps = 20000;

class ReplayWriter {
public:
    // mesh: the vessel's mesh name in the installation ("krv/krv" stands for
    // Meshes/krv/krv.obj under installation).
    ReplayWriter(std::filesystem::path template_file, std::filesystem::path installation,
                 std::string mesh, std::size_t max_steps = kReplayMaxSteps);

    // One trace record as written: its JSON text (one object, no newline),
    // its kind and its simulation time [s]. Steps come in time order.
    void add(TraceRecordKind kind, double t, std::string_view json);

    // Writes the page through a temporary file renamed into place, so that
    // `out` is either the whole page or untouched. False, with the reason
    // naming the file at fault in *error, when a file cannot be read or
    // written or the template lacks the placeholder.
    bool write(const std::filesystem::path& out, std::string* error) const;

    // The data block's JSON text, '<' written as \u003c so that nothing in
    // it can close the script element that holds it.
    bool data_json(std::string& json, std::string* error) const;

    std::size_t kept_steps() const;

private:
    struct Kept {
        std::size_t order;  // arrival position, to merge steps and the rest back in order
        double t;
        std::string json;
    };
    void thin();

    std::filesystem::path template_file_;
    std::filesystem::path installation_;
    std::string mesh_;
    std::size_t max_steps_;
    std::size_t arrivals_ = 0;
    double spacing_ = 0.0;  // [s] least time between kept steps, doubled as needed
    std::vector<Kept> steps_;
    std::vector<Kept> others_;
    Kept last_step_{0, 0.0, {}};
    bool have_last_step_ = false;
    bool last_step_kept_ = false;
};

}  // namespace standin
