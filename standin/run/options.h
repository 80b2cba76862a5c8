// krvsim's command line.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/types.h"
#include "standin/core/fault_schedule.h"
#include "standin/run/key_spec.h"
#include "standin/world/attitude_mode.h"
#include "standin/world/forces/force_model.h"

namespace standin {

struct KeyEvent {
    double time = 0.0;  // [s]
    KeySpec key;
};

struct BurnCommand {
    double time = 0.0;      // [s] start
    double duration = 0.0;  // [s]
    THGROUP_TYPE group = THGROUP_MAIN;
    std::string group_name;
    double level = 1.0;  // [0..1]
};

// From `time` on, steps of `dt` seconds (the host's time acceleration).
struct WarpCommand {
    double time = 0.0;  // [s]
    double dt = 1.0;    // [s]
    std::string text;   // as given, for messages
};

struct AttitudeCommand {
    double time = 0.0;  // [s]
    AttitudeMode mode = AttitudeMode::sun;
    std::string text;
};

// A move along the geostationary arc, planned by the host at `time`.
struct RelocateCommand {
    double time = 0.0;        // [s]
    double target_lon = 0.0;  // [deg] east, 0..360
    int orbits = 0;           // drift orbits
    std::string text;
};

// Station keeping from the run's start (or from time, a live flight's
// order), or from a relocation's arrival: the mean longitude within lon +-
// halfwidth, and with ns the inclination under halfwidth too.
struct KeepStationCommand {
    std::optional<double> time;  // [s]
    double lon = 0.0;            // [deg] east, 0..360
    double halfwidth = 0.0;      // [deg] above 0, at most 10
    bool ns = false;
    std::string text;
};

// Every option of a run; the command line and a --config run file fill it.
// A new option is a field here and one definition in options.cpp.
struct Options {
    std::string scenario;         // empty: the default scenario
    double dt = 1.0;              // [s]
    std::optional<double> until;  // [s] end time; default: 60 s after the start
    std::vector<KeyEvent> keys;
    std::vector<BurnCommand> burns;
    std::vector<WarpCommand> warps;
    std::vector<AttitudeCommand> attitudes;
    std::optional<RelocateCommand> relocate;
    std::optional<KeepStationCommand> keep_station;
    ForceSelection forces = parse_forces("all");  // two-body: the exact closed form
    int hud_width = 1024;
    int hud_height = 768;
    std::vector<double> hud_at;       // [s]
    std::optional<double> hud_every;  // [s]
    std::string save;
    std::string trace;            // "-": standard output
    int trace_every = 1;          // [steps] between kept step records
    int trace_lines_every = 600;  // [steps] between the vessel's own lines in the trace
    std::string summary;          // JSON summary file
    std::string svg;
    std::string calls;                // JSON Lines of the host calls; "-": standard output
    std::vector<FaultWindow> faults;  // host faults on demand
    std::string replay;               // the self-contained replay page (HTML)
    std::string poses;                // animation state sets to pose instead of running; "-": stdin
    std::string poses_out;            // where the posed groups go; empty or "-": standard output
    bool attitude_hold = true;
    bool progress = true;
    bool report = false;  // print each vessel's declared make-up before the run
    std::string modules;
    std::string config;  // the run file the options came from, if any
    // A live flight: served to browsers and paced by the wall clock.
    bool live = false;
    std::string live_listen = "127.0.0.1:8321";  // [ADDR:]PORT
    std::string record;                          // the live flight as a run file to fly again
};

// [s] a live flight's base step unless --dt gives one: a frame at 60 Hz.
constexpr double kLiveStep = 1.0 / 60.0;

// A bad command line; the message says what and how to ask for help.
class OptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    Options options;
    // Text to print instead of running (--help, --version); empty to run.
    std::string print;
};

// args without the program's name. Throws OptionsError.
CommandLine parse_command_line(const std::vector<std::string>& args,
                               const std::string& default_modules,
                               const std::string& default_scenario);

// "krvsim 1.0"
std::string version_text();

}  // namespace standin
