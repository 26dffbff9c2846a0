// Hostile-argument sweep: every builtin over 100,000 bars with each of a set
// of hostile parameters (zero, negative, NaN, +infinity and huge literals; a
// period that varies from bar to bar as BARSLAST(X)+1 does, one past the bar
// index, and a per-bar mix of all of these), on a price series and on a signed
// series holding markers and NaN. Each case runs three times and keeps the
// median of the thread's CPU time; the table gives every builtin's slowest
// case. Target: under 50 ms.
//   build/bin/bench_fml_sweep            (all builtins)
//   build/bin/bench_fml_sweep hhv avedev (only these)
//
// Not a Google Benchmark program: one timed table, printed once.

#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "builtins.h"
#include "formulaargument.h"
#include "formulacontext.h"
#include "builtinarities.h"

namespace {

constexpr uint32_t kBars = 100000;
constexpr float kInf = std::numeric_limits<float>::infinity();

// Every builtin in the table's order: the operators and functions, the window
// families, then the signal and pattern ones.
std::vector<BuiltinArity> allBuiltins()
{
    std::vector<BuiltinArity> all = {
        {"<>", builtinNotEqual, 2},     {"==", builtinEqual, 2},      {">", builtinGreater, 2},
        {">=", builtinGreaterEqual, 2}, {"<", builtinLess, 2},        {"<=", builtinLessEqual, 2},
        {"and", builtinAnd, 2},         {"or", builtinOr, 2},         {"+", builtinAdd, 2},
        {"-", builtinSub, 2},           {"*", builtinMul, 2},         {"/", builtinDiv, 2},
        {"mod", builtinMod, 2},         {"min", builtinMin, 2},       {"max", builtinMax, 2},
        {"pow", builtinPow, 2},         {"negate", builtinNegate, 1}, {"abs", builtinAbs, 1},
        {"cos", builtinCos, 1},         {"sin", builtinSin, 1},       {"tan", builtinTan, 1},
        {"atan", builtinAtan, 1},       {"acos", builtinAcos, 1},     {"asin", builtinAsin, 1},
        {"intpart", builtinIntpart, 1}, {"floor", builtinFloor, 1},   {"not", builtinNot, 1},
        {"ln", builtinLn, 1},           {"log", builtinLog, 1},       {"exp", builtinExp, 1},
        {"sqrt", builtinSqrt, 1},
    };
    all.insert(all.end(), std::begin(kWindowBuiltins), std::end(kWindowBuiltins));
    all.insert(all.end(), std::begin(kSignalBuiltins), std::end(kSignalBuiltins));
    return all;
}

ArgumentPtr seriesOf(std::vector<float> v)
{
    auto a = std::make_shared<FormulaArgument>();
    a->values.assign(v.begin(), v.end());
    a->endBar = static_cast<uint32_t>(v.size());
    return a;
}

ArgumentPtr prices()
{
    std::mt19937 rng(7);
    std::normal_distribution<float> step(0.0f, 0.5f);
    std::vector<float> v(kBars);
    float p = 100.0f;
    for (float& x : v) {
        p = std::max(1.0f, p + step(rng));
        x = p;
    }
    return seriesOf(std::move(v));
}

// Values around 0, with +infinity markers, NaN and -infinity now and then.
ArgumentPtr signedWithMarkers()
{
    std::mt19937 rng(9);
    std::normal_distribution<float> value(0.0f, 3.0f);
    std::uniform_int_distribution<int> pick(0, 499);
    std::vector<float> v(kBars);
    for (float& x : v) {
        const int p = pick(rng);
        x = p < 5 ? kInf : (p == 5 ? NAN : (p == 6 ? -kInf : value(rng)));
    }
    return seriesOf(std::move(v));
}

struct ArgSet {
    const char* name;
    ArgumentPtr value;
};

std::vector<ArgSet> hostileArguments()
{
    std::vector<ArgSet> sets = {
        {"20", makeLiteralNumber(20)},   {"0", makeLiteralNumber(0)},       {"-5", makeLiteralNumber(-5)},
        {"NaN", makeLiteralNumber(NAN)}, {"+inf", makeLiteralNumber(kInf)}, {"1e9", makeLiteralNumber(1e9f)},
    };
    std::mt19937 rng(3);
    std::vector<float> since(kBars), past(kBars), mixed(kBars), constant(kBars, 20.0f);
    static const float picks[] = {0.0f, -3.0f, 0.5f, 1.0f, 7.0f, 300.0f, 5000.0f, kInf, NAN, 1e9f};
    uint32_t s = 0;
    for (uint32_t i = 0; i < kBars; ++i) {
        s = std::uniform_int_distribution<int>(0, 2000)(rng) == 0 ? 0 : s + 1;
        since[i] = static_cast<float>(s + 1);
        past[i] = static_cast<float>(i + 2);
        mixed[i] = picks[std::uniform_int_distribution<int>(0, 9)(rng)];
    }
    sets.push_back({"BARSLAST+1", seriesOf(since)});
    sets.push_back({"i+2", seriesOf(past)});
    sets.push_back({"mixed", seriesOf(mixed)});
    sets.push_back({"20 series", seriesOf(constant)});
    return sets;
}

// CPU time of this thread: on a shared machine the wall clock also counts
// the time other processes hold the core.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double runOnce(const BuiltinArity& b, const ArgumentPtr& x, const ArgumentPtr& param, const ArgumentPtr& close)
{
    FormulaContext ctx;
    ctx.barCount = kBars;
    for (const char* n : {"C", "O", "H", "L"})
        ctx.variables[n] = close;
    const double t0 = cpuMs();
    if (b.args > 0)
        ctx.push(x);
    for (int i = 1; i < b.args; ++i)
        ctx.push(param);
    b.fn(&ctx);
    return cpuMs() - t0;
}

long faults()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt + u.ru_majflt;
}

}  // namespace

