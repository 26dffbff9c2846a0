// Programs built of several operators against a hand-written single loop of
// the same indicator, and the window sums and mean deviations that users
// write by themselves:
//   MACD  DIF := EMA(C,12) - EMA(C,26); DEA := EMA(DIF,9); (DIF - DEA) * 2
//   RSI   LC := REF(C,1); SMA(MAX(C-LC,0),6,1) / SMA(ABS(C-LC),6,1) * 100
//   SUM(C,20), AVEDEV(C,N) for several N (0: the whole history), against a
//   rank tree.
// The counters give the engine's time per bar, the loop's and their ratio.
// The hand loops use the same arithmetic (double states); bench_fml_peers
// (scripts/bench-peers) sets the same kernels beside TA-Lib and Tulip
// Indicators.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cmath>
#include <limits>
#include <vector>

#include "fmlbenchprogram.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr float kInf = std::numeric_limits<float>::infinity();

using fmlbench::prices;
using fmlbench::Program;
using fmlbench::rankTreeAvedev;

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
            p.name("DIF").name("DEA").call("-").num(2).call("*").assign("MACD").out("MACD", FML_PEN_COLORSTICK).drop();
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
