// Cost per bar of the hot window builtins at 1,000,000 bars. Each iteration
// calls the builtin once on a context (as a compiled call step does) and drops
// its result; items processed are bars, so the rate reads as bars per second
// and the per_bar counter gives the time of one bar; faults counts the page
// faults of one call (getrusage), 0 once the engine's arrays are pooled.
// The Ratio_* benchmarks run a builtin and a plain single-pass loop of the
// same result (running sum, running sums of x and x^2, running count, one
// comparison pass) alternately and report engine / reference time.
//   build/bin/bench_fml_builtins --benchmark_min_time=0.5 --benchmark_repetitions=5

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
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

long minorFaults()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt + u.ru_majflt;
}

// A 0/1 condition: about one bar in five holds 1.
ArgumentPtr condition()
{
    static ArgumentPtr series = [] {
        auto a = std::make_shared<FormulaArgument>();
        std::mt19937 rng(11);
        a->values.resize(kBars);
        for (float& v : a->values)
            v = std::uniform_int_distribution<int>(0, 4)(rng) == 0 ? 1.0f : 0.0f;
        a->endBar = kBars;
        return a;
    }();
    return series;
}

// A second price series that crosses the first now and then.
ArgumentPtr average()
{
    static ArgumentPtr series = [] {
        auto a = std::make_shared<FormulaArgument>();
        const FloatValues& p = prices()->values;
        a->values.resize(kBars);
        double s = 0.0;
        for (uint32_t i = 0; i < kBars; ++i) {
            s += p[i] - (i >= 10 ? p[i - 10] : 0.0f);
            a->values[i] = static_cast<float>(s / std::min<uint32_t>(i + 1, 10));
        }
        a->endBar = kBars;
        return a;
    }();
    return series;
}

// Pushes args, calls fn as a compiled call step does and drops its result;
// false when the builtin failed.
bool callOnce(FormulaContext& ctx, BuiltinFn fn, const std::vector<ArgumentPtr>& args)
{
    for (const ArgumentPtr& a : args)
        ctx.push(a);
    if (!fn(&ctx))
        return false;
    benchmark::DoNotOptimize(ctx.stack.back()->values.data());
    ctx.stack.pop_back();
    return true;
}

