// The runner's own code: its options, its JSON numbers and texts, names in
// SVG and file names, its refusals before a run, and a run stopped by a
// signal. Outputs are read back from real runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "standin/json/json_out.h"
#include "standin/json/latin1.h"
#include "standin/outputs/hud_svg.h"
#include "standin/outputs/output_file.h"
#include "standin/outputs/svg_text.h"
#include "standin/run/options.h"
#include "standin/scenario/scenario_file.h"
#include "tests/support/scratch_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

// One folder per test process, gone when the process ends.
fs::path scratch(const std::string& name) {
    static const krvtest::ScratchFolder folder("krvsim_runner_test");
    return folder.dir / name;
}

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path write(const std::string& name, const std::string& text) {
    const fs::path p = scratch(name);
    std::ofstream(p, std::ios::binary) << text;
    return p;
}

// Runs krvsim; stop_after_ms > 0 sends SIGTERM after that long.
Outcome krvsim(std::vector<std::string> args, int stop_after_ms = 0) {
    static int serial = 0;
    const fs::path out = scratch("out" + std::to_string(++serial));
    const fs::path err = scratch("err" + std::to_string(serial));
    args.insert(args.begin(), {KRVSIM_FILE, "--no-progress"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome o;
    if (posix_spawn(&pid, KRVSIM_FILE, &actions, nullptr, argv.data(), environ) != 0) return o;
    posix_spawn_file_actions_destroy(&actions);
    if (stop_after_ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(stop_after_ms));
        kill(pid, SIGTERM);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = read(out);
    o.err = read(err);
    return o;
}

standin::Options parse(std::vector<std::string> args) {
    return standin::parse_command_line(args, "mods", "default.scn").options;
}

const char* const kOrbit = "  ELEMENTS 42164169.46097 0 0 0 0 188.456769429554\n";

TEST(KrvsimOptions, BothSpellingsAndARunFileGiveTheSameRun) {
    const auto a = parse({"s.scn", "--dt", "0.5", "--key", "5:G", "--key", "20:K", "--burn",
                          "30:5:main:0.5", "--hud-every", "60"});
    const auto b = parse(
        {"--dt=0.5", "--key=5:G", "--key=20:K", "--burn=30:5:main:0.5", "--hud-every=60", "s.scn"});
    const fs::path run_file = write("flight.toml",
                                    "dt = 0.5\nkey = [\"5:G\", \"20:K\"]\n"
                                    "burn = [\"30:5:main:0.5\"]\nhud-every = 60\n");
    const auto c = parse({"s.scn", "--config", run_file.string()});
    for (const auto* o : {&a, &b, &c}) {
        EXPECT_EQ(o->scenario, "s.scn");
        EXPECT_EQ(o->dt, 0.5);
        ASSERT_EQ(o->keys.size(), 2u);
        EXPECT_EQ(o->keys[1].time, 20.0);
        EXPECT_EQ(o->keys[1].key.text, "K");
        ASSERT_EQ(o->burns.size(), 1u);
        EXPECT_EQ(o->burns[0].level, 0.5);
        EXPECT_EQ(o->hud_every.value_or(0), 60.0);
        EXPECT_EQ(o->modules, "mods");
    }
    EXPECT_EQ(c.config, run_file.string());
}

TEST(KrvsimOptions, LiveTakesAnAddressOrNoneAndRefusesWhatNeedsTheWholeRunKnown) {
    const auto bare = parse({"s.scn", "--live"});
    EXPECT_TRUE(bare.live);
    EXPECT_EQ(bare.live_listen, "127.0.0.1:8321");
    EXPECT_EQ(bare.dt, standin::kLiveStep);
    const auto given = parse({"--live", "0", "--dt", "0.5", "--record", "f.cfg", "s.scn"});
    EXPECT_EQ(given.live_listen, "0");
    EXPECT_EQ(given.dt, 0.5);
    EXPECT_EQ(given.scenario, "s.scn");
    EXPECT_FALSE(parse({"s.scn"}).live);
    const std::vector<std::vector<std::string>> refused = {{"--record", "f.cfg"},
                                                           {"--live", "--warp", "5:10"},
                                                           {"--live", "--replay", "r.html"},
                                                           {"--live", "--svg", "plots"},
                                                           {"--live", "--poses", "p.txt"}};
    for (const auto& args : refused) EXPECT_THROW(parse(args), standin::OptionsError) << args[1];
}

TEST(KrvsimOptions, VersionAndHelpComeFromTheDefinitions) {
    const auto version = standin::parse_command_line({"--version"}, "m", "d");
    EXPECT_EQ(version.print, std::string("krvsim ") + KRV_VERSION + "\n");
    const auto help = standin::parse_command_line({"--help"}, "m", "d").print;
    for (const char* opt : {"--trace-every", "--summary", "--config", "--version", "--modules"})
        EXPECT_NE(help.find(opt), std::string::npos) << opt;
    EXPECT_THROW(parse({"--trace-every", "0"}), standin::OptionsError);
    EXPECT_THROW(parse({"--config", "/nonexistent/run.toml"}), standin::OptionsError);
    const fs::path misspelt = write("misspelt.toml", "untill = 60\n");
    EXPECT_THROW(parse({"--config", misspelt.string()}), standin::OptionsError);
}

TEST(KrvsimRefusals, TimesOutsideTheRunAndBadOutputsStopItBeforeItStarts) {
    const fs::path trace = scratch("refused.jsonl");
    const fs::path broken_modules = scratch("broken_modules");
    fs::create_directories(broken_modules);
    std::ofstream(broken_modules / "KRV.so") << "not a library";
    struct Case {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--until", "0"}, "--until 0"},
        {{"--key", "70:G"}, "--key 70:G"},
        {{"--hud-at", "-5"}, "--hud-at -5"},
        {{"--burn", "61:5:main"}, "--burn 61"},
        {{"--save", "/nonexistent/dir/final.scn"}, "/nonexistent/dir"},
        {{"--modules", "/nonexistent"}, "--modules"},
        {{"--modules", broken_modules.string()}, "--modules " + broken_modules.string()},
        {{"/nonexistent.scn"}, "No such file or directory"},
        {{fs::temp_directory_path().string()}, "is a folder"},
        {{"--replay", "/nonexistent/dir/replay.html"}, "--replay"},
        {{"--poses", "/nonexistent/states.txt"}, "--poses"},
    };
    for (auto& c : cases) {
        c.args.insert(c.args.end(), {"--trace", trace.string()});
        const Outcome o = krvsim(c.args);
        EXPECT_EQ(o.status, 2) << c.says;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(trace)) << c.says << ": the run started";
    }
}

bool replay_template_built() {
    return fs::is_regular_file(KRV_REPLAY_TEMPLATE);
}

// The page's data block is filled in and ends with the run's end record.
void expect_whole_page(const fs::path& page, const std::string& reason) {
    const std::string text = read(page);
    EXPECT_EQ(text.find("__KRV_REPLAY_DATA__"), std::string::npos) << page;
    EXPECT_NE(text.find("{\"type\":\"end\""), std::string::npos) << page;
    EXPECT_NE(text.find("\"reason\":\"" + reason + "\""), std::string::npos) << page;
}

TEST(KrvsimSignals, SigtermEndsTheRunWithEveryOutputWhole) {
    const fs::path trace = scratch("stopped.jsonl");
    const fs::path save = scratch("stopped.scn");
    const fs::path summary = scratch("stopped.json");
    const fs::path page = scratch("stopped.html");
    std::vector<std::string> args = {
        std::string(KRV_SOURCE_DIR) + "/data/Scenarios/krv_tracking.scn",
        "--until",
        "2592000",
        "--trace",
        trace.string(),
        "--save",
        save.string(),
        "--summary",
        summary.string()};
    if (replay_template_built()) args.insert(args.end(), {"--replay", page.string()});
    const Outcome o = krvsim(args, 700);
    if (replay_template_built()) expect_whole_page(page, "signal");
    EXPECT_EQ(o.status, 143) << o.err;
    const std::string text = read(trace);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const auto last_line = text.substr(text.rfind('\n', text.size() - 2) + 1);
    EXPECT_EQ(last_line.rfind("{\"type\":\"end\"", 0), 0u) << last_line;
    EXPECT_NE(last_line.find("\"reason\":\"signal\""), std::string::npos);
    EXPECT_NO_THROW(standin::read_scenario_file(save));
    EXPECT_NE(read(summary).find("\"reason\":\"signal\""), std::string::npos);
    EXPECT_NE(o.err.find("krvsim summary"), std::string::npos);
}

// Without --trace the page comes from a trace of krvsim's own that is gone
// afterwards; with it, from that file. Without a built template nothing runs.
TEST(KrvsimReplay, APageFromItsOwnTraceOrFromTheNamedOne) {
    const fs::path dir = scratch("replay");
    fs::create_directories(dir);
    const fs::path page = dir / "own.html";
    const Outcome own = krvsim({"--until", "30", "--key", "5:G", "--replay", page.string()});
    if (!replay_template_built()) {
        EXPECT_EQ(own.status, 2);
        EXPECT_NE(own.err.find("--replay: the viewer's page template"), std::string::npos);
        EXPECT_FALSE(fs::exists(page));
        return;
    }
    ASSERT_EQ(own.status, 0) << own.err;
    expect_whole_page(page, "until");
    EXPECT_NE(read(page).find("\"travel_end\""), std::string::npos);
    EXPECT_NE(own.err.find("wrote replay: " + page.string()), std::string::npos) << own.err;
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path(), page) << "left beside the page";
    // A warped month: its own trace still holds the deployment's every step.
    const fs::path warped = dir / "warped.html";
    const Outcome month = krvsim(
        {"--until", "2000000", "--key", "5:G", "--warp", "600:300", "--replay", warped.string()});
    ASSERT_EQ(month.status, 0) << month.err;
    const std::string month_page = read(warped);
    for (int n = 5; n <= 16; ++n) {
        const std::string at = std::to_string(n);
        EXPECT_NE(month_page.find("{\"type\":\"step\",\"n\":" + at + ",\"t\":" + at + ","),
                  std::string::npos)
            << "no step at " << n << " s";
    }
    fs::remove(warped);

    const fs::path trace = dir / "named.jsonl";
    const Outcome named = krvsim(
        {"--until", "10", "--trace", trace.string(), "--replay", (dir / "named.html").string()});
    ASSERT_EQ(named.status, 0) << named.err;
    expect_whole_page(dir / "named.html", "until");
    EXPECT_NE(read(trace).find("{\"type\":\"end\""), std::string::npos);
    EXPECT_THROW(parse({"--trace", "-", "--replay", "r.html"}), standin::OptionsError);
}

