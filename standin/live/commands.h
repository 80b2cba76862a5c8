// The orders a live page sends, parsed from its JSON messages into small
// typed records. The message schema is in docs/live.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace standin::live {

// A key as the runner's --key option names it: one letter or digit, SPACE
// or RETURN, with the held modifiers.
struct Key {
    std::string name;    // "G", "7", "SPACE", "RETURN"
    bool shift = false;  // the left Shift, as "Shift+" on the command line
    bool right_shift = false;
    bool ctrl = false;
    bool alt = false;

    // "G", "Shift+G", "Ctrl+Alt+RShift+K": the text --key accepts.
    std::string text() const;
};

struct Warp {
    double factor = 1.0;  // simulated seconds per real second, 1 to 100000
};

struct Pause {};
struct Resume {};

struct Burn {
    std::string group;     // the --burn option's group name, lower case
    double seconds = 0.0;  // [s] of simulation time, above 0
    double level = 1.0;    // 0 to 1
};

enum class AttitudeMode { sun, prograde, retrograde, hold };

struct Attitude {
    AttitudeMode mode = AttitudeMode::sun;
};

struct Relocate {
    std::string lon;            // as given, e.g. "102W"
    double lon_east_deg = 0.0;  // [deg] 0 to 360
    int orbits = 1;             // drift orbits, a whole number from 1
};

struct KeepStation {
    std::string lon;             // as given, e.g. "102W"
    double lon_east_deg = 0.0;   // [deg] 0 to 360
    double halfwidth_deg = 0.0;  // [deg] the box's half width, above 0 and at most 10
};

using Order = std::variant<Key, Warp, Pause, Resume, Burn, Attitude, Relocate, KeepStation>;

struct Command {
    std::uint64_t client = 0;        // which connection sent it, from 1
    std::optional<std::int64_t> id;  // the page's own number for it, if any
    Order order;
    std::string message;  // the message as received, for the trace
};

// Why a message was not taken; the `error` field of the reply.
enum class Refusal {
    malformed,  // not a JSON object, or not text
    unknown,    // a "type" this server does not know
    invalid,    // a known type with a missing, extra or out-of-range field
    too_big,    // longer than the limit
    busy,       // commands arrive faster than the simulation takes them
};

const char* refusal_name(Refusal r);

struct ParseResult {
    std::optional<Command> command;  // set when the message was taken
    Refusal refusal = Refusal::malformed;
    std::string detail;              // what was wrong, for the reply and the log
    std::optional<std::int64_t> id;  // the message's id, echoed in the reply
};

// Parses one text message. Never throws.
ParseResult parse_command(const std::string& message);

// The reply to a refused message: {"type":"error","error":...,"detail":...[,"id":N]}.
std::string error_reply(Refusal r, const std::string& detail, std::optional<std::int64_t> id);

}  // namespace standin::live
