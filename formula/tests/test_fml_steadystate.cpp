// The array pool behind the engine's values (size classes, reuse, a run that
// repeats over the same bars taking no fresh memory) and a generous time
// bound on paths whose cost once grew with bars times window.

#include <gtest/gtest.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "builtintestutil.h"
#include "fmltestprogram.h"
#include "scratchpool.h"

using namespace builtintest;

namespace {

TEST(FmlPool, BlocksHoldTheirRequestAndAreReused)
{
    // Class edges: powers of two, a quarter step, one byte past a class.
    const std::size_t sizes[] = {16384, 16385, 20480, 20481, 28672, 28680, 32767, 32768, 1048577, 3000000};
    for (std::size_t bytes : sizes) {
        void* p = scratchpool::take(bytes);
        ASSERT_GE(malloc_usable_size(p), bytes) << bytes;
        // On a cache line: a vector loop's 32-byte steps never straddle two.
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u) << bytes;
        scratchpool::give(p, bytes);
        void* q = scratchpool::take(bytes);
        if (scratchpool::pooling()) {
            EXPECT_EQ(q, p) << bytes << ": the freed block serves the same size again";
        }
        scratchpool::give(q, bytes);
    }
}

TEST(FmlPool, RepeatedRunOverTheSameBarsTakesNoFreshMemory)
{
    if (!scratchpool::pooling())
        GTEST_SKIP() << "this build bypasses the pool";
    const int bars = 100000;
    std::vector<float> c(bars), h(bars), l(bars);
    for (int i = 0; i < bars; ++i) {
        c[i] = 10.0f + std::sin(i * 0.01f);
        h[i] = c[i] + 0.3f;
        l[i] = c[i] - 0.3f;
    }
    TestProgram p;
    p.setSeries("C", c);
    p.setSeries("H", h);
    p.setSeries("L", l);
    // MACD and KDJ plus the window builtins over bar-varying periods.
    p.difDea();
    p.rsv(9).num(3).num(1).call("SMA").assign("K").output(FML_DRAW_DATA, "K").drop();
    p.name("C").name("C").num(20).call("MA").call(">").call("BARSLAST").num(1).call("+").assign("N").drop();
    p.name("H")
        .name("N")
        .call("HHV")
        .name("C")
        .name("N")
        .call("STD")
        .call("+")
        .name("C")
        .name("N")
        .call("AVEDEV")
        .call("+")
        .output(FML_DRAW_DATA, "W")
        .drop();
    ASSERT_EQ(p.run(bars), 1);
    ASSERT_EQ(p.run(bars), 1);
    const std::size_t before = scratchpool::freshBlocks();
    ASSERT_EQ(p.run(bars), 1);
    EXPECT_EQ(scratchpool::freshBlocks(), before);
}

// A live session's new bar: the host hands its kept close back one bar
// longer, and every series the run grows by that bar keeps its array, so
// the run takes no fresh memory (fresh pages of every series of every
// formula cost far more than the bar).
TEST(FmlPool, ANewBarTakesNoFreshMemory)
{
    if (!scratchpool::pooling())
        GTEST_SKIP() << "this build bypasses the pool";
    struct Host {
        std::vector<float> c;
        int from = 0;
        static int miss(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
        {
            if ((name[0] | 0x20) != 'c' || name[1])
                return 0;
            auto* h = static_cast<Host*>(user);
            const int had = fml_argument_data_size(arg);
            const int from = std::min(h->from, had);
            float* v = fml_argument_data(arg, int(h->c.size()));
            std::copy(h->c.begin() + from, h->c.end(), v + from);
            fml_argument_rewritten_from(arg, from);
            return 1;
        }
    } host;
    for (int i = 0; i < 100000; ++i)
        host.c.push_back(10.0f + std::sin(i * 0.01f));
    TestProgram p;
    fml_ctx_keep_series(p.ctx(), 1);
    fml_ctx_miss_callback(p.ctx(), &host, &Host::miss);
    p.difDea();
    p.macdBar();
    p.name("C").num(20).call("MA").name("C").num(20).call("STD").call("+").output(FML_DRAW_DATA, "UB").drop();
    ASSERT_EQ(p.run(int(host.c.size())), 1);
    host.from = int(host.c.size()) - 1;
    ASSERT_EQ(p.run(int(host.c.size())), 1);
    for (int day = 0; day < 3; ++day) {
        host.from = int(host.c.size());
        host.c.push_back(host.c.back() + 0.01f);
        const std::size_t before = scratchpool::freshBlocks();
        ASSERT_EQ(p.run(int(host.c.size())), 1);
        EXPECT_EQ(scratchpool::freshBlocks(), before) << "new bar " << day + 1;
    }
}

// CPU time spent by the calling thread so far.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

TEST(BuiltinSpeed, FormerlyQuadraticPathsStayFast)
{
    // Each of these took seconds to tens of seconds over 100,000 bars when
    // its cost grew with bars times window; 2 s is generous for any build.
    // The time is this thread's own CPU time, which other work on a busy
    // machine does not add to (wall time does).
    const uint32_t bars = 100000;
    std::vector<float> x(bars), past(bars), since(bars);
    uint32_t s = 0;
    for (uint32_t i = 0; i < bars; ++i) {
        x[i] = std::sin(i * 0.001f) * 50.0f + static_cast<float>(i % 13) - 6.0f;
        past[i] = static_cast<float>(i + 2);
        s = i % 3000 == 0 ? 0 : s + 1;
        since[i] = static_cast<float>(s + 1);
    }
    struct Case {
        const char* name;
        BuiltinFn fn;
        std::vector<ArgumentPtr> args;
    };
    const Case cases[] = {
        {"hhvbars past the index", builtinHhvbars, {series(x), series(past)}},
        {"findhigh wide", builtinFindhigh, {series(x), lit(1), series(since), lit(5)}},
        {"avedev whole history", builtinAvedev, {series(x), lit(0)}},
        {"std bar-varying", builtinStd, {series(x), series(since)}},
        {"sumbars signed", builtinSumbars, {series(x), lit(1e9f)}},
        {"backset huge", builtinBackset, {series(std::vector<float>(bars, 1.0f)), lit(1e9f)}},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        ctx.barCount = bars;
        for (const ArgumentPtr& a : c.args)
            ctx.push(a);
        const double t0 = threadCpuSeconds();
        ASSERT_TRUE(c.fn(&ctx)) << c.name;
        const double seconds = threadCpuSeconds() - t0;
        EXPECT_LT(seconds, 2.0) << c.name << ": CPU seconds of this thread";
    }
}

}  // namespace
