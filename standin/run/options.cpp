#include "standin/run/options.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "standin/core/thruster_group_names.h"
#include "standin/run/fault_spec.h"
#include "standin/run/run_file.h"
#include "standin/station/longitude_text.h"

namespace standin {

namespace {

// [s] no step is shorter (the run's times may ask for a longer one).
constexpr double kShortestStep = 1e-6;

double number(const std::string& option, const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v))
        throw OptionsError(option + ": '" + text + "' is not a number");
    return v;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string::size_type from = 0;
    for (auto at = s.find(sep); at != std::string::npos; at = s.find(sep, from)) {
        out.push_back(s.substr(from, at - from));
        from = at + 1;
    }
    out.push_back(s.substr(from));
    return out;
}

KeyEvent key_event(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        throw OptionsError("--key: expected TIME:KEY, got '" + text + "'");
    KeyEvent e;
    e.time = number("--key", text.substr(0, colon));
    if (e.time < 0.0) throw OptionsError("--key: the time must not be negative");
    const auto key = parse_key(text.substr(colon + 1));
    if (!key)
        throw OptionsError("--key: unknown key '" + text.substr(colon + 1) +
                           "' (a letter or digit, SPACE, RETURN, with Shift+, LShift+, RShift+, "
                           "Ctrl+ or Alt+ before it)");
    e.key = *key;
    return e;
}

BurnCommand burn(const std::string& text) {
    const auto parts = split(text, ':');
    if (parts.size() != 3 && parts.size() != 4)
        throw OptionsError("--burn: expected TIME:SECONDS:GROUP[:LEVEL], got '" + text + "'");
    BurnCommand b;
    b.time = number("--burn", parts[0]);
    b.duration = number("--burn", parts[1]);
    if (b.time < 0.0 || !(b.duration > 0.0))
        throw OptionsError("--burn: the time must not be negative and the duration above 0");
    const auto group = group_by_name(parts[2]);
    if (!group)
        throw OptionsError("--burn: unknown group '" + parts[2] + "' (" + group_names_help() + ")");
    b.group = *group;
    b.group_name = parts[2];
    if (parts.size() == 4) {
        b.level = number("--burn", parts[3]);
        if (!(b.level >= 0.0 && b.level <= 1.0))
            throw OptionsError("--burn: the level must be from 0 to 1");
    }
    return b;
}

WarpCommand warp(const std::string& text) {
    const auto parts = split(text, ':');
    if (parts.size() != 2) throw OptionsError("--warp: expected TIME:DT, got '" + text + "'");
    WarpCommand w;
    w.time = number("--warp", parts[0]);
    w.dt = number("--warp", parts[1]);
    w.text = text;
    if (w.time < 0.0 || !(w.dt >= kShortestStep && w.dt <= 86400.0))
        throw OptionsError("--warp " + text +
                           ": the time must not be negative and the step from 1e-6 s to 86400 s");
    return w;
}

AttitudeCommand attitude(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        throw OptionsError("--attitude: expected TIME:MODE, got '" + text + "'");
    AttitudeCommand a;
    a.time = number("--attitude", text.substr(0, colon));
    a.text = text;
    if (a.time < 0.0) throw OptionsError("--attitude " + text + ": the time must not be negative");
    const auto mode = parse_attitude_mode(text.substr(colon + 1));
    if (!mode || *mode == AttitudeMode::none)
        throw OptionsError("--attitude " + text +
                           ": unknown mode (sun, prograde, retrograde or hold)");
    a.mode = *mode;
    return a;
}

RelocateCommand relocate(const std::string& text) {
    const auto parts = split(text, ':');
    if (parts.size() != 3)
        throw OptionsError("--relocate: expected TIME:LON:ORBITS, got '" + text + "'");
    RelocateCommand r;
    r.text = text;
    r.time = number("--relocate", parts[0]);
    if (r.time < 0.0) throw OptionsError("--relocate " + text + ": the time must not be negative");
    const auto lon = parse_longitude(parts[1]);
    if (!lon)
        throw OptionsError("--relocate " + text + ": '" + parts[1] +
                           "' is not a longitude (degrees 0 to 180 and E or W, e.g. 102W)");
    r.target_lon = *lon;
    const double orbits = number("--relocate", parts[2]);
    if (!(orbits >= 1.0 && orbits == std::floor(orbits) && orbits < 1e6))
        throw OptionsError("--relocate " + text +
                           ": the drift orbits must be a whole number from 1");
    r.orbits = static_cast<int>(orbits);
    return r;
}

