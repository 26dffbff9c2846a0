// Window extremes, ranks and ranked searches on the high side, hand-computed.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinHhv, WindowMaximum)
{
    expectBars(call(builtinHhv, {series({3, 5, 4, 2}), lit(2)}), {3, 5, 5, 4});
    expectBars(call(builtinHhv, {series({3, 5, 4, 2}), lit(0)}), {3, 5, 5, 5});
    expectBars(call(builtinHhv, {series({3, 5, 4, 2}), lit(10)}), {3, 5, 5, 5});
    expectBars(call(builtinHhv, {series({3, INF, 4}), lit(2)}), {3, INF, INF});
    expectBars(call(builtinHhv, {series({3, INF, 4}), lit(0)}), {3, 3, 4});
    expectBars(call(builtinHhv, {series({9, 9, 1, 2, 3}, 2), lit(2)}), {0, 0, 1, 2, 3});
    expectBars(call(builtinHhv, {lit(4), lit(3)}, 2), {4, 4});
}

TEST(BuiltinHhv, WholeHistoryStartsWithMarker)
{
    // Never -3.4e38 before the first real value.
    expectBars(call(builtinHhv, {series({INF, INF, 3, 1}), lit(0)}), {INF, INF, 3, 3});
    expectBars(call(builtinHhv, {series({INF, 2}), lit(-1)}), {INF, 2});
    expectBars(call(builtinHhv, {series({INF, 2}), series({0, 0})}), {INF, 2});
}

TEST(BuiltinHhv, VaryingPeriod)
{
    // Growing by one bar per bar: the running maximum.
    expectBars(call(builtinHhv, {series({3, 1, 4, 2}), series({1, 2, 3, 4})}), {3, 3, 4, 4});
    // A period passing through 0 must not corrupt the next window: bar 3
    // covers bars 0 to 3, which hold the 9 of bar 2.
    expectBars(call(builtinHhv, {series({1, 2, 9, 3}), series({3, 3, 0, 4})}), {1, 2, 9, 9});
    expectBars(call(builtinHhv, {series({5, 1, 2, 3}), series({1, INF, 2, 1})}), {5, 1, 2, 3});
}

TEST(BuiltinHhv, NaNNeverWins)
{
    expectBars(call(builtinHhv, {series({NAN, 3, NAN, 1}), lit(2)}), {NAN, 3, 3, 1});
    expectBars(call(builtinHhvbars, {series({NAN, 3, NAN, 1}), lit(2)}), {0, 0, 1, 0});
    expectBars(call(builtinHhv, {series({NAN, 3, NAN, 1}), series({2, 2, 2, 2})}), {NAN, 3, 3, 1});
}

TEST(BuiltinHhvbars, DistanceToOldestMaximum)
{
    expectBars(call(builtinHhvbars, {series({5, 3, 5, 1}), lit(3)}), {0, 1, 2, 1});
    expectBars(call(builtinHhvbars, {series({5, 3, 5, 1}), lit(0)}), {0, 1, 2, 3});
    expectBars(call(builtinHhvbars, {series({5, 3, 5, 1}), lit(INF)}), {0, 0, 0, 0});
    expectBars(call(builtinHhvbars, {series({5, 3, 5, 1}), series({1, 2, 1, 3})}), {0, 1, 0, 1});
    expectBars(call(builtinHhvbars, {series({1, INF, 2}), lit(3)}), {0, 0, 1});
}

TEST(BuiltinHod, RankFromTheTop)
{
    expectBars(call(builtinHod, {series({3, 5, 4}), lit(3)}), {1, 1, 2});
    expectBars(call(builtinHod, {series({3, 5, 4}), lit(-1)}), {1, 1, 1});
    expectBars(call(builtinHod, {series({3, 5, 4}), lit(INF)}), {1, 1, 1});
    expectBars(call(builtinHod, {series({3, 5, 4, 3}), lit(0)}), {1, 1, 2, 4});
}