int main(int argc, char** argv)
{
    const ArgumentPtr price = prices();
    const ArgumentPtr odd = signedWithMarkers();
    const std::vector<ArgSet> sets = hostileArguments();
    std::printf("%-14s %10s  %-11s %-7s %8s %8s\n", "builtin", "worst ms", "argument", "data", "median", "over50");
    int slow = 0;
    double overall = 0.0;
    const std::vector<BuiltinArity> builtins = allBuiltins();
    for (const BuiltinArity& b : builtins) {
        if (argc > 1) {
            bool wanted = false;
            for (int a = 1; a < argc; ++a)
                wanted = wanted || std::strcmp(argv[a], b.name) == 0;
            if (!wanted)
                continue;
        }
        double worst = 0.0;
        std::string worstArgs, worstData;
        std::vector<double> all;
        int over = 0;
        for (const ArgSet& set : sets) {
            for (int d = 0; d < 2; ++d) {
                const ArgumentPtr& x = d == 0 ? price : odd;
                double t[3];
                for (double& one : t)
                    one = runOnce(b, x, set.value, price);
                std::sort(t, t + 3);
                all.push_back(t[1]);
                over += t[1] >= 50.0 ? 1 : 0;
                if (t[1] > worst) {
                    worst = t[1];
                    worstArgs = set.name;
                    worstData = d == 0 ? "prices" : "signed";
                }
            }
        }
        std::sort(all.begin(), all.end());
        std::printf("%-14s %10.3f  %-11s %-7s %8.3f %8d\n", b.name, worst, worstArgs.c_str(), worstData.c_str(),
                    all[all.size() / 2], over);
        slow += over;
        overall = std::max(overall, worst);
    }
    // Steady state: the same call again touches no fresh memory.
    const BuiltinArity& hhv = *std::find_if(builtins.begin(), builtins.end(),
                                            [](const BuiltinArity& b) { return std::strcmp(b.name, "hhv") == 0; });
    runOnce(hhv, price, sets[6].value, price);
    const long before = faults();
    runOnce(hhv, price, sets[6].value, price);
    std::printf("\ncases at or over 50 ms: %d; slowest case %.3f ms; page faults of a repeated hhv call: %ld\n", slow,
                overall, faults() - before);
    return 0;
}
