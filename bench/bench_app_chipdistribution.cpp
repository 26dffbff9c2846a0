// One computation of the chip distribution over 512 and 5,000 day bars on a
// random walk from 20.00 (2 decimals), turnover 0.5..5 %: plain, and with the
// "within" band set (six copies of the cells). The crosshair moving back one
// bar costs one such computation.
//   build/bin/bench_app_chipdistribution --benchmark_min_time=0.5

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "charts/core/chipdistribution.h"

namespace {

std::vector<ChartBar> walk(int n)
{
    std::mt19937 rng(11);
    std::normal_distribution<float> step(0.0f, 0.02f);
    std::uniform_real_distribution<float> range(0.01f, 0.06f), turnover(0.5f, 5.0f), volume(5e4f, 5e5f);
    std::vector<ChartBar> bars(static_cast<std::size_t>(n));
    float close = 20.0f;
    for (ChartBar& b : bars) {
        close = std::max(1.0f, close * (1.0f + step(rng)));
        b.close = close;
        b.high = close * (1.0f + range(rng));
        b.low = close * (1.0f - range(rng));
        b.volume = volume(rng);
        b.extra = turnover(rng);
    }
    return bars;
}

void BM_Chips(benchmark::State& state)
{
    const std::vector<ChartBar> bars = walk(int(state.range(0)));
    ChipDistributionModel m;
    m.setChipType(int(state.range(1)));
    m.setBars(&bars, int(bars.size()));
    for (auto _ : state) {
        m.compute();
        benchmark::DoNotOptimize(m.averageCost());
    }
    state.counters["cells"] = double(m.cells().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Chips)
    ->ArgNames({"bars", "type"})
    ->Args({512, 0})
    ->Args({5000, 0})
    ->Args({512, 2})
    ->Args({5000, 2})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
