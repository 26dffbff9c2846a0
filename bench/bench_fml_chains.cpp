// Programs built of several operators against a hand-written single loop of
// the same indicator, and the window sums and mean deviations that users
// write by themselves:
//   MACD  DIF := EMA(C,12) - EMA(C,26); DEA := EMA(DIF,9); (DIF - DEA) * 2
//   RSI   LC := REF(C,1); SMA(MAX(C-LC,0),6,1) / SMA(ABS(C-LC),6,1) * 100
//   SUM(C,20), AVEDEV(C,N) for several N (0: the whole history), against a
//   rank tree.
// The counters give the engine's time per bar, the loop's and their ratio.
// The hand loops use the same arithmetic (double states), not another
// library: no technical-analysis library is packaged for this system.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cmath>
#include <limits>
#include <vector>

#include "fml.h"
#include "fmlopchain.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> prices(int n)
{
    std::vector<float> c(n);
    float p = 10.0f;
    uint32_t s = 12345;
    for (int i = 0; i < n; ++i) {
        s = s * 1664525u + 1013904223u;
        p += (float((s >> 8) & 0xFFFF) / 65535.0f - 0.5f) * 0.1f;
        c[i] = p;
    }
    return c;
}

struct Program : FmlOpChain<Program> {
    FormulaVM* vm = fml_vm_create();
    FormulaContext* ctx = fml_ctx_create(vm);
    const std::vector<float>* close = nullptr;
    Program() { chainTo(ctx); }
    ~Program()
    {
        fml_ctx_release(ctx);
        fml_vm_release(vm);
    }
    static int supply(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
    {
        if ((name[0] | 0x20) != 'c' || name[1])
            return 0;
        const std::vector<float>& c = *static_cast<const std::vector<float>*>(user);
        float* p = fml_argument_data(arg, int(c.size()));
        std::copy(c.begin(), c.end(), p);
        fml_argument_rewritten_from(arg, 0);
        return 1;
    }
    // A whole run, as after a stock switch: a new context each time would
    // also compile; here the context is cleaned and its memory of the last
    // run dropped by a changed first bar. The close is handed over as the
    // chart does: its array of the last run comes back and is rewritten
    // whole (no zero-fill of a new array first).
    bool run(std::vector<float>& c)
    {
        c[0] = c[0] == 10.0f ? 10.5f : 10.0f;
        fml_ctx_keep_series(ctx, 1);
        fml_ctx_clean(ctx);
        fml_ctx_data_length(ctx, int(c.size()));
        fml_ctx_miss_callback(ctx, &c, &Program::supply);
        return fml_vm_run(vm, ctx) == 1;
    }
};

template <typename Build, typename Loop>
void compare(benchmark::State& state, Build build, Loop loop, int bars = 0)
{
    if (bars == 0)
        bars = int(state.range(0));
    std::vector<float> c = prices(bars);
    std::vector<float> out(bars);
    Program p;
    build(p);
    double engine = 0.0, plain = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!p.run(c)) {
            state.SkipWithError("the program failed");
            return;
        }
        const auto t1 = Clock::now();
        loop(c, out);
        benchmark::DoNotOptimize(out.data());
        const auto t2 = Clock::now();
        engine += std::chrono::duration<double, std::nano>(t1 - t0).count();
        plain += std::chrono::duration<double, std::nano>(t2 - t1).count();
    }
    const double perBar = double(state.iterations()) * bars;
    state.counters["engine_ns_bar"] = engine / perBar;
    state.counters["loop_ns_bar"] = plain / perBar;
    state.counters["ratio"] = plain > 0.0 ? engine / plain : 0.0;
}

// MACD as the catalogue has it: DIF, DEA and MACD are drawn outputs, and
// the loop writes all three series as an indicator library's MACD does.
void BM_Macd(benchmark::State& state)
{
    std::vector<float> dif, dea;
    compare(
        state,
        [](Program& p) {
            p.name("C").num(12).call("EMA").name("C").num(26).call("EMA").call("-").assign("DIF").out("DIF").drop();
            p.name("DIF").num(9).call("EMA").assign("DEA").out("DEA").drop();
            p.name("DIF").name("DEA").call("-").num(2).call("*").assign("MACD").out("MACD", FML_PEN_COLORSTICK)
                .drop();
        },
        [&dif, &dea](const std::vector<float>& c, std::vector<float>& out) {
            dif.resize(c.size());
            dea.resize(c.size());
            double e12 = c[0], e26 = c[0], d = 0.0;
            for (std::size_t i = 0; i < c.size(); ++i) {
                e12 = (11.0 / 13.0) * e12 + (2.0 / 13.0) * c[i];
                e26 = (25.0 / 27.0) * e26 + (2.0 / 27.0) * c[i];
                const float f = float(e12) - float(e26);
                d = i == 0 ? f : (8.0 / 10.0) * d + (2.0 / 10.0) * f;
                dif[i] = f;
                dea[i] = float(d);
                out[i] = (f - float(d)) * 2.0f;
            }
            benchmark::DoNotOptimize(dif.data());
            benchmark::DoNotOptimize(dea.data());
        });
}

