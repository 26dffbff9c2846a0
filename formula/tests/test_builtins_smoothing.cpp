// Recursive smoothing builtins (ama, dma, ema/expma, expmema) on hand-computed series.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinEma, RecursionFromFirstBar)
{
    expectBars(call(builtinEma, {series({10, 20, 30}), lit(3)}), {10, 15, 22.5f});
    // Periods below 1 or +infinity behave as 1: the input itself.
    expectBars(call(builtinEma, {series({10, 20, 30}), lit(0.5f)}), {10, 20, 30});
    expectBars(call(builtinEma, {series({10, 20, 30}), lit(INF)}), {10, 20, 30});
    // A period that changes per bar: bar 1 uses 1, bar 2 uses 3.
    expectBars(call(builtinEma, {series({10, 20, 30}), series({3, 1, 3})}), {10, 20, 25});
}

TEST(BuiltinEma, MarkersBeforeFirstQualifyingBarAndGaps)
{
    // Never 0.0 before the first value: the marker.
    expectBars(call(builtinEma, {series({INF, CONT, 10, 20}), lit(3)}), {INF, INF, 10, 15});
    // A gap repeats the previous average and the recursion goes on from it.
    expectBars(call(builtinEma, {series({10, INF, 30}), lit(3)}), {10, 10, 20});
    expectBars(call(builtinEma, {series({INF, INF}), lit(3)}), {INF, INF});
    expectBars(call(builtinEma, {series({0, 0, 4, 8}, 2), lit(3)}), {0, 0, 4, 6});
}

TEST(BuiltinEma, LiteralEmptyAndOneBar)
{
    expectBars(call(builtinEma, {lit(5), lit(3)}, 3), {5, 5, 5});
    expectBars(call(builtinEma, {series({7}), lit(3)}), {7});
    ArgumentPtr r = call(builtinEma, {series({}), lit(3)});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->values.empty());
}

TEST(BuiltinAma, FreeWeight)
{
    expectBars(call(builtinAma, {series({10, 20}), lit(0.5f)}), {10, 15});
    expectBars(call(builtinAma, {series({10, 20}), lit(2)}), {10, 30});
    expectBars(call(builtinAma, {series({INF, 4, 8}), lit(0.5f)}), {INF, 4, 6});
    expectBars(call(builtinAma, {series({4, INF, 8}), lit(0.5f)}), {4, 4, 6});
    expectBars(call(builtinAma, {series({4, 8, 8}), series({0.5f, 0.5f, 0.25f})}), {4, 6, 6.5f});
}

TEST(BuiltinDma, WeightClampedToOne)
{
    expectBars(call(builtinDma, {series({10, 20}), lit(1.5f)}), {10, 20});
    expectBars(call(builtinDma, {series({10, 20}), lit(-0.2f)}), {10, 20});
    expectBars(call(builtinDma, {series({10, 20}), lit(0.25f)}), {10, 12.5f});
    expectBars(call(builtinDma, {series({INF, 10, 20}), lit(0.25f)}), {INF, 10, 12.5f});
}

TEST(BuiltinExpmema, SeededWithSimpleMean)
{
    expectBars(call(builtinExpmema, {series({2, 4, 6, 8}), lit(3)}), {INF, INF, 4, 6});
    expectBars(call(builtinExpmema, {series({2, 4, 6, 8}), lit(0)}), {INF, INF, INF, INF});
    expectBars(call(builtinExpmema, {series({2, 4, 6, 8}), lit(1)}), {2, 4, 6, 8});
}

TEST(BuiltinExpmema, FractionalPeriodTakesNoSeed)
{
    // N = 2.5: no bar has i = N - 1, so the recursion runs from X at bar 0
    // once i >= 1.5: (1.5*2 + 12)/3.5 = 4.2857143, then (1.5*4.2857143 + 16)/3.5.
    expectBars(call(builtinExpmema, {series({2, 4, 6, 8}), lit(2.5f)}), {INF, INF, 15.0f / 3.5f, 6.4081633f});
}

TEST(BuiltinExpmema, LeadingMarkersDoNotStickTheResult)
{
    // The seed is taken at the absolute bar N - 1 = 2 from the qualifying
    // values up to it: mean{2} = 2; then (2*2 + 8)/4 = 3, (2*3 + 12)/4 = 4.5,
    // (2*4.5 + 16)/4 = 6.25.
    expectBars(call(builtinExpmema, {series({INF, INF, 2, 4, 6, 8}), lit(3)}), {INF, INF, 2, 3, 4.5f, 6.25f});
    // The first usable bar 3 lies beyond N - 1 = 1: no seed; from X at bar 3:
    // 2, (2 + 8)/3, (10/3 + 12)/3 = 46/9, (46/9 + 16)/3 = 190/27.
    const float m = kContinuousValue;
    expectBars(call(builtinExpmema, {series({INF, m, INF, 2, 4, 6, 8}), lit(2)}),
               {INF, INF, INF, 2, 10.0f / 3.0f, 46.0f / 9.0f, 190.0f / 27.0f});
    // A marker at the seed bar does not enter the seed.
    expectBars(call(builtinExpmema, {series({2, 4, INF, 8}), lit(3)}), {INF, INF, 3, 5.5f});
}

TEST(BuiltinSmoothingFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"ama", builtinAma, {0.5f}, 7},
        {"dma", builtinDma, {0.5f}, 7},
        {"ema", builtinEma, {3}, 7},
        {"expmema", builtinExpmema, {3}, INF},
        {"expmema N=1", builtinExpmema, {1}, 7},
    });
}
