// Window lows, low ranks and runs on hand-computed series.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinLlv, WindowMinimum)
{
    expectBars(call(builtinLlv, {series({3, 1, 4, 2}), lit(2)}), {3, 1, 1, 2});
    expectBars(call(builtinLlv, {series({3, 1, 4, 2}), lit(0)}), {3, 1, 1, 1});
    expectBars(call(builtinLlv, {series({3, INF, 4}), lit(2)}), {3, 3, 4});
    expectBars(call(builtinLlv, {series({3, INF, 4}), lit(0)}), {3, 3, 3});
    expectBars(call(builtinLlv, {series({INF, INF, 4}), lit(2)}), {INF, INF, 4});
    expectBars(call(builtinLlv, {series({3, 1, 4, 2}), series({1, 2, 3, 4})}), {3, 1, 1, 1});
    expectBars(call(builtinLlv, {series({9, 1, 8, 7}), series({3, 3, 0, 4})}), {9, 1, 1, 1});
}

TEST(BuiltinLlv, WholeHistoryStartsWithMarker)
{
    // Never +3.4e38 before the first real value.
    expectBars(call(builtinLlv, {series({INF, INF, 5, 6}), lit(0)}), {INF, INF, 5, 5});
    expectBars(call(builtinLlv, {series({INF, 5}), series({-3, 0})}), {INF, 5});
}

TEST(BuiltinLlvbars, DistanceToOldestMinimum)
{
    expectBars(call(builtinLlvbars, {series({1, 3, 1, 5}), lit(3)}), {0, 1, 2, 1});
    expectBars(call(builtinLlvbars, {series({1, 3, 1, 5}), lit(0)}), {0, 1, 2, 3});
    expectBars(call(builtinLlvbars, {series({1, 3, 1, 5}), lit(-4)}), {0, 1, 2, 3});
    expectBars(call(builtinLlvbars, {series({1, 3, 1, 5}), series({1, 2, 2, 2})}), {0, 1, 0, 1});
}

TEST(BuiltinLod, RankFromTheBottom)
{
    expectBars(call(builtinLod, {series({3, 5, 4}), lit(3)}), {1, 2, 2});
    expectBars(call(builtinLod, {series({3, 5, 4}), lit(-1)}), {1, 2, 2});
    expectBars(call(builtinLod, {series({3, 5, 4}), lit(INF)}), {1, 2, 2});
    expectBars(call(builtinLod, {series({3, 5, 4, 1}), lit(2)}), {1, 2, 1, 1});
}

TEST(BuiltinLowrange, BarsAboveBefore)
{
    expectBars(call(builtinLowrange, {series({5, 4, 3, 6, 2})}), {0, 1, 2, 0, 4});
    expectBars(call(builtinLowrange, {series({1, 5, 4, 3})}), {0, 0, 1, 2});
    // No bar from the first valid one on stops the run: the bar's index.
    expectBars(call(builtinLowrange, {series({0, 0, 5, 4, 3}, 2)}), {0, 0, 0, 3, 4});
    expectBars(call(builtinLowrange, {series({0, 0, 5, 4, 6, 2}, 2)}), {0, 0, 0, 3, 0, 5});
    expectBars(call(builtinToprange, {series({0, 0, 1, 2, 0, 3}, 2)}), {0, 0, 0, 3, 0, 5});
    expectBars(call(builtinLowrange, {series({7})}), {0});
}

TEST(BuiltinToprange, BarsBelowBefore)
{
    expectBars(call(builtinToprange, {series({1, 2, 3, 0, 4})}), {0, 1, 2, 0, 4});
    expectBars(call(builtinToprange, {series({3, 1, 2, 2, 5})}), {0, 0, 1, 0, 4});
}

TEST(BuiltinLowsFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"llv", builtinLlv, {3}, 7},
        {"llv N=0", builtinLlv, {0}, 7},
        {"llvbars", builtinLlvbars, {3}, 0},
        {"lod", builtinLod, {3}, 1},
        {"lowrange", builtinLowrange, {}, 0},
        {"toprange", builtinToprange, {}, 0},
    });
}
