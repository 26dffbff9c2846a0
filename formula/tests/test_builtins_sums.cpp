// Sums, products and moving averages on hand-computed series.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinMa, WindowMeans)
{
    expectBars(call(builtinMa, {series({1, 2, 3, 4}), lit(2)}), {INF, 1.5f, 2.5f, 3.5f});
    expectBars(call(builtinMa, {series({1, 2, 3, 4}), lit(0)}), {1, 2, 3, 4});
    expectBars(call(builtinMa, {series({1, 2, 3, 4}), lit(1)}), {1, 2, 3, 4});
    expectBars(call(builtinMa, {series({1, 2, 3, 4}), lit(5)}), {INF, INF, INF, INF});
    expectBars(call(builtinMa, {series({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), lit(3)}), {INF, INF, 2, 3, 4, 5, 6, 7, 8, 9});
    // Window cut at the first valid bar.
    expectBars(call(builtinMa, {series({0, 0, 0, 3, 6, 9}, 3), lit(3)}), {0, 0, 0, 3, 4.5f, 6});
    // A bar-varying period.
    expectBars(call(builtinMa, {series({1, 2, 3, 4}), series({1, 2, 3, 2})}), {1, 1.5f, 2, 3.5f});
}

TEST(BuiltinMa, MarkersLiteralsAndEmptyInput)
{
    expectBars(call(builtinMa, {series({1, INF, 3, 4}), lit(2)}), {INF, INF, INF, 3.5f});
    // MA(5, 3): a series of the bar count, not an unbounded loop.
    expectBars(call(builtinMa, {lit(5), lit(3)}, 4), {INF, INF, 5, 5});
    ArgumentPtr r = call(builtinMa, {series({}), lit(3)});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->values.empty());
    expectBars(call(builtinMa, {series({4}), lit(1)}), {4});
}

TEST(BuiltinWma, LinearWeights)
{
    expectBars(call(builtinWma, {series({1, 2, 3}), lit(3)}), {INF, INF, 14.0f / 6.0f});
    expectBars(call(builtinWma, {series({1, 2, 3}), lit(2)}), {INF, 5.0f / 3.0f, 8.0f / 3.0f});
    expectBars(call(builtinWma, {lit(2), lit(2)}, 3), {INF, 2, 2});
    expectBars(call(builtinWma, {series({1, 2, 3, 4, 5, 6}), lit(2)}),
               {INF, 5.0f / 3.0f, 8.0f / 3.0f, 11.0f / 3.0f, 14.0f / 3.0f, 17.0f / 3.0f});
    expectBars(call(builtinWma, {series({1, 2, 3, 4, 5, 6}), series({1, 2, 3, 3, 1, 2})}),
               {1, 5.0f / 3.0f, 14.0f / 6.0f, 20.0f / 6.0f, 5, 17.0f / 3.0f});
}

TEST(BuiltinSum, RunningSumOfQualifyingValues)
{
    expectBars(call(builtinSum, {series({1, INF, 2}), lit(0)}), {1, 1, 3});
    // Nothing summed yet is no value, not 0.
    expectBars(call(builtinSum, {series({INF, 1, 2}), lit(0)}), {INF, 1, 3});
    // SUM(1, 0) over four bars.
    expectBars(call(builtinSum, {lit(1), lit(0)}, 4), {1, 2, 3, 4});
}

TEST(BuiltinSum, WindowSums)
{
    expectBars(call(builtinSum, {series({1, INF, 2}), lit(2)}), {1, INF, INF});
    expectBars(call(builtinSum, {series({1, 2, 3, 4, 5}), lit(-1)}), {1, 3, 6, 10, 15});
    expectBars(call(builtinSum, {series({1, 2, 3, 4, 5, 6}), lit(3)}), {1, 3, 6, 9, 12, 15});
    expectBars(call(builtinSum, {series({1, 2, 3, 4}), series({0, 1, 2, 0})}), {1, 2, 5, 10});
}

TEST(BuiltinSumbars, BarsNeededToReachThreshold)
{
    expectBars(call(builtinSumbars, {series({1, 1, 1, 1}), lit(2)}), {0, 1, 2, 2});
    expectBars(call(builtinSumbars, {series({1, 1, 1, 1}), lit(1)}), {0, 0, 0, 0});
    expectBars(call(builtinSumbars, {series({1, 1, 1, 1}), lit(10)}), {0, 1, 2, 3});
    // A NaN threshold never compares: the sum stops at bar 0 and the bar has no value.
    expectBars(call(builtinSumbars, {series({1, 1, 1}), lit(NAN)}), {0, INF, INF});
    ArgumentPtr broken = series({1, 2});
    broken->firstValid = 3;
    EXPECT_FALSE(call(builtinSumbars, {broken, lit(1)}));
}

TEST(BuiltinMular, WindowProducts)
{
    expectBars(call(builtinMular, {series({1, 2, 3}), lit(2)}), {1, 2, 6});
    expectBars(call(builtinMular, {series({1, 2, 3}), lit(0)}), {1, 2, 6});
    expectBars(call(builtinMular, {series({1, 2, 3, 4}), lit(3)}), {1, 2, 6, 24});
    expectBars(call(builtinMular, {series({INF, 2, 3, 4}), lit(2)}), {INF, INF, 6, 12});
    expectBars(call(builtinMular, {lit(2), lit(2)}, 3), {2, 4, 4});
}

