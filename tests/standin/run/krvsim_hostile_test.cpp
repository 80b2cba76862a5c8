// krvsim and krvreplay under a hostile user: bad inputs refused by name,
// outputs never over an input, a link or each other and whole or absent
// (a full disk included), and a signal at any moment giving 130 or 143.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "standin/scenario/scenario_file.h"

namespace {

namespace fs = std::filesystem;

const std::string kTracking = std::string(KRV_SOURCE_DIR) + "/data/Scenarios/krv_tracking.scn";

struct Invocation {
    std::vector<std::string> args;
    std::string out = "/dev/null";  // standard output
    std::string in = "/dev/null";   // standard input
    int stop_after_ms = -1;         // then `signal`
    int signal = SIGTERM;
    long file_limit = 0;  // bytes a file may grow to (a full disk); 0: none
};

struct Outcome {
    int status = -1;  // exit status, or 128 + the signal that ended it
    std::string err;
};

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("krv_hostile_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path at(const std::string& name) const { return dir_ / name; }
    fs::path write(const std::string& name, const std::string& text) const {
        std::ofstream(at(name), std::ios::binary) << text;
        return at(name);
    }

    Outcome run(const char* program, const Invocation& r) const {
        const fs::path err = at("stderr");
        std::vector<std::string> args{program, "--no-progress"};
        if (std::string(program) != KRVSIM_FILE) args.pop_back();
        args.insert(args.end(), r.args.begin(), r.args.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(open(r.in.c_str(), O_RDONLY), 0);
            dup2(open(r.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            if (r.file_limit > 0) {
                signal(SIGXFSZ, SIG_IGN);  // a write past it fails as on a full disk
                const rlimit limit{static_cast<rlim_t>(r.file_limit),
                                   static_cast<rlim_t>(r.file_limit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            execv(program, argv.data());
            _exit(127);
        }
        if (r.stop_after_ms >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(r.stop_after_ms));
            kill(pid, r.signal);
        }
        int raw = 0;
        waitpid(pid, &raw, 0);
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        std::ifstream e(err);
        std::ostringstream s;
        s << e.rdbuf();
        o.err = s.str();
        return o;
    }

    // No temporary of an output left in the folder.
    void expect_no_leftovers() const {
        for (const auto& e : fs::directory_iterator(dir_))
            EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
    }

    fs::path dir_;
};

std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(Hostile, BadInputsAreRefusedBeforeTheRunNamingWhatIsWrong) {
    const fs::path twice = write("twice.toml", "dt = 1\ndt = 2\n");
    const fs::path list = write("list.toml", "dt = [1, 2]\n");
    const fs::path maybe = write("maybe.toml", "no-progress = \"maybe\"\n");
    const fs::path section = write("section.toml", "[bad\n");
    const fs::path misspelt = write("misspelt.toml", "untill = 60\n");
    const fs::path two_states = write("two.txt", "0 0\n");
    const fs::path huge_state = write("huge.txt", "0 0 0 0 0 1e308\n");
    struct Case {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--until", "3700", "--hud-every", "1e-13"}, "--hud-every"},
        {{"--dt", "1e-300"}, "--dt: '1e-300'"},
        {{"--warp", "3610:1e-300"}, "--warp 3610:1e-300"},
        {{"--dt", ""}, "--dt: an empty value"},
        {{"--save", ""}, "--save: an empty value"},
        {{"--dt", "1", "--dt", "2"}, "--dt: given more than once"},
        {{"--until", "3660", "--burn", "3660:5:main"}, "--burn main: 3660 s is at the run's end"},
        {{"--until", "3660", "--warp", "3660:300"}, "--warp 3660:300"},
        {{"--fault", "-100:-50:no-earth"}, "--fault -100:-50: the window lies wholly outside"},
        {{"--fault", "1e9:2e9:no-earth"}, "wholly outside"},
        {{"--relocate", "3610:102W:999999"}, "the stop burn would come after"},
        {{"--relocate", "3610:75W:1"}, "is already there"},
        {{"--config", twice.string()}, "twice.toml:2: 'dt' given twice (first on line 1)"},
        {{"--config", list.string()}, "list.toml:1: 'dt' takes one value"},
        {{"--config", maybe.string()}, "maybe.toml:1: 'no-progress' is true or false"},
        {{"--config", section.string()}, "section.toml:1: sections are not taken"},
        {{"--config", misspelt.string()}, "misspelt.toml:1: unknown key 'untill'"},
        {{"--config", list.string(), "--config", twice.string()}, "one run file per run"},
        {{"--config", "/dev/zero"}, "--config: '/dev/zero' is not a readable file"},
        {{"--poses", two_states.string()}, "two.txt:1: 2 states; the vessel's rig has 6"},
        {{"--poses", huge_state.string()}, "huge.txt:1: a state outside 0 to 1"},
    };
    for (auto& c : cases) {
        c.args.insert(c.args.begin(), kTracking);
        c.args.insert(c.args.end(), {"--trace", at("refused.jsonl").string()});
        const Outcome o = run(KRVSIM_FILE, {c.args});
        EXPECT_EQ(o.status, 2) << c.says;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(at("refused.jsonl"))) << c.says << ": the run started";
    }

    // krvreplay: every trace it cannot make a page that shows of.
    const Outcome made =
        run(KRVSIM_FILE, {{kTracking, "--until", "3605", "--trace", at("good.jsonl").string()}});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string good = read(at("good.jsonl"));
    const std::string first = good.substr(0, good.find('\n') + 1);
    const std::string step = good.substr(good.find("{\"type\":\"step\""));
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string s = first;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    struct Trace {
        std::string text;
        std::string says;
    } traces[] = {
        {first, "t.jsonl: no step records"},
        {first + step.substr(0, step.find('}') + 1) + "\n", "t.jsonl:2: not JSON"},
        {first + "{not json}\n" + step, "t.jsonl:2: not JSON"},
        {with("\"format\":1", "\"format\":99") + step, "t.jsonl:1: format 99 is not one"},
        {with("\"format\":1", "\"format\":\"one\"") + step, "format \"one\" is not one"},
        {with("\"format\":1,", "") + step, "t.jsonl:1: the header names no format"},
        {with("\"vessels\":[", "\"vessels\":[],\"x\":[") + step, "names no vessel"},
        {first + "{\"type\":\"step\",\"n\":0,\"t\":0,\"vessels\":[]}\n",
         "t.jsonl:2: a step record"},
        {first + "{\"type\":\"st\\u0000ep\",\"t\":0}\n" + step, "t.jsonl:2: the type"},
        {"", "t.jsonl:1: not JSON"},
    };
    for (const Trace& t : traces) {
        write("t.jsonl", t.text);
        const Outcome o = run(KRVREPLAY_FILE, {{at("t.jsonl").string(), at("p.html").string()}});
        EXPECT_EQ(o.status, 2) << t.says;
        EXPECT_NE(o.err.find(t.says), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(at("p.html"))) << t.says;
    }
}

TEST_F(Hostile, OutputsNeverReplaceAnInputALinkOrEachOtherAndAreWholeOrAbsent) {
    const fs::path mine = write("mine.scn", read(kTracking));
    const fs::path a = at("a"), b = at("b");
    fs::create_symlink(at("elsewhere.txt"), at("link"));
    write("file.txt", "x");
    struct Case {
        std::vector<std::string> args;
        std::string says;
        std::string out = "/dev/null";
    } cases[] = {
        {{"--trace", a.string(), "--save", a.string()}, "--save '" + a.string() + "' and --trace"},
        {{"--trace", b.string(), "--calls", (at(".") / "b").string()},
         "--trace '" + b.string() + "' and --calls"},
        {{"--calls", mine.string()}, "--calls '" + mine.string() + "' is the scenario"},
        {{"--trace", mine.string()}, "--trace '" + mine.string() + "' is the scenario"},
        {{"--save", at("link").string()}, "is a symbolic link"},
        {{"--summary", "/dev/null"}, "--summary: '/dev/null' is a device"},
        {{"--svg", at("file.txt").string()}, "--svg: '"},
        {{"--svg", dir_.string(), "--save", at("overview_KRV-1.svg").string()}, "--svg '"},
        {{"--until", "3605"}, "the HUD frames: standard output cannot be written", "/dev/full"},
        {{"--until", "3605", "--report"}, "--report", "/dev/full"},
        {{"--until", "3605", "--trace", "-"}, "--trace -: standard output", "/dev/full"},
        {{"--help"}, "--help: standard output", "/dev/full"},
        {{"--version"}, "--version: standard output", "/dev/full"},
    };
    for (auto& c : cases) {
        c.args.insert(c.args.begin(), mine.string());
        const Outcome o = run(KRVSIM_FILE, {c.args, c.out});
        EXPECT_EQ(o.status, 2) << c.says;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(a) || fs::exists(b)) << c.says;
        EXPECT_EQ(read(mine), read(kTracking)) << c.says;
        EXPECT_TRUE(fs::is_symlink(at("link"))) << c.says;
    }
    const Outcome folder = run(KRVREPLAY_FILE, {{at("mine.scn").string(), dir_.string()}});
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;

    // A disk that fills: every output whole or absent, the failure named.
    for (const char* option : {"--trace", "--calls", "--save"}) {
        const fs::path out = at("full");
        Invocation r{{mine.string(), "--until", "3900", option, out.string()}};
        r.file_limit = 100;
        const Outcome o = run(KRVSIM_FILE, r);
        EXPECT_NE(o.status, 0) << option;
        EXPECT_NE(o.err.find(option), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(out)) << option;
    }
    // Paths in a run file are its folder's.
    fs::create_directories(at("sub"));
    const fs::path config = write("sub/run.toml", "trace = \"t.jsonl\"\nuntil = 3605\n");
    EXPECT_EQ(run(KRVSIM_FILE, {{mine.string(), "--config", config.string()}}).status, 0);
    EXPECT_TRUE(fs::exists(at("sub") / "t.jsonl"));
    expect_no_leftovers();
}

TEST_F(Hostile, ASignalAtAnyMomentGives130Or143AndWholeOutputs) {
    const fs::path trace = at("t.jsonl"), calls = at("c.jsonl"), save = at("s.scn");
    for (const auto& [ms, sig] :
         {std::pair{0, SIGTERM}, {30, SIGTERM}, {150, SIGINT}, {600, SIGTERM}, {1500, SIGINT}}) {
        Invocation r{{kTracking, "--until", "2592000", "--trace", trace.string(), "--calls",
                      calls.string(), "--save", save.string()}};
        r.stop_after_ms = ms;
        r.signal = sig;
        const Outcome o = run(KRVSIM_FILE, r);
        EXPECT_EQ(o.status, 128 + sig) << ms << " ms: " << o.err;
        // Each output absent (stopped before it was begun) or whole.
        if (fs::exists(trace)) {
            const std::string t = read(trace);
            EXPECT_NE(t.find("{\"type\":\"end\""), std::string::npos) << ms;
            EXPECT_EQ(t.back(), '\n') << ms;
        }
        if (fs::exists(calls)) {
            const std::string c = read(calls);
            EXPECT_TRUE(c.empty() || c.back() == '\n') << ms;
        }
        if (fs::exists(save)) {
            EXPECT_NO_THROW(standin::read_scenario_file(save)) << ms;
        }
        expect_no_leftovers();
        fs::remove(trace);
        fs::remove(calls);
        fs::remove(save);
    }
}

}  // namespace
