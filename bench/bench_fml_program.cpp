// Cost of running compiled formula programs: a 7-output program in the shape
// of MACD plus KDJ over 100,000 bars (compiled once, run repeatedly), and one
// relayout of 10 such programs over 5,000 bars (clean, data length, callback
// supplying the host series, run). The builtin form needs EMA, HHV, LLV and
// SMA; the operator form uses the same number of steps with operators only.
// faults counts the page faults of one iteration (getrusage): 0 in the steady
// state, where every array comes back from the engine's pool. The engine runs
// on the system's default allocator (no allocator is preloaded).

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fml.h"
#include "fmlopchain.h"

namespace {

struct Series {
    std::vector<float> close, high, low;
    // With keep (fml_ctx_keep_series): the first bar changed since the last
    // relayout; the host rewrites a handed-back series from there only.
    bool keep = false;
    int changedFrom = 0;
    explicit Series(int n) : close(n), high(n), low(n)
    {
        for (int i = 0; i < n; ++i) {
            const float c = 10.0f + 2.0f * std::sin(static_cast<float>(i) * 0.01f) + 0.1f * static_cast<float>(i % 7);
            close[i] = c;
            high[i] = c + 0.3f;
            low[i] = c - 0.3f;
        }
    }
};

int supply(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
{
    const Series& s = *static_cast<const Series*>(user);
    const std::vector<float>* v = nullptr;
    switch (name[0] | 0x20) {
    case 'c':
        v = &s.close;
        break;
    case 'h':
        v = &s.high;
        break;
    case 'l':
        v = &s.low;
        break;
    default:
        return 0;
    }
    const int n = static_cast<int>(v->size());
    const int had = fml_argument_data_size(arg);
    const int from = s.keep && had > 0 ? std::min(s.changedFrom, had) : 0;
    float* p = fml_argument_data(arg, n);
    std::copy(v->begin() + from, v->end(), p + from);
    if (s.keep)
        fml_argument_rewritten_from(arg, from);
    return 1;
}

// The program builder shared with the engine's tests.
class Builder : public FmlOpChain<Builder> {
public:
    using FmlOpChain::FmlOpChain;
};

// DIF, DEA, MACD; RSV, K, D, J: seven drawn outputs.
void compileMacdKdj(FormulaContext* ctx, bool builtins)
{
    Builder b(ctx);
    if (builtins) {
        b.difDea();
    } else {
        b.name("C").num(0.15f).call("*").name("C").num(0.07f).call("*").call("-").assign("DIF").out("DIF").drop();
        b.name("DIF").num(0.2f).call("*").assign("DEA").out("DEA").drop();
    }
    b.macdBar();
    if (builtins)
        b.rsv(9);
    else
        b.name("C").name("L").call("-").name("H").name("L").call("-").call("/").num(100).call("*");
    b.assign("RSV").out("RSV").drop();
    if (builtins) {
        b.name("RSV").num(3).num(1).call("SMA").assign("K").out("K").drop();
        b.name("K").num(3).num(1).call("SMA").assign("D").out("D").drop();
    } else {
        b.name("RSV").num(0.5f).call("*").assign("K").out("K").drop();
        b.name("K").num(0.5f).call("*").assign("D").out("D").drop();
    }
    b.num(3).name("K").call("*").num(2).name("D").call("*").call("-").assign("J").out("J").drop();
}

struct Chart {
    FormulaVM* vm = fml_vm_create();
    std::vector<FormulaContext*> contexts;
    ~Chart()
    {
        for (FormulaContext* c : contexts)
            fml_ctx_release(c);
        fml_vm_release(vm);
    }
};

// Runs one relayout; false when a program failed.
bool relayout(Chart& chart, Series& s, int bars)
{
    bool ok = true;
    for (FormulaContext* ctx : chart.contexts) {
        fml_ctx_clean(ctx);
        fml_ctx_data_length(ctx, bars);
        fml_ctx_miss_callback(ctx, &s, supply);
        fml_ctx_keep_series(ctx, s.keep ? 1 : 0);
        ok = fml_vm_run(chart.vm, ctx) == 1 && ok;
        float mx = -FMLInvalidValue, mn = FMLInvalidValue;
        fml_ctx_output_maxmin(ctx, 0, static_cast<unsigned>(bars), &mx, &mn);
        benchmark::DoNotOptimize(mx);
    }
    s.changedFrom = bars;
    return ok;
}

void runPrograms(benchmark::State& state, bool builtins, int programs, int bars)
{
    Series s(bars);
    Chart chart;
    try {
        for (int i = 0; i < programs; ++i) {
            chart.contexts.push_back(fml_ctx_create(chart.vm));
            compileMacdKdj(chart.contexts.back(), builtins);
        }
    } catch (const std::out_of_range&) {
        state.SkipWithError("a builtin of the program is not in the table");
        return;
    }
    if (!relayout(chart, s, bars)) {
        state.SkipWithError("the program failed (a builtin it needs is not built yet)");
        return;
    }
    long faults = 0;
    for (auto _ : state) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        relayout(chart, s, bars);
        getrusage(RUSAGE_SELF, &after);
        faults += (after.ru_minflt + after.ru_majflt) - (before.ru_minflt + before.ru_majflt);
    }
    state.counters["faults"] = benchmark::Counter(static_cast<double>(faults) / state.iterations());
}

// One live tick: the last close changes, then the same relayout. Where the
// engine re-evaluates from the changed bar only, this is flat in the bars.
void runTicks(benchmark::State& state, bool builtins, int programs, int bars, bool keep)
{
    Series s(bars);
    s.keep = keep;
    Chart chart;
    for (int i = 0; i < programs; ++i) {
        chart.contexts.push_back(fml_ctx_create(chart.vm));
        compileMacdKdj(chart.contexts.back(), builtins);
    }
    if (!relayout(chart, s, bars)) {
        state.SkipWithError("the program failed");
        return;
    }
    float delta = 0.01f;
    for (auto _ : state) {
        s.close.back() += delta;
        s.changedFrom = std::min(s.changedFrom, bars - 1);
        delta = -delta;
        relayout(chart, s, bars);
    }
}

// Arg 1: 0 the host hands every series over anew, 1 it keeps them in the
// engine (fml_ctx_keep_series) and rewrites only the changed last bar.
void BM_Tick10OperatorPrograms(benchmark::State& state)
{
    runTicks(state, false, 10, int(state.range(0)), state.range(1) != 0);
}
void BM_Tick10Programs(benchmark::State& state)
{
    runTicks(state, true, 10, int(state.range(0)), state.range(1) != 0);
}
BENCHMARK(BM_Tick10OperatorPrograms)->ArgsProduct({{5000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tick10Programs)->ArgsProduct({{5000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);

void BM_MacdKdj100k(benchmark::State& state)
{
    runPrograms(state, true, 1, 100000);
}
void BM_MacdKdjOperators100k(benchmark::State& state)
{
    runPrograms(state, false, 1, 100000);
}
void BM_Relayout10Programs5000(benchmark::State& state)
{
    runPrograms(state, true, 10, 5000);
}
void BM_Relayout10OperatorPrograms5000(benchmark::State& state)
{
    runPrograms(state, false, 10, 5000);
}

}  // namespace

BENCHMARK(BM_MacdKdj100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MacdKdjOperators100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Relayout10Programs5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Relayout10OperatorPrograms5000)->Unit(benchmark::kMillisecond);