// Without outputs, as the benchmark measured the chain before: the engine
// may leave the intermediate series unwritten.
void BM_MacdNoOutputs(benchmark::State& state)
{
    compare(
        state,
        [](Program& p) {
            p.name("C").num(12).call("EMA").name("C").num(26).call("EMA").call("-").assign("DIF").drop();
            p.name("DIF").num(9).call("EMA").assign("DEA").drop();
            p.name("DIF").name("DEA").call("-").num(2).call("*").assign("MACD").drop();
        },
        [](const std::vector<float>& c, std::vector<float>& out) {
            double e12 = c[0], e26 = c[0], dea = 0.0;
            for (std::size_t i = 0; i < c.size(); ++i) {
                e12 = (11.0 / 13.0) * e12 + (2.0 / 13.0) * c[i];
                e26 = (25.0 / 27.0) * e26 + (2.0 / 27.0) * c[i];
                const float dif = float(e12) - float(e26);
                dea = i == 0 ? dif : (8.0 / 10.0) * dea + (2.0 / 10.0) * dif;
                out[i] = (dif - float(dea)) * 2.0f;
            }
        });
}

void BM_Rsi(benchmark::State& state)
{
    compare(
        state,
        [](Program& p) {
            p.name("C").num(1).call("REF").assign("LC").drop();
            p.name("C").name("LC").call("-").num(0).call("MAX").num(6).num(1).call("SMA");
            p.name("C").name("LC").call("-").call("ABS").num(6).num(1).call("SMA").call("/").num(100).call("*");
            p.assign("RSI").drop();
        },
        [](const std::vector<float>& c, std::vector<float>& out) {
            out[0] = kInf;
            double up = 0.0, all = 0.0;
            for (std::size_t i = 1; i < c.size(); ++i) {
                const float d = c[i] - c[i - 1];
                const float u = d > 0.0f ? d : 0.0f;
                up = i == 1 ? u : (5.0 / 6.0) * up + (1.0 / 6.0) * u;
                all = i == 1 ? std::fabs(d) : (5.0 / 6.0) * all + (1.0 / 6.0) * std::fabs(d);
                out[i] = all == 0.0 ? kInf : float(up) / float(all) * 100.0f;
            }
        });
}

void BM_Sum20(benchmark::State& state)
{
    compare(
        state, [](Program& p) { p.name("C").num(20).call("SUM").assign("S").drop(); },
        [](const std::vector<float>& c, std::vector<float>& out) {
            double s = 0.0;
            for (std::size_t i = 0; i < c.size(); ++i) {
                s += c[i];
                if (i >= 20)
                    s -= c[i - 20];
                out[i] = float(s);
            }
        });
}

// Mean absolute deviation of the windows of n bars (0: the whole history)
// by a rank tree: the values ranked once by sorting, Fenwick trees of the
// count and the sum of the window's values by rank, and at each bar the
// values below the window's mean read from them:
// sum |x - m| = (m c_below - s_below) + (s_above - m c_above).
void rankTreeAvedev(const std::vector<float>& c, int n, std::vector<float>& out)
{
    const std::size_t bars = c.size();
    std::vector<uint32_t> order(bars);
    for (std::size_t i = 0; i < bars; ++i)
        order[i] = uint32_t(i);
    std::sort(order.begin(), order.end(), [&c](uint32_t a, uint32_t b) { return c[a] < c[b]; });
    std::vector<float> sorted(bars);
    std::vector<uint32_t> rank(bars);
    for (std::size_t r = 0; r < bars; ++r) {
        sorted[r] = c[order[r]];
        rank[order[r]] = uint32_t(r);
    }
    std::vector<uint32_t> count(bars + 1, 0);
    std::vector<double> sum(bars + 1, 0.0);
    auto add = [&](uint32_t r, int d, double v) {
        for (std::size_t t = r + 1; t <= bars; t += t & (~t + 1)) {
            count[t] += uint32_t(d);
            sum[t] += v;
        }
    };
    double total = 0.0;
    for (std::size_t i = 0; i < bars; ++i) {
        add(rank[i], 1, c[i]);
        total += c[i];
        if (n > 0 && i >= std::size_t(n)) {
            add(rank[i - std::size_t(n)], -1, -double(c[i - std::size_t(n)]));
            total -= c[i - std::size_t(n)];
        }
        if (n > 0 && i + 1 < std::size_t(n)) {
            out[i] = kInf;
            continue;
        }
        const double w = double(n > 0 ? std::size_t(n) : i + 1);
        const double m = total / w;
        const std::size_t limit =
            std::size_t(std::lower_bound(sorted.begin(), sorted.end(), m, [](float v, double t) { return v < t; }) -
                        sorted.begin());
        uint32_t below = 0;
        double sb = 0.0;
        for (std::size_t t = limit; t > 0; t -= t & (~t + 1)) {
            below += count[t];
            sb += sum[t];
        }
        out[i] = float(std::max(0.0, (m * below - sb) + ((total - sb) - m * (w - below))) / w);
    }
}

// AVEDEV(C,N): one whole run at 100,000 bars for each N, against the rank
// tree above (the counters as for the chains).
void BM_Avedev(benchmark::State& state)
{
    const int bars = 100000;
    const int n = int(state.range(0));
    compare(
        state, [n](Program& p) { p.name("C").num(float(n)).call("AVEDEV").assign("A").drop(); },
        [n](const std::vector<float>& c, std::vector<float>& out) { rankTreeAvedev(c, n, out); }, bars);
}

BENCHMARK(BM_Macd)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MacdNoOutputs)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rsi)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sum20)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Avedev)->Arg(0)->Arg(5)->Arg(20)->Arg(100)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