void run(benchmark::State& state, BuiltinFn fn, std::vector<float> params)
{
    FormulaContext ctx;
    ctx.barCount = kBars;
    std::vector<ArgumentPtr> args = {prices()};
    for (float p : params)
        args.push_back(makeLiteralNumber(p));
    long faults = 0;
    for (auto _ : state) {
        const long before = minorFaults();
        if (!callOnce(ctx, fn, args)) {
            state.SkipWithError("builtin failed");
            break;
        }
        faults += minorFaults() - before;
    }
    state.counters["faults"] = benchmark::Counter(static_cast<double>(faults) / state.iterations());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kBars);
    state.counters["per_bar"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBars,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MA20(benchmark::State& s)
{
    run(s, builtinMa, {20});
}
void BM_EMA20(benchmark::State& s)
{
    run(s, builtinEma, {20});
}
void BM_SMA20_1(benchmark::State& s)
{
    run(s, builtinSma, {20, 1});
}
void BM_HHV20(benchmark::State& s)
{
    run(s, builtinHhv, {20});
}
void BM_LLV20(benchmark::State& s)
{
    run(s, builtinLlv, {20});
}
void BM_STD20(benchmark::State& s)
{
    run(s, builtinStd, {20});
}
void BM_REF10(benchmark::State& s)
{
    run(s, builtinRef, {10});
}
void BM_SUM20(benchmark::State& s)
{
    run(s, builtinSum, {20});
}
void BM_COUNT20(benchmark::State& s)
{
    run(s, builtinCount, {20});
}
void BM_HHVBARS20(benchmark::State& s)
{
    run(s, builtinHhvbars, {20});
}
void BM_MA250(benchmark::State& s)
{
    run(s, builtinMa, {250});
}
void BM_WMA20(benchmark::State& s)
{
    run(s, builtinWma, {20});
}
void BM_HOD20(benchmark::State& s)
{
    run(s, builtinHod, {20});
}
void BM_HOD0(benchmark::State& s)
{
    run(s, builtinHod, {0});
}
void BM_STD250(benchmark::State& s)
{
    run(s, builtinStd, {250});
}

// ---- engine against a plain single-pass loop of the same result ----

constexpr float kInf = std::numeric_limits<float>::infinity();

void referenceMa(const float* x, float* out, uint32_t n, uint32_t k)
{
    double acc = 0.0;
    for (uint32_t i = 0; i < n; ++i) {
        acc += x[i];
        if (i >= k)
            acc -= x[i - k];
        out[i] = i + 1 >= k ? static_cast<float>(acc / k) : kInf;
    }
}

void referenceStd(const float* x, float* out, uint32_t n, uint32_t k)
{
    double s1 = 0.0, s2 = 0.0;
    for (uint32_t i = 0; i < n; ++i) {
        const double v = x[i];
        s1 += v;
        s2 += v * v;
        if (i >= k) {
            const double o = x[i - k];
            s1 -= o;
            s2 -= o * o;
        }
        out[i] = i + 1 >= k ? static_cast<float>(std::sqrt(std::max(0.0, (s2 - s1 * s1 / k) / (k - 1)))) : kInf;
    }
}

void referenceCount(const float* x, float* out, uint32_t n, uint32_t k)
{
    uint32_t c = 0;
    for (uint32_t i = 0; i < n; ++i) {
        c += x[i] == 1.0f;
        if (i >= k)
            c -= x[i - k] == 1.0f;
        out[i] = static_cast<float>(c);
    }
}

void referenceCross(const float* a, const float* b, float* out, uint32_t n)
{
    out[0] = 0.0f;
    for (uint32_t i = 1; i < n; ++i)
        out[i] = (b[i - 1] > a[i - 1] && a[i] > b[i]) ? 1.0f : 0.0f;
}

using Clock = std::chrono::steady_clock;

// args: the builtin's arguments in formula order; reference(out) fills the
// same result by a plain loop.
template <typename Reference>
void ratio(benchmark::State& state, BuiltinFn fn, std::vector<ArgumentPtr> args, Reference reference)
{
    FormulaContext ctx;
    ctx.barCount = kBars;
    std::vector<float> out(kBars);
    double engine = 0.0, plain = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!callOnce(ctx, fn, args)) {
            state.SkipWithError("builtin failed");
            break;
        }
        const auto t1 = Clock::now();
        reference(out.data());
        benchmark::DoNotOptimize(out.data());
        const auto t2 = Clock::now();
        engine += std::chrono::duration<double, std::nano>(t1 - t0).count();
        plain += std::chrono::duration<double, std::nano>(t2 - t1).count();
    }
    const double calls = static_cast<double>(state.iterations()) * kBars;
    state.counters["engine_ns_bar"] = engine / calls;
    state.counters["plain_ns_bar"] = plain / calls;
    state.counters["ratio"] = plain > 0.0 ? engine / plain : 0.0;
}

void BM_Ratio_MA20(benchmark::State& s)
{
    const float* x = prices()->values.data();
    ratio(s, builtinMa, {prices(), makeLiteralNumber(20)}, [x](float* out) { referenceMa(x, out, kBars, 20); });
}
void BM_Ratio_STD20(benchmark::State& s)
{
    const float* x = prices()->values.data();
    ratio(s, builtinStd, {prices(), makeLiteralNumber(20)}, [x](float* out) { referenceStd(x, out, kBars, 20); });
}
void BM_Ratio_COUNT20(benchmark::State& s)
{
    const float* x = condition()->values.data();
    ratio(s, builtinCount, {condition(), makeLiteralNumber(20)},
          [x](float* out) { referenceCount(x, out, kBars, 20); });
}
void BM_Ratio_CROSS(benchmark::State& s)
{
    const float* a = prices()->values.data();
    const float* b = average()->values.data();
    ratio(s, builtinCross, {prices(), average()}, [a, b](float* out) { referenceCross(a, b, out, kBars); });
}

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
BENCHMARK(BM_Ratio_MA20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ratio_STD20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ratio_COUNT20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ratio_CROSS)->Unit(benchmark::kMillisecond);
