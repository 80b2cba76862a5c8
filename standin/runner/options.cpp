#include "standin/runner/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "standin/runner/fault_spec.h"
#include "standin/runner/thruster_group_names.h"

namespace standin {

namespace {

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

}  // namespace

Options parse_options(const std::vector<std::string>& args, const std::string& default_modules) {
    Options o;
    o.modules = default_modules;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw OptionsError(a + " needs a value");
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--dt") {
            o.dt = number(a, value());
            if (!(o.dt > 0.0 && o.dt <= 86400.0))
                throw OptionsError("--dt: the step must be above 0 and at most 86400 s");
        } else if (a == "--until") {
            o.until = number(a, value());
            if (*o.until < 0.0) throw OptionsError("--until: the end time must not be negative");
        } else if (a == "--key") {
            o.keys.push_back(key_event(value()));
        } else if (a == "--burn") {
            o.burns.push_back(burn(value()));
        } else if (a == "--hud") {
            hud_size(value(), o);
        } else if (a == "--hud-at") {
            o.hud_at.push_back(number(a, value()));
        } else if (a == "--hud-every") {
            o.hud_every = number(a, value());
            if (!(*o.hud_every > 0.0))
                throw OptionsError("--hud-every: the interval must be above 0");
        } else if (a == "--save") {
            o.save = value();
        } else if (a == "--trace") {
            o.trace = value();
        } else if (a == "--trace-lines-every") {
            const double n = number(a, value());
            if (!(n >= 1.0 && n == std::floor(n) && n < 1e9))
                throw OptionsError("--trace-lines-every: a whole number of steps from 1");
            o.trace_lines_every = static_cast<int>(n);
        } else if (a == "--calls") {
            o.calls = value();
        } else if (a == "--fault") {
            o.faults.push_back(parse_fault(value()));
        } else if (a == "--svg") {
            o.svg = value();
        } else if (a == "--no-hold") {
            o.attitude_hold = false;
        } else if (a == "--no-progress") {
            o.progress = false;
        } else if (a == "--report") {
            o.report = true;
        } else if (a == "--modules") {
            o.modules = value();
        } else if (!a.empty() && a[0] == '-') {
            throw OptionsError("unknown option '" + a + "'");
        } else if (o.scenario.empty()) {
            o.scenario = a;
        } else {
            throw OptionsError("a second scenario '" + a + "' (only one may be named)");
        }
    }
    return o;
}

std::string usage_text(const std::string& default_modules, const std::string& default_scenario) {
    return "usage: krvsim [SCENARIO] [options]\n"
           "Runs a scenario headless in the stand-in host (default scenario:\n  " +
           default_scenario +
           ").\n"
           "\n"
           "  --dt SECONDS          step length (default 1)\n"
           "  --until SECONDS       end time (default 60 s after the scenario's time)\n"
           "  --key TIME:KEY        press and release KEY at TIME; repeatable. KEY is a letter\n"
           "                        or digit, SPACE or RETURN, optionally after Shift+ (left),\n"
           "                        LShift+, RShift+, Ctrl+ or Alt+, e.g. 5:G, 7:RShift+K\n"
           "  --burn TIME:SECONDS:GROUP[:LEVEL]\n"
           "                        fire a thruster group from TIME for SECONDS at LEVEL\n"
           "                        (0..1, default 1); repeatable. GROUP: main, pitchup,\n"
           "                        pitchdown, yawleft, yawright, bankleft, bankright,\n"
           "                        forward (the translation group, also 'translation')\n"
           "  --hud WIDTHxHEIGHT    HUD size in pixels (default 1024x768)\n"
           "  --hud-at TIME         draw the HUD at TIME; repeatable\n"
           "  --hud-every SECONDS   draw the HUD every SECONDS\n"
           "                        (with neither, one HUD frame at the end)\n"
           "  --save PATH           write the scenario at the end\n"
           "  --trace PATH          write a JSON Lines trace, one object per step\n"
           "  --trace-lines-every N put the vessel's own scenario lines into the trace every\n"
           "                        N steps (default 60)\n"
           "  --calls PATH          write every host call the modules make as JSON Lines\n"
           "                        ('-': standard output)\n"
           "  --fault FROM:TO:KIND  the host answers falsely from FROM up to TO seconds;\n"
           "                        repeatable. KIND: no-earth, no-elements,\n"
           "                        zero-earth-vector, geo-period\n"
           "  --svg DIR             write an SVG of each HUD frame and a drift plot into DIR\n"
           "  --no-hold             no attitude hold (by default the attitude thrusters\n"
           "                        null the body rates whenever no attitude group is fired)\n"
           "  --no-progress         no progress bar (it is shown only on a terminal anyway)\n"
           "  --report              print each vessel's report (what its module declared:\n"
           "                        masses, tank, thrusters, groups, plumes, mesh, animations)\n"
           "                        before the run\n"
           "  --modules DIR         folder of the vessel modules (default " +
           default_modules +
           ")\n"
           "  --help                this text\n"
           "\n"
           "HUD frames go to standard output: a header line with the time and the size,\n"
           "then one line per text: x y #RRGGBB text. Exit status 0 on success, 2 for a\n"
           "bad option or scenario.\n";
}

}  // namespace standin