TEST(BuiltinFindhigh, RankedValueOfEarlierWindow)
{
    expectBars(call(builtinFindhigh, {series({1, 9, 5, 7, 3}), lit(1), lit(3), lit(2)}), {INF, 1, 1, 5, 7});
    // T beyond the window gives its lowest value.
    expectBars(call(builtinFindhigh, {series({1, 9, 5, 7, 3}), lit(1), lit(3), lit(5)}), {INF, 1, 1, 1, 5});
    expectBars(call(builtinFindhigh, {series({1, 9, 5, 7, 3}), lit(1), lit(0), lit(2)}), {INF, INF, INF, INF, INF});
    // M below 0: the whole history up to the window's end.
    expectBars(call(builtinFindhigh, {series({1, 9, 5, 7, 3}), lit(1), lit(-1), lit(1)}), {INF, 1, 9, 9, 9});
}

TEST(BuiltinFindhigh, RankBelowOneOrOffsetBeyondTheBarGivesMarker)
{
    expectBars(call(builtinFindhigh, {series({1, 9, 5}), lit(0), lit(2), lit(0)}), {INF, INF, INF});
    expectBars(call(builtinFindhigh, {series({1, 9, 5}), lit(0), lit(2), lit(0.5f)}), {INF, INF, INF});
    expectBars(call(builtinFindhigh, {series({1, 9, 5, 7}), series({1, 1, 5, 1}), lit(2), lit(1)}), {INF, 1, INF, 9});
    // An offset that reaches before the first valid bar has no data.
    expectBars(call(builtinFindhigh, {series({0, 0, 4, 6}, 2), lit(1), lit(2), lit(1)}), {0, 0, INF, 4});
}

TEST(BuiltinFindlow, RankedLowValue)
{
    expectBars(call(builtinFindlow, {series({1, 9, 5, 7, 3}), lit(1), lit(3), lit(2)}), {INF, 1, 9, 5, 7});
    expectBars(call(builtinFindlow, {series({1, 9, 5, 7, 3}), lit(1), lit(3), lit(0)}), {INF, INF, INF, INF, INF});
}

TEST(BuiltinFindhighbars, DistanceToRankedValue)
{
    expectBars(call(builtinFindhighbars, {series({1, 9, 5, 7, 3}), lit(1), lit(3), lit(2)}), {INF, 1, 2, 1, 1});
    // Equal values: the oldest occurrence counts.
    expectBars(call(builtinFindhighbars, {series({4, 4, 1, 1}), lit(0), lit(3), lit(1)}), {0, 1, 2, 2});
    expectBars(call(builtinFindhighbars, {series({4, 4, 1}), lit(0), lit(3), lit(0)}), {INF, INF, INF});
    expectBars(call(builtinFindhighbars, {series({4, 4, 1}), lit(0), lit(0), lit(1)}), {INF, INF, INF});
}

TEST(BuiltinFindlowbars, DistanceToRankedLowValue)
{
    expectBars(call(builtinFindlowbars, {series({1, 9, 5, 7, 3}), lit(1), lit(3), lit(2)}), {INF, 1, 1, 1, 1});
    expectBars(call(builtinFindlowbars, {series({1, 9, 5, 7, 3}), lit(1), lit(3), lit(1)}), {INF, 1, 2, 3, 2});
}

TEST(BuiltinExtremesFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"hhv", builtinHhv, {3}, 7},
        {"hhv N=0", builtinHhv, {0}, 7},
        {"hhvbars", builtinHhvbars, {3}, 0},
        {"hod", builtinHod, {3}, 1},
        {"hod N=0", builtinHod, {0}, 1},
        {"findhigh", builtinFindhigh, {1, 3, 1}, INF},
        {"findhigh N=0", builtinFindhigh, {0, 3, 1}, 7},
        {"findhighbars", builtinFindhighbars, {0, 3, 1}, 0},
        {"findlow", builtinFindlow, {0, 3, 1}, 7},
        {"findlowbars", builtinFindlowbars, {1, 3, 1}, INF},
    });
}
