// The cost of one HUD redraw on a 1920x1080 HUD, next to a floor of the
// eight bare formatted prints with the same formats and values.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/bench_host.h"
#include "tests/alloc/allocation_counter.h"

namespace {

// Draws nowhere, as cheaply as a sketchpad can.
class NullSketchpad : public zapi::Sketchpad {
public:
    std::uint32_t SetTextColor(std::uint32_t c) override {
        benchmark::DoNotOptimize(c);
        return 0;
    }
    bool Text(int x, int y, const char* str, int len) override {
        benchmark::DoNotOptimize(x + y + len);
        benchmark::DoNotOptimize(str);
        return true;
    }
};

void BM_DrawHUD_1080(benchmark::State& state) {
    krvbench::BenchHost bench;
    VESSEL3* v = bench.spawn(krvbench::deployed_block()).object;
    v->clbkPostStep(0.0, 1.0, 58470.0);  // the drift figures the HUD prints
    NullSketchpad skp;
    const HUDPAINTSPEC hps{1920, 1080, 960, 540, 10.0, 8};
    const std::size_t before = krvtest::allocations();
    for (auto _ : state) benchmark::DoNotOptimize(v->clbkDrawHUD(1, &hps, &skp));
    state.counters["allocs/iter"] = benchmark::Counter(
        static_cast<double>(krvtest::allocations() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DrawHUD_1080);

void BM_DrawHUD_Floor(benchmark::State& state) {
    char buf[256];
    double dv = 1765.76, lon = 285.0, east = 333.0, west = 27.0, drift = 0.25, orbits = 132.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dv);
        std::snprintf(buf, sizeof buf, "Remaining dV = %0.2f m/s", dv);
        benchmark::DoNotOptimize(buf);
        std::snprintf(buf, sizeof buf, "HGA and Solar Panels Deployed");
        benchmark::DoNotOptimize(buf);
        std::snprintf(buf, sizeof buf, "AIA Covers Open");
        benchmark::DoNotOptimize(buf);
        std::snprintf(buf, sizeof buf, "Target Longitude 102\xB0W (New Mexico)");
        benchmark::DoNotOptimize(buf);
        std::snprintf(buf, sizeof buf, "KRV Mean Surface Longitude %0.2f\xB0W", 360 - lon);
        benchmark::DoNotOptimize(buf);
        std::snprintf(buf, sizeof buf,
                      "Angle to Target Longitude %0.2f\xB0"
                      "E (%0.2f\xB0W)",
                      east, west);
        benchmark::DoNotOptimize(buf);
        std::snprintf(buf, sizeof buf,
                      "Drift Rate %0.3f\xB0"
                      "E per orbit",
                      drift);
        benchmark::DoNotOptimize(buf);
        std::snprintf(buf, sizeof buf, "Orbits Required %0.3f", orbits);
        benchmark::DoNotOptimize(buf);
    }
}
BENCHMARK(BM_DrawHUD_Floor);

}  // namespace
