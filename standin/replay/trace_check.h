// What krvreplay requires of a trace before it makes a page of it: every
// line a JSON object with a type and a time; the first a header of format
// 1 naming at least one vessel; step records for that many vessels, each
// with a position and an attitude, in time order; at least one step.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace standin {

constexpr int kReplayTraceFormat = 1;

class TraceCheck {
public:
    // The trace's next line; the empty string when it is sound, otherwise
    // what is wrong with it.
    std::string line(std::string_view text);
    // After the last line: what is missing, or the empty string.
    std::string finish() const;
    // The type and time of the last sound line (0 for the header).
    const std::string& type() const { return type_; }
    double time() const { return t_; }

private:
    std::string type_;
    double t_ = 0.0;
    bool header_seen_ = false;
    std::size_t vessels_ = 0;
    long steps_ = 0;
    double last_step_t_ = -1e300;
};

}  // namespace standin
