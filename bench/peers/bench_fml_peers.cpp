// The formula engine's kernels beside TA-Lib 0.6 and Tulip Indicators in one
// process (run by scripts/bench-peers):
//   MACD   DIF := EMA(C,12) - EMA(C,26); DEA := EMA(DIF,9); MACD := (DIF-DEA)*2,
//          all three drawn outputs, against Tulip's ti_macd (three outputs);
//   SUM    SUM(C,20) against TA_SUM;
//   RSI    LC := REF(C,1); SMA(MAX(C-LC,0),6,1) / SMA(ABS(C-LC),6,1) * 100
//          against TA_RSI(6);
// each at 1,000,000 bars, warm, one run of each side per round with the order
// alternating between rounds; and
//   AVEDEV(C,0) cold at 100,000 bars: a fresh process creates the machine,
//          builds the one-line program and runs it once, against a fresh
//          process running the rank tree of fmlbenchprogram.h once on memory
//          it has not touched (bench_fml_chains holds it warm), the order
//          alternating between rounds.
// Each side takes its data as it keeps it (the engine floats, the peers
// doubles). Before timing, the outputs are checked equal within the
// rounding of the engine's float results, after 300 bars (the peers seed
// their recursions at the end of the first period, the engine at bar 0, and
// the difference dies away geometrically). Tulip replaces the factors of
// EMA(12) and EMA(26) by 0.15 and 0.075, so MACD's values are checked at
// periods 13, 27 and 9, where both take 2 / (N + 1), and timed at 12, 26, 9
// (the same loops). Prints per kernel the median of the per-round ratios
// engine / peer, their range and the median times, with the machine's load.
//   bench_fml_peers [--rounds N] [--cold-rounds N] [--only MACD|SUM|RSI] [--no-check]
// On a busy machine, count instructions instead (scripts/bench-peers
// --callgrind does): callgrind with the collection toggled on fml_vm_run
// for the engine and on ti_macd, TA_SUM or TA_RSI for the peer.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "fmlbenchprogram.h"
#include "indicators.h"
#include "ta_libc.h"

