// What the trace costs a whole run: 30 simulated days of the tracking
// scenario at 1 s steps, untraced and traced (every step), timed one after
// the other in the same iteration. The trace is written on a thread of its
// own, so the wall time a user waits for and the process's CPU time differ:
// both ratios are reported, and the benchmark's time is the wall time. The
// trace goes to /dev/null here so that the disk's speed stays out of the
// figure; the bytes per step come from a one-day trace in a file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>

#include "standin/run/run.h"

namespace {

const std::string kScenario = std::string(KRV_DATA_DIR) + "/Scenarios/krv_tracking.scn";
constexpr double kDays = 30.0;

double cpu_seconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

standin::Options run_options(double days, const std::string& trace) {
    standin::Options o;
    o.scenario = kScenario;
    o.modules = KRV_MODULES_DIR;
    o.until = 3600.0 + days * 86400.0;  // the scenario starts at TIME 3600
    o.progress = false;
    o.trace = trace;
    o.hud_at = {o.until.value()};
    // Two-body, as docs/trace.md's figures were measured: the cheapest step.
    o.forces = standin::parse_forces("two-body");
    return o;
}

struct RunTimes {
    double wall = -1.0;            // [s]
    double cpu = -1.0;             // [s] all of the process's threads
    double run_thread_cpu = -1.0;  // [s] the simulation's thread alone
};

// One run with every output thrown away.
RunTimes timed_run(const standin::Options& o, std::FILE* sink) {
    const auto wall_start = std::chrono::steady_clock::now();
    const double cpu_start = cpu_seconds();
    const double thread_start = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
    if (standin::run(o, sink, sink) != 0) return {};
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_start;
    return {wall.count(), cpu_seconds() - cpu_start,
            cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - thread_start};
}

void BM_Krvsim_TracedOverUntraced(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    const standin::Options untraced = run_options(kDays, "");
    const standin::Options traced = run_options(kDays, "/dev/null");
    RunTimes plain, with_trace;
    for (auto _ : state) {
        plain = timed_run(untraced, sink);
        with_trace = timed_run(traced, sink);
    }
    const auto day_trace = std::filesystem::temp_directory_path() / "krvsim_bench_trace.jsonl";
    timed_run(run_options(1.0, day_trace.string()), sink);
    const double bytes = static_cast<double>(std::filesystem::file_size(day_trace));
    std::filesystem::remove(day_trace);
    std::fclose(sink);
    state.counters["untraced_s"] = plain.wall;
    state.counters["traced_s"] = with_trace.wall;
    state.counters["ratio"] = with_trace.wall / plain.wall;
    state.counters["untraced_cpu_s"] = plain.cpu;
    state.counters["traced_cpu_s"] = with_trace.cpu;
    state.counters["cpu_ratio"] = with_trace.cpu / plain.cpu;
    // With the other core free, the wall time is about the larger of the
    // two threads' shares: a machine shared with other work shows more.
    state.counters["traced_sim_thread_cpu_s"] = with_trace.run_thread_cpu;
    state.counters["traced_writer_cpu_s"] = with_trace.cpu - with_trace.run_thread_cpu;
    state.counters["bytes/step"] = bytes / 86400.0;
}
BENCHMARK(BM_Krvsim_TracedOverUntraced)->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