TEST(BuiltinMema, SeededRecursion)
{
    expectBars(call(builtinMema, {series({2, 4, 6, 8}), lit(2)}), {INF, 3, 4.5f, 6.25f});
    // N = 1 follows the input.
    expectBars(call(builtinMema, {series({2, 4, 6, 8}), lit(1)}), {2, 4, 6, 8});
    // Leading markers do not enter the seed, which is taken at the absolute
    // bar N - 1 = 1: mean{2} = 2, then (2 + 4)/2 = 3 and (3 + 6)/2 = 4.5.
    expectBars(call(builtinMema, {series({INF, 2, 4, 6}), lit(2)}), {INF, 2, 3, 4.5f});
    // First usable bar 3 lies beyond N - 1 = 1: no seed, the recursion starts
    // from X at bar 3: 2, (2 + 4)/2 = 3, (3 + 6)/2 = 4.5.
    expectBars(call(builtinMema, {series({INF, INF, INF, 2, 4, 6}), lit(2)}), {INF, INF, INF, 2, 3, 4.5f});
    expectBars(call(builtinMema, {series({2, 4}), lit(0)}), {INF, INF});
}

TEST(BuiltinMema, FractionalPeriodTakesNoSeed)
{
    // N = 2.5: no bar has i = N - 1, so the recursion runs from X at bar 0
    // once i >= 1.5: (1.5*2 + 6)/2.5 = 3.6, then (1.5*3.6 + 8)/2.5 = 5.36.
    expectBars(call(builtinMema, {series({2, 4, 6, 8}), lit(2.5f)}), {INF, INF, 3.6f, 5.36f});
}

TEST(BuiltinSma, WeightedRecursion)
{
    expectBars(call(builtinSma, {series({10, 20}), lit(2), lit(1)}), {10, 15});
    expectBars(call(builtinSma, {series({INF, 10, 20}), lit(2), lit(1)}), {INF, 10, 15});
    expectBars(call(builtinSma, {series({10, 20}), lit(0), lit(1)}), {INF, INF});
    expectBars(call(builtinSma, {series({10, 20, 30}), series({2, 2, 4}), lit(1)}), {10, 15, 18.75f});
}

TEST(BuiltinTma, LinearRecursionAndFailure)
{
    expectBars(call(builtinTma, {series({2, 4}), lit(0.5f), lit(0.5f)}), {2, 3});
    expectBars(call(builtinTma, {series({INF, 2, 4}), lit(0.5f), lit(0.5f)}), {INF, 2, 3});
    EXPECT_FALSE(call(builtinTma, {series({2, 4}), lit(1), lit(0.5f)}));
    EXPECT_FALSE(call(builtinTma, {series({2, 4}), lit(0.5f), series({0.5f, 1})}));
}

TEST(BuiltinSumsFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"sum N=0", builtinSum, {0}, 7},
        {"sum", builtinSum, {3}, 7},
        {"sumbars", builtinSumbars, {2}, 0},
        {"mular", builtinMular, {2}, 7},
        {"ma", builtinMa, {3}, INF},
        {"ma N=1", builtinMa, {1}, 7},
        {"wma", builtinWma, {1}, 7},
        {"mema", builtinMema, {2}, INF},
        {"mema N=1", builtinMema, {1}, 7},
        {"sma", builtinSma, {2, 1}, 7},
        {"tma", builtinTma, {0.5f, 0.5f}, 7},
    });
}

// Windows of a constant length over long finite data: the running sums start
// afresh every 2048 bars from the first full window on (several such stretches
// are summed together); every bar equals that arithmetic bit for bit, for
// lengths that leave the last group of stretches short or cut.
TEST(BuiltinSum, RunningStretchesBitForBit)
{
    constexpr uint32_t kStretch = 2048;
    for (uint32_t bars : {5000u, 8193u, 8192u + 19u, 3u * 8192u + 4000u}) {
        std::vector<float> x(bars);
        uint32_t s = bars;
        for (float& v : x) {
            s = s * 1664525u + 1013904223u;
            v = 10.0f + float((s >> 8) & 0xFFFF) / 4096.0f;
        }
        // Negative zeros alone and in a window of their own: the sums stay +0.
        for (std::size_t i = 0; i < x.size(); i += 97)
            x[i] = -0.0f;
        std::fill(x.begin() + 2000, x.begin() + 2600, -0.0f);
        for (uint32_t k : {1u, 20u, 512u}) {
            std::vector<float> want(bars);
            const uint32_t steady = std::min(bars, k - 1);
            double acc = 0.0;
            for (uint32_t i = 0; i < steady; ++i) {
                acc += x[i];
                want[i] = float(acc + 0.0);
            }
            for (uint32_t a = steady; a < bars; a += kStretch) {
                double s1 = 0.0;
                for (uint32_t j = a + 1 - k; j <= a; ++j)
                    s1 += double(x[j]);
                want[a] = float(s1 + 0.0);
                for (uint32_t i = a + 1; i < std::min(bars, a + kStretch); ++i) {
                    s1 += double(x[i]) - double(x[i - k]);
                    want[i] = float(s1 + 0.0);
                }
            }
            ArgumentPtr r = call(builtinSum, {series(x), lit(float(k))});
            ASSERT_TRUE(r);
            ASSERT_EQ(r->values.size(), bars);
            for (uint32_t i = 0; i < bars; ++i) {
                ASSERT_EQ(std::signbit(r->values[i]), std::signbit(want[i])) << "bar " << i;
                ASSERT_EQ(r->values[i], want[i]) << "bars " << bars << " k " << k << " bar " << i;
            }
        }
    }
}
