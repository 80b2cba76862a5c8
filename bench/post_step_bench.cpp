// The cost of one clbkPostStep, next to a floor that does the same
// arithmetic on the same inputs in plain code.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "bench/bench_host.h"
#include "tests/alloc/allocation_counter.h"

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

// The same figures the module computes on a tracking step, without the
// host: one atan2, one sqrt, two acos and the drift arithmetic.
struct Figures {
    double rot = 0.125, tilt1 = 0.25, tilt2 = 0.0;
    std::uint32_t rot_dir = 0, tilt1_dir = 0, tilt2_dir = 0;
    double mean_lon = 0, angle_east = 0, angle_west = 0, drift_rate = 0, orbits_required = 0;
};

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;

void tilt(double& pos, std::uint32_t& dir, double alpha, double dt) {
    const double a = alpha < kHalfPi ? alpha : kHalfPi;
    const double e = (1.0 - pos) * kHalfPi - a;
    const double band = 0.04 * dt * 0.5 * kPi;
    if (-band < e && e < band) {
        dir = 0;
        pos = 1.0 - a / kHalfPi;
    } else if (e > 0) {
        dir = 1;
    } else if (e < 0) {
        dir = 2;
    }
    if (dir == 2) pos -= 0.04 * dt;
    if (dir == 1) pos += 0.04 * dt;
    if (pos > 1)
        pos = 1;
    else if (pos < 0)
        pos = 0;
}

__attribute__((noinline)) void floor_step(Figures& f, const VECTOR3& e, double dt, double L,
                                          double r, double T) {
    const double phi = 2 * f.rot * kPi;
    double theta = std::atan2(e.x, -e.z);
    if (theta < 0) theta += kTwoPi;
    const double d = phi - theta;
    const double band = 2 * 0.01 * dt * kPi;
    if (-band < d && d < band) {
        f.rot_dir = 0;
        f.rot = theta / kTwoPi;
    } else if (d > 0) {
        if (d < kPi)
            f.rot_dir = 2;
        else if (d > kPi)
            f.rot_dir = 1;
    } else if (d < 0) {
        if (d > -kPi)
            f.rot_dir = 1;
        else if (d < -kPi)
            f.rot_dir = 2;
    }
    if (f.rot_dir == 2)
        f.rot -= 0.01 * dt;
    else if (f.rot_dir == 1)
        f.rot += 0.01 * dt;
    if (f.rot > 1)
        f.rot -= 1;
    else if (f.rot < 0)
        f.rot += 1;

    const double n = std::sqrt(e.y * e.y + e.x * e.x + e.z * e.z);
    tilt(f.tilt1, f.tilt1_dir, std::acos(e.y / n), dt);
    tilt(f.tilt2, f.tilt2_dir, std::acos(-e.y / n), dt);

    if (r > kTwoPi) r -= kTwoPi;
    f.mean_lon = (L - r) * 57.29577951308232;
    if (f.mean_lon < 0) f.mean_lon += 360;
    f.angle_east = 258 - f.mean_lon;
    if (f.angle_east < 0) f.angle_east += 360;
    f.angle_west = 360 - f.angle_east;
    f.drift_rate = ((86164.09 - T) / 86164.09) * 360;
    if (f.drift_rate > 0)
        f.orbits_required = f.angle_east / f.drift_rate;
    else if (f.drift_rate < 0)
        f.orbits_required = -(f.angle_west / f.drift_rate);
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