KeepStationCommand keep_station(const std::string& text) {
    auto parts = split(text, ':');
    KeepStationCommand k;
    k.text = text;
    // A leading time (as a recorded live flight has it): the first part is no longitude.
    if (parts.size() >= 3 && !parse_longitude(parts[0])) {
        k.time = number("--keep-station", parts[0]);
        if (*k.time < 0.0)
            throw OptionsError("--keep-station " + text + ": the time must not be negative");
        parts.erase(parts.begin());
    }
    if (parts.size() != 2 && parts.size() != 3)
        throw OptionsError(
            "--keep-station: expected LON:HALFWIDTH[:ns] or TIME:LON:HALFWIDTH[:ns], got '" + text +
            "'");
    const auto lon = parse_longitude(parts[0]);
    if (!lon)
        throw OptionsError("--keep-station " + text + ": '" + parts[0] +
                           "' is not a longitude (degrees 0 to 180 and E or W, e.g. 102W)");
    k.lon = *lon;
    k.halfwidth = number("--keep-station", parts[1]);
    if (!(k.halfwidth > 0.0 && k.halfwidth <= 10.0))
        throw OptionsError("--keep-station " + text +
                           ": the half-width must be above 0 and at most 10 degrees");
    if (parts.size() == 3) {
        if (parts[2] != "ns")
            throw OptionsError("--keep-station " + text + ": '" + parts[2] +
                               "' is not ns (north-south keeping too)");
        k.ns = true;
    }
    return k;
}

void hud_size(const std::string& text, Options& o) {
    const auto x = text.find('x');
    if (x == std::string::npos)
        throw OptionsError("--hud: expected WIDTHxHEIGHT, got '" + text + "'");
    const double w = number("--hud", text.substr(0, x));
    const double h = number("--hud", text.substr(x + 1));
    if (w != std::floor(w) || h != std::floor(h) || w < 1 || h < 1 || w > 16384 || h > 16384)
        throw OptionsError("--hud: width and height must be whole numbers from 1 to 16384");
    o.hud_width = static_cast<int>(w);
    o.hud_height = static_cast<int>(h);
}

void whole_steps(const std::string& option, const std::string& text, int& out) {
    const double n = number(option, text);
    if (!(n >= 1.0 && n == std::floor(n) && n < 1e9))
        throw OptionsError(option + ": '" + text + "' is not a whole number of steps from 1");
    out = static_cast<int>(n);
}

// The texts as given, checked and converted once CLI11 has sorted them.
struct Given {
    std::string dt, until, hud, hud_every, trace_every, trace_lines_every, forces, live;
    bool live_given = false;
    std::vector<std::string> keys, burns, hud_at, faults, warps, attitudes, relocations, keepings;
    bool no_hold = false, no_progress = false;
};

// What a live flight cannot take: the options whose meaning needs the
// whole run known before it starts.
void check_live(const Given& g, Options& o) {
    o.live = true;
    if (!g.live.empty()) o.live_listen = g.live;
    if (!g.warps.empty())
        throw OptionsError("--warp: not with --live (the page sets the warp as the flight goes)");
    if (!o.replay.empty())
        throw OptionsError(
            "--replay: not with --live (keep the flight with --trace and make its page with "
            "krvreplay)");
    if (!o.poses.empty()) throw OptionsError("--poses: not with --live");
    if (!o.svg.empty() && g.until.empty())
        throw OptionsError(
            "--svg: with --live, only with --until (the plot is sampled over the run)");
    if (o.record == "-") throw OptionsError("--record: give a file, not -");
    if (g.dt.empty()) o.dt = kLiveStep;
}

