// A trace step record cut down to what the replay page reads.
//
// The text is filtered, not re-encoded: every value kept is copied byte for
// byte, so numbers keep their shortest exact form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct LeanStep {
    std::string json;  // the record with only the page's fields
    // The states of every animation but the dishes' tracking, per vessel as
    // written: equal texts in two steps mean no mechanism moved between them.
    std::string mechanisms;
    std::vector<double> tracking;  // the tracking animations' states, vessel by vessel
    double t = 0.0;                // [s]
    bool thrusting = false;        // some thruster group at a level other than 0
};

// The animations a vessel turns all the time while its dishes track (its
// profile's `rotation`, `tilt1`, `tilt2`), as the trace header names them.
// Without any vessel profile (another class, or an older trace) none are
// known, and every animation is judged by how fast it moves.
struct TrackingAnimations {
    bool known = false;
    std::vector<std::string> names;  // JSON string contents, as written
};
TrackingAnimations tracking_animations(std::string_view header_json);

// False, leaving *out alone, when `json` is not one JSON object whose
// `vessels` (if any) is an array of objects.
bool lean_step(std::string_view json, const TrackingAnimations& tracking, LeanStep* out);

}  // namespace standin
