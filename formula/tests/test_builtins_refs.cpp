// References to other bars on hand-computed series.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinRef, LooksBack)
{
    expectBars(call(builtinRef, {series({1, 2, 3, 4}), lit(1)}), {1, 1, 2, 3});
    expectBars(call(builtinRef, {series({1, 2, 3, 4}), lit(-1)}), {1, 1, 1, 1});
    expectBars(call(builtinRef, {series({1, 2, 3, 4}), series({0, 0, INF, 1})}), {1, 2, INF, 3});
    expectBars(call(builtinRef, {series({1, 2, 3, 4}), lit(10)}), {1, 1, 1, 1});
    expectLiteral(call(builtinRef, {lit(5), lit(3)}), 5);
}

TEST(BuiltinRef, NeverReadsBeforeTheFirstValidBar)
{
    expectBars(call(builtinRef, {series({0, 0, 7, 8, 9}, 2), lit(1)}), {0, 0, 7, 7, 8});
    expectBars(call(builtinRefv, {series({0, 0, 7, 8, 9}, 2), lit(1)}), {0, 0, INF, 7, 8});
}

TEST(BuiltinRef, CommonRangeOfDataAndPeriod)
{
    auto x = series({0, 0, 0, 1, 2, 3, 4, 5, 6, 7}, 3);
    auto n = series({0, 0, 0, 0, 0, 1, 1, 1}, 5);
    ArgumentPtr r = call(builtinRef, {x, n});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->firstValid, 5u);
    EXPECT_EQ(r->endBar, 8u);
    EXPECT_EQ(r->values.size(), 8u);
    expectBars(r, {0, 0, 0, 0, 0, 2, 3, 4}, 5);
    auto late = series({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 11);
    EXPECT_FALSE(call(builtinRef, {series({1, 2, 3}), late}));
}

TEST(BuiltinRefv, MarkerOutOfRange)
{
    expectBars(call(builtinRefv, {series({1, 2, 3, 4}), lit(1)}), {INF, 1, 2, 3});
    expectBars(call(builtinRefv, {series({1, 2, 3, 4}), lit(-1)}), {INF, INF, INF, INF});
    // Both literal: bounded by the bar count.
    expectBars(call(builtinRefv, {lit(5), lit(1)}, 3), {INF, 5, 5});
}

TEST(BuiltinRefx, LooksForward)
{
    expectBars(call(builtinRefx, {series({1, 2, 3, 4}), lit(1)}), {2, 3, 4, 4});
    expectBars(call(builtinRefx, {series({1, 2, 3, 4}), lit(-2)}), {1, 1, 1, 1});
    expectBars(call(builtinRefxv, {series({1, 2, 3, 4}), lit(1)}), {2, 3, 4, INF});
    expectBars(call(builtinRefxv, {series({1, 2, 3, 4}), lit(-1)}), {INF, INF, INF, INF});
    expectBars(call(builtinRefxv, {series({1, 2, 3, 4}), series({0, 3, 1, 0})}), {1, INF, 4, 4});
    expectBars(call(builtinRefx, {lit(5), lit(1)}, 3), {5, 5, 5});
    expectBars(call(builtinRefxv, {lit(5), lit(1)}, 3), {5, 5, INF});
    // The look-ahead stops at the end bar even when more values are held.
    auto x = series({1, 2, 3, 99});
    x->endBar = 3;
    expectBars(call(builtinRefxv, {x, lit(1)}), {2, 3, INF});
    expectBars(call(builtinRefx, {x, lit(1)}), {2, 3, 3});
}

TEST(BuiltinLast, HeldOnEveryBarOfSpan)
{
    expectBars(call(builtinLast, {series({1, 1, 0, 1, 1}), lit(1), lit(0)}), {0, 1, 0, 0, 1});
    expectBars(call(builtinLast, {series({1, 1, 0, 1, 1}), lit(2), lit(1)}), {0, 0, 1, 0, 0});
    // An empty span (A = B - 1) always holds.
    expectBars(call(builtinLast, {series({1, 1, 0, 1, 1}), lit(0), lit(1)}), {0, 1, 1, 1, 1});
    expectBars(call(builtinLast, {series({1, INF, 1}), lit(1), lit(0)}), {0, 0, 0});
    expectLiteral(call(builtinLast, {lit(3), lit(1), lit(0)}), 1);
    expectLiteral(call(builtinLast, {lit(0), lit(1), lit(0)}), 0);
    expectLiteral(call(builtinLast, {lit(INF), lit(1), lit(0)}), INF);
}

TEST(BuiltinRefsFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"ref", builtinRef, {1}, 7},
        {"refv", builtinRefv, {1}, INF},
        {"refx", builtinRefx, {1}, 7},
        {"refxv", builtinRefxv, {1}, INF},
        {"last", builtinLast, {1, 0}, 0},
        {"last A=B=0", builtinLast, {0, 0}, 1},
    });
}