// --poses: one posed set per line of states, the booms moved by "ant"; a
// bad number named by file and line.
TEST(KrvsimPoses, OneSetPerLineAndBadStatesNamedByLine) {
    const fs::path states =
        write("states.txt", "# ant rot tilt1 tilt2 solp lid\n0 0 0 0 0 0\n\n1 0 0 0 0 0\n");
    const fs::path json = scratch("poses.json");
    const Outcome o = krvsim({"--poses", states.string(), "--poses-out", json.string()});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto poses = nlohmann::json::parse(read(json));
    ASSERT_EQ(poses["sets"].size(), 2u);
    EXPECT_EQ(poses["sets"][1]["states"][0], 1.0);
    EXPECT_EQ(poses["sets"][0]["groups"]["0"], poses["sets"][1]["groups"]["0"]) << "the body";
    EXPECT_NE(poses["sets"][0]["groups"]["7"], poses["sets"][1]["groups"]["7"]) << "a boom";

    const Outcome bad =
        krvsim({"--poses", write("bad_states.txt", "0 0 0 0 0 0\n0 0 nan 0 0 0\n").string()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("bad_states.txt:2: 'nan' is not a finite number"), std::string::npos)
        << bad.err;
}

TEST(KrvsimOutputs, TraceToStandardOutputAndTheSummaryOnStandardError) {
    const Outcome o = krvsim({"--until", "10", "--key", "5:Q", "--trace", "-"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.rfind("{\"type\":\"header\"", 0), 0u);
    EXPECT_FALSE(fs::exists("-"));
    EXPECT_NE(o.err.find("key no vessel used: 5 s Q"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("longitude 75.00"), std::string::npos) << o.err;
}

// Two names that make the same file name part, one of them with Latin-1
// and control bytes and longer than any fixed buffer: two files, both valid.
TEST(KrvsimOutputs, OddVesselNamesMakeSafeDistinctSvgFiles) {
    const std::string odd = "K\xE9R\x01V/" + std::string(80, 'x');
    const std::string twin = "K\xE9R\x02V?" + std::string(80, 'x');
    const fs::path scn =
        write("odd_names.scn", "DATE 2024-06-15T00:00:00Z\nTIME 0\nVESSEL " + odd + " KRV\n" +
                                   kOrbit + "END\nVESSEL " + twin + " KRV\n" + kOrbit + "END\n");
    const fs::path svg = scratch("svg");
    const Outcome o = krvsim({scn.string(), "--until", "2", "--svg", svg.string()});
    ASSERT_EQ(o.status, 0) << o.err;
    std::vector<std::string> huds;
    for (const auto& e : fs::directory_iterator(svg))
        if (e.path().filename().string().rfind("hud_", 0) == 0) huds.push_back(read(e.path()));
    ASSERT_EQ(huds.size(), 2u);
    for (const auto& text : huds) {
        EXPECT_EQ(text.find('\x01'), std::string::npos);
        const auto at = text.find("K\xC3\xA9R\xEF\xBF\xBDV");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(text.compare(at + 9, 80, std::string(80, 'x')), 0) << "the whole name";
    }
    EXPECT_EQ(standin::file_name_part(odd), "K_R_V_" + std::string(80, 'x'));
    EXPECT_EQ(standin::file_name_part(".."), "_..");
}

TEST(KrvsimJson, NumbersReadBackExactlyAndNonFiniteOnesAreNamed) {
    std::string text;
    std::mt19937_64 random(7);
    std::vector<double> values = {0.0,         -0.0,
                                  1.0,         1e15,
                                  1e16,        86164.09 - 1e-9,
                                  5e-324,      std::numeric_limits<double>::max(),
                                  -123456789.0};
    for (int i = 0; i < 2000; ++i) {
        double d = 0;
        const std::uint64_t bits = random();
        std::memcpy(&d, &bits, sizeof d);
        if (std::isfinite(d)) values.push_back(d);
    }
    {
        standin::JsonOut j(text);
        for (double v : values) j.number(v).raw('\n');
        j.number(std::nan("")).raw(' ').number(INFINITY).raw(' ').number(-INFINITY);
    }
    std::istringstream in(text);
    std::string line;
    for (double v : values) {
        ASSERT_TRUE(std::getline(in, line));
        const double back = std::strtod(line.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << line;
    }
    std::getline(in, line);
    EXPECT_EQ(line, "\"nan\" \"inf\" \"-inf\"");
}

// A memo may only ever copy the text of the very same double: values that
// compare equal but print apart (0 and -0), NaN, and a memo written across
// the buffer's refills.
TEST(KrvsimJson, NumbersThroughAMemoReadAsWithout) {
    std::mt19937_64 random(11);
    std::vector<double> values = {0.0, -0.0, 0.0, 1.0, 1.0, std::nan(""), std::nan(""), 0.25};
    for (int i = 0; i < 3000; ++i) {
        double d = 0;
        const std::uint64_t bits = random();
        std::memcpy(&d, &bits, sizeof d);
        values.push_back(d);
        if (i % 3 == 0) values.push_back(d);
    }
    std::string plain, memoised;
    {
        standin::JsonOut j(plain);
        for (double v : values) j.number(v).raw(',');
    }
    {
        standin::JsonOut j(memoised);
        standin::NumberMemo memo[3];
        for (std::size_t i = 0; i < values.size(); ++i) j.number(values[i], memo[i % 2]).raw(',');
        j.raw('!').vector({1.5, -0.0, 0.0}, memo).vector({1.5, 0.0, 0.0}, memo);
        plain += "![1.5,-0,0][1.5,0,0]";
    }
    EXPECT_EQ(memoised, plain);
}

TEST(KrvsimJson, TextsAreEscapedAndValidUtf8) {
    std::string text;
    {
        standin::JsonOut j(text);
        j.string("a\"b\\c\n\x01").raw(' ').latin1("90\xB0W");
    }
    // The one escaper of every JSON: short forms where JSON has them.
    EXPECT_EQ(text, "\"a\\\"b\\\\c\\n\\u0001\" \"90\xC2\xB0W\"");
    EXPECT_EQ(standin::name_to_utf8("K\xC3\xA9"), "K\xC3\xA9");  // UTF-8 stays
    EXPECT_EQ(standin::name_to_utf8("K\xE9"), "K\xC3\xA9");      // Latin-1 converts
    EXPECT_EQ(standin::name_to_utf8("\xC3"), "\xC3\x83");        // cut short: Latin-1
    EXPECT_EQ(standin::xml_escaped("<a&\x01\t>"), "&lt;a&amp;\xEF\xBF\xBD\t&gt;");
}

TEST(ScenarioDates, UtcFormsAndTheWrittenDateLine) {
    const auto z =
        standin::parse_scenario("DATE 2024-06-15T00:00:00Z\nVESSEL A KRV\nEND\n", "z.scn");
    EXPECT_EQ(z.mjd, 60476.0);
    const auto noon =
        standin::parse_scenario("DATE 2024-06-15T12:00\nVESSEL A KRV\nEND\n", "n.scn");
    EXPECT_EQ(noon.mjd, 60476.5);
    EXPECT_THROW(standin::parse_scenario("DATE 2024-06-15T12\nVESSEL A KRV\nEND\n", "b.scn"),
                 std::exception);
    EXPECT_THROW(
        standin::parse_scenario("DATE 2024-06-15T12:00:00Zulu\nVESSEL A KRV\nEND\n", "b.scn"),
        std::exception);
    const std::string text = standin::format_scenario(60476.5 + 61.0 / 86400.0, 0.0, {});
    EXPECT_NE(text.find("# date 2024-06-15 12:01:01 UTC"), std::string::npos) << text;
}

}  // namespace