void convert(const Given& g, Options& o) {
    if (!g.dt.empty()) {
        o.dt = number("--dt", g.dt);
        if (!(o.dt >= kShortestStep && o.dt <= 86400.0))
            throw OptionsError("--dt: '" + g.dt + "': the step must be from 1e-6 s to 86400 s");
    }
    if (!g.until.empty()) o.until = number("--until", g.until);
    for (const auto& k : g.keys) o.keys.push_back(key_event(k));
    for (const auto& b : g.burns) o.burns.push_back(burn(b));
    if (!g.hud.empty()) hud_size(g.hud, o);
    for (const auto& h : g.hud_at) o.hud_at.push_back(number("--hud-at", h));
    if (!g.hud_every.empty()) {
        o.hud_every = number("--hud-every", g.hud_every);
        if (!(*o.hud_every > 0.0))
            throw OptionsError("--hud-every: '" + g.hud_every + "': the interval must be above 0");
    }
    if (!g.trace_every.empty()) whole_steps("--trace-every", g.trace_every, o.trace_every);
    if (!g.trace_lines_every.empty())
        whole_steps("--trace-lines-every", g.trace_lines_every, o.trace_lines_every);
    for (const auto& f : g.faults) o.faults.push_back(parse_fault(f));
    for (const auto& w : g.warps) o.warps.push_back(warp(w));
    for (const auto& a : g.attitudes) o.attitudes.push_back(attitude(a));
    if (g.relocations.size() > 1)
        throw OptionsError("--relocate " + g.relocations[1] + ": one relocation per run");
    if (!g.relocations.empty()) o.relocate = relocate(g.relocations.front());
    if (g.keepings.size() > 1)
        throw OptionsError("--keep-station " + g.keepings[1] + ": one station per run");
    if (!g.keepings.empty()) o.keep_station = keep_station(g.keepings.front());
    if (o.trace == "-" && o.calls == "-")
        throw OptionsError("--calls -: standard output already carries the trace (--trace -)");
    if (!o.replay.empty() && o.trace == "-")
        throw OptionsError("--replay: the page is made from the trace; give --trace a file, not -");
    if (!o.poses_out.empty() && o.poses.empty())
        throw OptionsError("--poses-out: needs --poses STATES");
    if (!g.forces.empty()) {
        try {
            o.forces = parse_forces(g.forces);
        } catch (const ForcesError& e) {
            throw OptionsError("--forces " + g.forces + ": " + e.what());
        }
    }
    o.attitude_hold = !g.no_hold;
    o.progress = !g.no_progress;
    if (g.live_given) {
        check_live(g, o);
    } else if (!o.record.empty()) {
        throw OptionsError("--record: needs --live (a batch run is its options already)");
    }
}

}  // namespace

std::string version_text() {
    return std::string("krvsim ") + KRV_VERSION + "\n";
}

