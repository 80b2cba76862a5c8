// What the trace costs a whole run: 30 simulated days of the tracking
// scenario at 1 s steps, untraced and traced (every step), timed one after
// the other in the same iteration and reported as a ratio of process CPU
// time. The trace goes to /dev/null here so that the disk's speed stays out
// of the figure; the bytes per step come from a one-day trace in a file.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "standin/runner/run.h"

namespace {

const std::string kScenario = std::string(KRV_DATA_DIR) + "/Scenarios/krv_tracking.scn";
constexpr double kDays = 30.0;

double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
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
    return o;
}

// CPU seconds of one run with every output thrown away.
double timed_run(const standin::Options& o, std::FILE* sink) {
    const double start = cpu_seconds();
    if (standin::run(o, sink, sink) != 0) return -1.0;
    return cpu_seconds() - start;
}

void BM_Krvsim_TracedOverUntraced(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    const standin::Options untraced = run_options(kDays, "");
    const standin::Options traced = run_options(kDays, "/dev/null");
    double plain = 0.0, with_trace = 0.0;
    for (auto _ : state) {
        plain = timed_run(untraced, sink);
        with_trace = timed_run(traced, sink);
        state.SetIterationTime(plain + with_trace);
    }
    const auto day_trace = std::filesystem::temp_directory_path() / "krvsim_bench_trace.jsonl";
    timed_run(run_options(1.0, day_trace.string()), sink);
    const double bytes = static_cast<double>(std::filesystem::file_size(day_trace));
    std::filesystem::remove(day_trace);
    std::fclose(sink);
    state.counters["untraced_s"] = plain;
    state.counters["traced_s"] = with_trace;
    state.counters["ratio"] = with_trace / plain;
    state.counters["bytes/step"] = bytes / 86400.0;
}
BENCHMARK(BM_Krvsim_TracedOverUntraced)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