namespace {

using Clock = std::chrono::steady_clock;
using fmlbench::Program;

double nanos(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::nano>(b - a).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

std::string loadAverage()
{
    char buf[128] = {};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (!std::fgets(buf, sizeof buf, f))
            buf[0] = 0;
        std::fclose(f);
    }
    std::string s(buf);
    while (!s.empty() && s.back() == '\n')
        s.pop_back();
    return s;
}

// Counts the bars from `from` where |a - b| exceeds tol(i); prints the first.
template <typename A, typename B, typename Tol>
int mismatches(const char* what, int from, int to, A a, B b, Tol tol)
{
    int bad = 0;
    for (int i = from; i < to; ++i) {
        const double x = a(i), y = b(i);
        if (!(std::fabs(x - y) <= tol(i))) {
            if (bad == 0)
                std::fprintf(stderr, "%s differs at bar %d: engine %.9g, peer %.9g\n", what, i, x, y);
            ++bad;
        }
    }
    return bad;
}

void macdProgram(Program& p, float fast, float slow, float signal)
{
    p.name("C").num(fast).call("EMA").name("C").num(slow).call("EMA").call("-").assign("DIF").out("DIF").drop();
    p.name("DIF").num(signal).call("EMA").assign("DEA").out("DEA").drop();
    p.name("DIF").name("DEA").call("-").num(2).call("*").assign("MACD").out("MACD", FML_PEN_COLORSTICK).drop();
}

void rsiProgram(Program& p)
{
    p.name("C").num(1).call("REF").assign("LC").drop();
    p.name("C").name("LC").call("-").num(0).call("MAX").num(6).num(1).call("SMA");
    p.name("C").name("LC").call("-").call("ABS").num(6).num(1).call("SMA").call("/").num(100).call("*");
    p.assign("RSI").drop();
}

struct Peer {
    std::vector<double> in;
    std::vector<double> out[3];
    explicit Peer(const std::vector<float>& c) : in(c.begin(), c.end())
    {
        for (auto& o : out)
            o.assign(c.size(), 0.0);
    }
    int bars() const { return int(in.size()); }
    bool macd(double fast, double slow, double signal)
    {
        const double* inputs[] = {in.data()};
        const double options[] = {fast, slow, signal};
        double* outputs[] = {out[0].data(), out[1].data(), out[2].data()};
        return ti_macd(bars(), inputs, options, outputs) == TI_OKAY;
    }
    bool sum(int n)
    {
        int begin = 0, count = 0;
        return TA_SUM(0, bars() - 1, in.data(), n, &begin, &count, out[0].data()) == TA_SUCCESS;
    }
    bool rsi(int n)
    {
        int begin = 0, count = 0;
        return TA_RSI(0, bars() - 1, in.data(), n, &begin, &count, out[0].data()) == TA_SUCCESS;
    }
};

constexpr int kBars = 1000000;
constexpr int kSettled = 300;

// Scale of a float result near v: a few of its units in the last place.
double floatTol(double v)
{
    return 8.0 * std::ldexp(1.0, std::ilogb(std::max(std::fabs(v), 1e-3)) - 23);
}

bool checkMacd(const std::vector<float>& c0)
{
    std::vector<float> c = c0;
    Program p;
    macdProgram(p, 13, 27, 9);
    if (!p.runAsIs(c))
        return false;
    Peer t(c);
    if (!t.macd(13, 27, 9))
        return false;
    const float* dif = p.values("DIF", kBars);
    const float* dea = p.values("DEA", kBars);
    const float* macd = p.values("MACD", kBars);
    const int lead = 26;  // Tulip's first output is bar slow - 1
    auto tol = [&](int i) { return floatTol(c[i]) * 4.0; };
    int bad = mismatches(
        "MACD DIF", kSettled, kBars, [&](int i) { return dif[i]; }, [&](int i) { return t.out[0][i - lead]; }, tol);
    bad += mismatches(
        "MACD DEA", kSettled, kBars, [&](int i) { return dea[i]; }, [&](int i) { return t.out[1][i - lead]; }, tol);
    bad += mismatches(
        "MACD MACD", kSettled, kBars, [&](int i) { return macd[i]; }, [&](int i) { return 2.0 * t.out[2][i - lead]; },
        tol);
    return bad == 0;
}

bool checkSum(const std::vector<float>& c0)
{
    std::vector<float> c = c0;
    Program p;
    p.name("C").num(20).call("SUM").assign("S").drop();
    if (!p.runAsIs(c))
        return false;
    Peer t(c);
    if (!t.sum(20))
        return false;
    const float* s = p.values("S", kBars);
    return mismatches(
               "SUM", 19, kBars, [&](int i) { return s[i]; }, [&](int i) { return t.out[0][i - 19]; },
               [&](int i) { return floatTol(t.out[0][i - 19]) + floatTol(c[i]) * 20.0; }) == 0;
}

bool checkRsi(const std::vector<float>& c0)
{
    std::vector<float> c = c0;
    Program p;
    rsiProgram(p);
    if (!p.runAsIs(c))
        return false;
    Peer t(c);
    if (!t.rsi(6))
        return false;
    const float* r = p.values("RSI", kBars);
    // Each step is the difference of two floats near the price: the float
    // rounding of the price moves both averages by a few of its units.
    return mismatches(
               "RSI", kSettled, kBars, [&](int i) { return r[i]; }, [&](int i) { return t.out[0][i - 6]; },
               [&](int) { return 2e-3; }) == 0;
}

bool checkAvedev(const std::vector<float>& c0)
{
    std::vector<float> c = c0;
    Program p;
    p.name("C").num(0).call("AVEDEV").assign("A").drop();
    if (!p.runAsIs(c))
        return false;
    std::vector<float> ref(c.size());
    fmlbench::rankTreeAvedev(c, 0, ref);
    const float* a = p.values("A", int(c.size()));
    return mismatches(
               "AVEDEV", 0, int(c.size()), [&](int i) { return a[i]; }, [&](int i) { return ref[i]; },
               [&](int i) { return floatTol(ref[i]) + 1e-6 * floatTol(c[i]); }) == 0;
}

struct Kernel {
    const char* name;
    std::function<bool()> engine, peer;
    std::vector<double> te, tp, ratio;
};

void report(const Kernel& k, const char* peerName)
{
    std::vector<double> r = k.ratio;
    std::sort(r.begin(), r.end());
    std::printf("%-28s vs %-18s ratio %.3f  (range %.3f-%.3f over %zu rounds)  engine %.3f ms  peer %.3f ms\n", k.name,
                peerName, median(r), r.front(), r.back(), r.size(), median(k.te) / 1e6, median(k.tp) / 1e6);
}

// One cold run in this process: prints the nanoseconds of the timed part.
int coldChild(const char* side)
{
    constexpr int kColdBars = 100000;
    std::vector<float> c = fmlbench::prices(kColdBars);
    if (std::strcmp(side, "engine") == 0) {
        const auto t0 = Clock::now();
        Program p;
        p.name("C").num(0).call("AVEDEV").assign("A").drop();
        fml_ctx_data_length(p.ctx, kColdBars);
        fml_ctx_miss_callback(p.ctx, &c, &Program::supply);
        const bool ok = fml_vm_run(p.vm, p.ctx) == 1;
        const auto t1 = Clock::now();
        if (!ok)
            return 1;
        std::printf("%.0f\n", nanos(t0, t1));
        return 0;
    }
    const auto t0 = Clock::now();
    std::vector<float> out(c.size());
    fmlbench::rankTreeAvedev(c, 0, out);
    const auto t1 = Clock::now();
    std::printf("%.0f\n", nanos(t0, t1) + 0.0 * out[out.size() - 1]);
    return 0;
}

double coldRun(const std::string& self, const char* side)
{
    const std::string cmd = "'" + self + "' --cold " + side;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f)
        return -1.0;
    double ns = -1.0;
    if (std::fscanf(f, "%lf", &ns) != 1)
        ns = -1.0;
    return pclose(f) == 0 ? ns : -1.0;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 31, coldRounds = 21;
    const char* only = nullptr;
    bool check = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cold") == 0 && i + 1 < argc)
            return coldChild(argv[i + 1]);
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--cold-rounds") == 0 && i + 1 < argc)
            coldRounds = std::max(0, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else if (std::strcmp(argv[i], "--no-check") == 0)
            check = false;
        else {
            std::fprintf(stderr,
                         "usage: %s [--rounds N] [--cold-rounds N] [--only MACD|SUM|RSI] [--no-check]\n"
                         "  --only runs one warm kernel and no cold rounds; --no-check skips the\n"
                         "  comparison of values (for counting instructions under callgrind)\n",
                         argv[0]);
            return 2;
        }
    }
    if (only)
        coldRounds = 0;
    if (TA_Initialize() != TA_SUCCESS) {
        std::fprintf(stderr, "TA_Initialize failed\n");
        return 1;
    }
    std::printf("load before: %s\n", loadAverage().c_str());
    std::vector<float> c = fmlbench::prices(kBars);
    if (check) {
        const bool same = checkMacd(c) && checkSum(c) && checkRsi(c) && checkAvedev(fmlbench::prices(100000));
        std::printf("values checked equal: %s\n", same ? "yes" : "NO");
        if (!same)
            return 1;
    }