namespace {

// The options that name files or folders: relative ones in a run file are
// taken from its folder.
bool names_a_path(const std::string& key) {
    for (const char* k : {"scenario", "save", "trace", "summary", "calls", "replay", "poses",
                          "poses-out", "svg", "modules", "record"})
        if (key == k) return true;
    return false;
}

// One parse of args. `given`, when not null, gets the keys (long names
// without "--", or "scenario") the args gave; `run_file` gets what a run
// file may set: key -> (takes a list, is a flag).
struct OptionKind {
    bool list = false;
    bool flag = false;
};

CommandLine parse_once(const std::vector<std::string>& args, const std::string& default_modules,
                       const std::string& default_scenario,
                       std::vector<std::pair<std::string, OptionKind>>* given) {
    CommandLine result;
    Options& o = result.options;
    o.modules = default_modules;
    Given g;
    CLI::App app(
        "Runs a scenario headless in the stand-in host.\nDefault scenario: " + default_scenario,
        "krvsim");
    app.option_defaults()->always_capture_default(false);
    app.get_formatter()->column_width(36);
    const auto one = [](CLI::Option* opt) { return opt->type_size(1)->expected(1); };
    const auto each = [](CLI::Option* opt) {
        return opt->type_size(1)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    };
    app.add_option("scenario", o.scenario, "the scenario file")->type_name("SCENARIO");
    one(app.add_option("--dt", g.dt, "step length [s] (default 1)"))->type_name("SECONDS");
    one(app.add_option("--until", g.until, "end time [s] (default 60 s after the scenario's time)"))
        ->type_name("SECONDS");
    each(app.add_option("--key", g.keys,
                        "press and release KEY at TIME; repeatable. KEY: a letter or digit, "
                        "SPACE or RETURN, optionally after Shift+ (left), LShift+, RShift+, "
                        "Ctrl+ or Alt+, e.g. 5:G, 7:RShift+K"))
        ->type_name("TIME:KEY");
    each(app.add_option("--burn", g.burns,
                        std::string("fire a thruster group from TIME for SECONDS at LEVEL (0..1, "
                                    "default 1); repeatable. GROUP: ") +
                            group_names_help()))
        ->type_name("TIME:SECONDS:GROUP[:LEVEL]");
    each(app.add_option("--warp", g.warps,
                        "time warp: from TIME on, steps of DT seconds; repeatable (steps still "
                        "end at keys, HUD frames and a relocation's events)"))
        ->type_name("TIME:DT");
    each(app.add_option("--attitude", g.attitudes,
                        "from TIME on, the attitude thrusters fly MODE: sun, prograde, "
                        "retrograde or hold; repeatable"))
        ->type_name("TIME:MODE");
    each(app.add_option("--relocate", g.relocations,
                        "at TIME, plan and fly a move to LON (e.g. 102W) in ORBITS drift orbits: "
                        "turn, start burn, drift, stop burn"))
        ->type_name("TIME:LON:ORBITS");
    each(app.add_option("--keep-station", g.keepings,
                        "keep the mean longitude within LON +- HALFWIDTH degrees (0..10) by "
                        "east-west burns, from the start or a relocation's arrival; with :ns "
                        "the inclination under HALFWIDTH by north-south burns too; from TIME "
                        "if given"))
        ->type_name("[TIME:]LON:HALFWIDTH[:ns]");
    one(app.add_option("--forces", g.forces,
                       "the forces: all (the default: gravity:8,moon,sun,srp), or any of "
                       "gravity[:N] (EGM2008 to degree N, 2..20, default 8), moon, sun, srp "
                       "(sunlight's pressure), comma-separated; two-body: the Earth as a "
                       "point mass alone, exact, in closed form"))
        ->type_name("LIST");
    one(app.add_option("--hud", g.hud, "HUD size in pixels (default 1024x768)"))
        ->type_name("WIDTHxHEIGHT");
    each(app.add_option("--hud-at", g.hud_at, "draw the HUD at TIME; repeatable"))
        ->type_name("TIME");
    one(app.add_option("--hud-every", g.hud_every,
                       "draw the HUD every SECONDS (with neither, one frame at the end)"))
        ->type_name("SECONDS");
    one(app.add_option("--save", o.save, "write the scenario at the end"))->type_name("PATH");
    one(app.add_option("--trace", o.trace,
                       "write the JSON Lines trace (format 1; - for standard "
                       "output)"))
        ->type_name("PATH");
    one(app.add_option("--trace-every", g.trace_every,
                       "keep every Nth step in the trace (events are always kept; default 1)"))
        ->type_name("N");
    one(app.add_option("--trace-lines-every", g.trace_lines_every,
                       "put the vessel's own scenario lines into the trace every N steps "
                       "(default 600)"))
        ->type_name("N");
    one(app.add_option("--summary", o.summary, "write the run's summary as JSON"))
        ->type_name("PATH");
    one(app.add_option("--calls", o.calls,
                       "write every host call the modules make as JSON Lines (- for standard "
                       "output)"))
        ->type_name("PATH");
    each(app.add_option("--fault", g.faults,
                        "the host answers falsely from FROM up to TO seconds; repeatable. KIND: "
                        "no-earth, no-elements, zero-earth-vector, geo-period"))
        ->type_name("FROM:TO:KIND");
    one(app.add_option("--replay", o.replay,
                       "write the run's 3-D replay: one self-contained HTML page to open in a "
                       "browser"))
        ->type_name("PATH");
    one(app.add_option("--poses", o.poses,
                       "instead of running, write the first vessel's mesh groups posed by the "
                       "host at each line of animation states in STATES (the states in id "
                       "order, blank-separated; - for standard input) as JSON"))
        ->type_name("STATES");
    one(app.add_option("--poses-out", o.poses_out,
                       "where --poses writes (default standard output)"))
        ->type_name("PATH");
    one(app.add_option("--svg", o.svg,
                       "write an SVG of each HUD frame and an overview plot per vessel into DIR"))
        ->type_name("DIR");
    app.add_flag("--no-hold", g.no_hold,
                 "no attitude hold (by default the attitude thrusters null the body rates "
                 "whenever no attitude group is fired)");
    app.add_flag("--no-progress", g.no_progress,
                 "no progress bar (it is shown only on a terminal anyway)");
    app.add_flag("--report", o.report,
                 "print each vessel's report (what its module declared) before the run");
    CLI::Option* live =
        app.add_option("--live", g.live,
                       "fly in real time and serve the flight to a browser at ADDR:PORT "
                       "(default 127.0.0.1:8321; 0: any free port), its page's address on "
                       "standard error; the page's warp, pause, keys, burns, attitude modes "
                       "and relocation act at the next step; ends on Ctrl-C or SIGTERM, or "
                       "at --until; the base step 1/60 s unless --dt gives one")
            ->type_name("[ADDR:]PORT")
            ->type_size(1)
            ->expected(0, 1);
    one(app.add_option("--record", o.record,
                       "with --live: write the flight as a run file that --config flies "
                       "again, step for step"))
        ->type_name("PATH");
    one(app.add_option("--modules", o.modules,
                       "folder of the vessel modules (default " + default_modules + ")"))
        ->type_name("DIR");
    std::string config;
    one(app.add_option("--config", config,
                       "read options from a run file: key = value lines, e.g. dt = 0.5, key = "
                       "[\"5:G\", \"20:K\"]; paths in it are taken from its folder; the "
                       "command line's options replace the file's"))
        ->type_name("FILE");
    app.set_version_flag("--version", KRV_VERSION);
    app.footer(
        "HUD frames go to standard output: a header line with the time and the size, then one "
        "line per text: x y #RRGGBB text. A summary of the run goes to standard error. Exit "
        "status 0 on success, 2 for a bad option or scenario, 130 or 143 when stopped by "
        "Ctrl-C or SIGTERM.");

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.print = app.help();
        return result;
    } catch (const CLI::CallForAllHelp&) {
        result.print = app.help();
        return result;
    } catch (const CLI::CallForVersion&) {
        result.print = version_text();
        return result;
    } catch (const CLI::ExtrasError& e) {
        // CLI11 names what it did not expect after ": ".
        const std::string what = e.what();
        const auto colon = what.find(": ");
        std::string first = colon == std::string::npos ? what : what.substr(colon + 2);
        first = first.substr(0, first.find(' '));
        if (!first.empty() && first[0] == '-') throw OptionsError("unknown option '" + first + "'");
        throw OptionsError("a second scenario '" + first + "' (only one may be named)");
    } catch (const CLI::ArgumentMismatch& e) {
        const std::string what = e.what();
        // CLI11 says "NAME: At Most ..." or "Expected exactly N arguments to NAME, got M".
        std::string name = what.substr(0, what.find(':'));
        bool twice = what.find("At Most") != std::string::npos;
        if (what.rfind("Expected", 0) == 0) {
            const auto to = what.find(" to ");
            const auto comma = what.find(", got ");
            if (to != std::string::npos && comma != std::string::npos && comma > to) {
                name = what.substr(to + 4, comma - to - 4);
                twice = std::atoi(what.c_str() + comma + 6) > 1;
            }
        }
        if (twice) throw OptionsError(name + ": given more than once (it takes one value)");
        throw OptionsError(name + " needs a value");
    } catch (const CLI::ConfigError& e) {
        throw OptionsError(std::string("--config: ") + e.what());
    } catch (const CLI::ParseError& e) {
        throw OptionsError(e.what());
    }
    for (const CLI::Option* opt : app.get_options()) {
        if (opt->get_name() == "--help" || opt->get_name() == "--version" ||
            opt->get_name() == "--config")
            continue;
        const bool flag = opt->get_expected_max() == 0;
        std::string key = opt->get_name();
        if (key.rfind("--", 0) == 0) key.erase(0, 2);
        if (given != nullptr && opt->count() == 0)
            given->push_back(
                {key, {opt->get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll, flag}});
        // An empty value is a mistake, not the option left out (--live's
        // value may be left out).
        if (!flag && key != "live")
            for (const std::string& r : opt->results())
                if (r.empty())
                    throw OptionsError((key == "scenario" ? "the scenario" : opt->get_name()) +
                                       ": an empty value");
    }
    g.live_given = live->count() > 0;
    convert(g, o);
    return result;
}

