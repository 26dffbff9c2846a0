// Cost per bar of the hot window builtins at 1,000,000 bars. Each iteration
// calls the builtin once on a context (as a compiled call step does) and drops
// its result; items processed are bars, so the rate reads as bars per second
// and the per_bar counter gives the time of one bar.
//   build/bin/bench_fml_builtins --benchmark_min_time=0.5

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "builtins.h"
#include "formulaargument.h"
#include "formulacontext.h"

namespace {

constexpr uint32_t kBars = 1000000;

ArgumentPtr prices()
{
    static ArgumentPtr series = [] {
        auto a = std::make_shared<FormulaArgument>();
        std::mt19937 rng(7);
        std::normal_distribution<float> step(0.0f, 0.5f);
        a->values.resize(kBars);
        float p = 100.0f;
        for (float& v : a->values) {
            p += step(rng);
            if (p < 1.0f)
                p = 1.0f;
            v = p;
        }
        a->endBar = kBars;
        return a;
    }();
    return series;
}

void run(benchmark::State& state, BuiltinFn fn, std::vector<float> params)
{
    FormulaContext ctx;
    ctx.barCount = kBars;
    ArgumentPtr x = prices();
    std::vector<ArgumentPtr> literals;
    for (float p : params)
        literals.push_back(makeLiteralNumber(p));
    for (auto _ : state) {
        ctx.push(x);
        for (const ArgumentPtr& p : literals)
            ctx.push(p);
        if (!fn(&ctx)) {
            state.SkipWithError("builtin failed");
            break;
        }
        benchmark::DoNotOptimize(ctx.stack.back()->values.data());
        ctx.stack.pop_back();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kBars);
    state.counters["per_bar"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBars,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MA20(benchmark::State& s) { run(s, builtinMa, {20}); }
void BM_EMA20(benchmark::State& s) { run(s, builtinEma, {20}); }
void BM_SMA20_1(benchmark::State& s) { run(s, builtinSma, {20, 1}); }
void BM_HHV20(benchmark::State& s) { run(s, builtinHhv, {20}); }
void BM_LLV20(benchmark::State& s) { run(s, builtinLlv, {20}); }
void BM_STD20(benchmark::State& s) { run(s, builtinStd, {20}); }
void BM_REF10(benchmark::State& s) { run(s, builtinRef, {10}); }
void BM_SUM20(benchmark::State& s) { run(s, builtinSum, {20}); }
void BM_COUNT20(benchmark::State& s) { run(s, builtinCount, {20}); }
void BM_HHVBARS20(benchmark::State& s) { run(s, builtinHhvbars, {20}); }
void BM_MA250(benchmark::State& s) { run(s, builtinMa, {250}); }
void BM_WMA20(benchmark::State& s) { run(s, builtinWma, {20}); }
void BM_HOD20(benchmark::State& s) { run(s, builtinHod, {20}); }
void BM_HOD0(benchmark::State& s) { run(s, builtinHod, {0}); }
void BM_STD250(benchmark::State& s) { run(s, builtinStd, {250}); }

}  // namespace

BENCHMARK(BM_MA20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EMA20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SMA20_1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HHV20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LLV20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_STD20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_REF10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SUM20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_COUNT20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HHVBARS20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MA250)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_STD250)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WMA20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HOD20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HOD0)->Unit(benchmark::kMillisecond);