    Program macd, sum, rsi;
    macdProgram(macd, 12, 26, 9);
    sum.name("C").num(20).call("SUM").assign("S").drop();
    rsiProgram(rsi);
    Peer tm(c), ts(c), tr(c);
    Kernel kernels[] = {
        {"MACD program (3 outputs)", [&] { return macd.run(c); }, [&] { return tm.macd(12, 26, 9); }, {}, {}, {}},
        {"SUM(C,20)", [&] { return sum.run(c); }, [&] { return ts.sum(20); }, {}, {}, {}},
        {"RSI program", [&] { return rsi.run(c); }, [&] { return tr.rsi(6); }, {}, {}, {}},
    };
    const auto chosen = [only](const Kernel& k) { return !only || std::strncmp(k.name, only, std::strlen(only)) == 0; };
    for (Kernel& k : kernels) {  // warm both sides up once
        if (chosen(k) && (!k.engine() || !k.peer())) {
            std::fprintf(stderr, "%s failed\n", k.name);
            return 1;
        }
    }
    for (int r = 0; r < rounds; ++r) {
        for (Kernel& k : kernels) {
            if (!chosen(k))
                continue;
            double te = 0.0, tp = 0.0;
            for (int side = 0; side < 2; ++side) {
                const bool engineTurn = (side == 0) == (r % 2 == 0);
                const auto t0 = Clock::now();
                const bool ok = engineTurn ? k.engine() : k.peer();
                const auto t1 = Clock::now();
                if (!ok)
                    return 1;
                (engineTurn ? te : tp) = nanos(t0, t1);
            }
            k.te.push_back(te);
            k.tp.push_back(tp);
            k.ratio.push_back(te / tp);
        }
    }
    const char* peers[] = {"Tulip macd", "TA_SUM", "TA_RSI"};
    for (int k = 0; k < 3; ++k)
        if (chosen(kernels[k]))
            report(kernels[k], peers[k]);

    if (coldRounds > 0) {
        char self[4096] = {};
        const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
        if (len <= 0)
            return 1;
        Kernel cold{"AVEDEV(C,0) cold, 100k bars", {}, {}, {}, {}, {}};
        for (int r = 0; r < coldRounds; ++r) {
            double te, tp;
            if (r % 2 == 0) {
                te = coldRun(self, "engine");
                tp = coldRun(self, "reference");
            } else {
                tp = coldRun(self, "reference");
                te = coldRun(self, "engine");
            }
            if (te < 0 || tp < 0) {
                std::fprintf(stderr, "a cold run failed\n");
                return 1;
            }
            cold.te.push_back(te);
            cold.tp.push_back(tp);
            cold.ratio.push_back(te / tp);
        }
        report(cold, "rank tree");
    }
    std::printf("load after: %s\n", loadAverage().c_str());
    TA_Shutdown();
    return 0;
}
