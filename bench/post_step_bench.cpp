// The cost of one clbkPostStep, next to a floor that does the same
// arithmetic on the same inputs without the host.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "bench/bench_host.h"
#include "hud/drift_figures.h"
#include "tests/alloc/allocation_counter.h"
#include "vessel/tracking_steps.h"

namespace {

constexpr double kStep = 1.0;  // [s]

void report_allocations(benchmark::State& state, std::size_t before) {
    state.counters["allocs/iter"] = benchmark::Counter(
        static_cast<double>(krvtest::allocations() - before), benchmark::Counter::kAvgIterations);
}

void run_post_step(benchmark::State& state, const std::vector<std::string>& block, double dt) {
    krvbench::BenchHost bench;
    VESSEL3* v = bench.spawn(block).object;
    for (int i = 0; i < 200; ++i) v->clbkPostStep(0.0, kStep, 58470.0);  // settle the dishes
    const std::size_t before = krvtest::allocations();
    for (auto _ : state) v->clbkPostStep(0.0, dt, 58470.0);
    report_allocations(state, before);
}

void BM_PostStep_Tracking(benchmark::State& state) {
    run_post_step(state, krvbench::deployed_block(), kStep);
}
BENCHMARK(BM_PostStep_Tracking);

void BM_PostStep_IdleClosed(benchmark::State& state) {
    run_post_step(state, {}, kStep);
}
BENCHMARK(BM_PostStep_IdleClosed);

// A zero-length step keeps all three mechanisms moving for ever.
void BM_PostStep_AllMoving(benchmark::State& state) {
    run_post_step(state, krvbench::moving_block(), 0.0);
}
BENCHMARK(BM_PostStep_AllMoving);

// The same figures the module computes on a tracking step, through the
// same arithmetic but without the host: one atan2, one sqrt, two acos and
// the drift figures.
struct Figures {
    double rot = 0.125, tilt1 = 0.25, tilt2 = 0.0;
    std::uint32_t rot_dir = 0, tilt1_dir = 0, tilt2_dir = 0;
    krvcalc::DriftFigures drift{};
};

__attribute__((noinline)) void floor_step(Figures& f, const VECTOR3& e, double dt, double L,
                                          double r, double T) {
    krvcalc::track_rotation(std::atan2(e.x, -e.z), dt, f.rot, f.rot_dir);
    const double n = std::sqrt(e.y * e.y + e.x * e.x + e.z * e.z);
    krvcalc::track_tilt(std::acos(e.y / n), dt, f.tilt1, f.tilt1_dir);
    krvcalc::track_tilt(std::acos(-e.y / n), dt, f.tilt2, f.tilt2_dir);
    f.drift = krvcalc::drift_figures(L, r, T, f.drift.orbits_required);
}

void BM_PostStep_Tracking_Floor(benchmark::State& state) {
    Figures f;
    VECTOR3 earth{3.0e7, 2.0e7, -2.5e7};
    double dt = kStep, L = 4.5, r = 1.2, T = 86100.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(earth);
        benchmark::DoNotOptimize(dt);
        floor_step(f, earth, dt, L, r, T);
        benchmark::DoNotOptimize(f);
    }
}
BENCHMARK(BM_PostStep_Tracking_Floor);

}  // namespace
