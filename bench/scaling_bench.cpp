// Many vessels of the class stepped in turn: the cost per vessel-step
// should not grow with the number of vessels.
#include <benchmark/benchmark.h>

#include "bench/bench_host.h"
#include "tests/alloc/allocation_counter.h"
#include "vessel/krv.h"

namespace {

void BM_PostStep_Vessels(benchmark::State& state) {
    krvbench::BenchHost bench;
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::size_t bytes_before = krvtest::allocated_bytes();
    for (std::size_t i = 0; i < n; ++i) bench.spawn(krvbench::deployed_block());
    const double bytes_per_vessel =
        static_cast<double>(krvtest::allocated_bytes() - bytes_before) / static_cast<double>(n);
    for (auto _ : state)
        for (auto& v : bench.session->vessels()) v.object->clbkPostStep(0.0, 1.0, 58470.0);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
    state.counters["bytes/vessel"] = bytes_per_vessel;
    state.counters["sizeof(krv)"] = static_cast<double>(sizeof(krv));
}
BENCHMARK(BM_PostStep_Vessels)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