// The run file's entries as arguments, for the options the command line
// leaves out (`open` lists them with their kinds).
std::vector<std::string> run_file_args(
    const std::string& file, const std::vector<std::pair<std::string, OptionKind>>& open) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw OptionsError("--config: '" + file + "' is not a readable file");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw OptionsError("--config: '" + file + "' cannot be read");
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::vector<std::string> out;
    std::vector<std::pair<std::string, OptionKind>> all;
    parse_once({}, "", "", &all);
    std::vector<std::pair<std::string, int>> seen;
    for (const RunFileEntry& e : read_run_file(in, file)) {
        const std::string where = file + ":" + std::to_string(e.line) + ": ";
        for (const auto& [key, line] : seen)
            if (key == e.key)
                throw OptionsError(where + "'" + e.key + "' given twice (first on line " +
                                   std::to_string(line) + ")");
        seen.emplace_back(e.key, e.line);
        const auto find = [&](const std::vector<std::pair<std::string, OptionKind>>& in) {
            for (const auto& entry : in)
                if (entry.first == e.key) return &entry.second;
            return static_cast<const OptionKind*>(nullptr);
        };
        const OptionKind* known = find(all);
        if (known == nullptr)
            throw OptionsError(where + "unknown key '" + e.key + "' (see krvsim --help)");
        const OptionKind kind = *known;
        const bool on_command_line = find(open) == nullptr;
        if (e.values.size() != 1 && !kind.list)
            throw OptionsError(where + "'" + e.key + "' takes one value, not a list of " +
                               std::to_string(e.values.size()));
        for (std::string v : e.values) {
            if (v.empty()) throw OptionsError(where + "'" + e.key + "' has an empty value");
            if (kind.flag && v != "true" && v != "false")
                throw OptionsError(where + "'" + e.key + "' is true or false, not '" +
                                   v.append("'"));
            // Checked, but the command line's value replaces it.
            if (on_command_line) continue;
            if (kind.flag) {
                if (v == "true") out.push_back("--" + e.key);
                continue;
            }
            if (names_a_path(e.key) && v != "-" && std::filesystem::path(v).is_relative())
                v = (folder / v).string();
            if (e.key == "scenario") {
                out.push_back(v[0] == '-' ? "./" + v : v);
            } else {
                out.push_back("--" + e.key + "=" + v);
            }
        }
    }
    return out;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args,
                               const std::string& default_modules,
                               const std::string& default_scenario) {
    // The run file is read here, once, so that its mistakes name its lines.
    std::vector<std::string> rest;
    std::string config;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string file;
        if (args[i] == "--config") {
            if (i + 1 == args.size()) throw OptionsError("--config needs a value");
            file = args[++i];
        } else if (args[i].rfind("--config=", 0) == 0) {
            file = args[i].substr(9);
        } else {
            rest.push_back(args[i]);
            continue;
        }
        if (file.empty()) throw OptionsError("--config: an empty value");
        if (!config.empty())
            throw OptionsError("--config '" + file + "': one run file per run ('" +
                               config.append("' already)"));
        config = file;
    }
    if (config.empty()) return parse_once(rest, default_modules, default_scenario, nullptr);
    std::vector<std::pair<std::string, OptionKind>> open;
    CommandLine first = parse_once(rest, default_modules, default_scenario, &open);
    if (!first.print.empty()) return first;
    for (std::string& a : run_file_args(config, open)) rest.push_back(std::move(a));
    CommandLine result = parse_once(rest, default_modules, default_scenario, nullptr);
    result.options.config = config;
    return result;
}

}  // namespace standin
