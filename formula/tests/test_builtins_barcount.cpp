// Bar counting and event timing builtins on hand-computed series.

#include "builtintestutil.h"

using namespace builtintest;

TEST(BuiltinBarscount, CountsFromFirstUsableBar)
{
    expectBars(call(builtinBarscount, {series({INF, INF, 5, 6, 7})}), {INF, INF, 0, 1, 2});
    // Only +infinity is skipped, not the second marker.
    expectBars(call(builtinBarscount, {series({CONT, 1})}), {0, 1});
    expectBars(call(builtinBarscount, {series({0, 0, INF, 4, 5}, 2)}), {0, 0, INF, 0, 1});
    expectBars(call(builtinBarscount, {series({9})}), {0});
}

TEST(BuiltinBarscount, NoUsableBarGivesMarkersOnly)
{
    expectBars(call(builtinBarscount, {series({INF, INF, INF})}), {INF, INF, INF});
}

TEST(BuiltinBarscount, LiteralAndEmptyInput)
{
    expectLiteral(call(builtinBarscount, {lit(3)}), 0);
    expectLiteral(call(builtinBarscount, {lit(INF)}), INF);
    ArgumentPtr r = call(builtinBarscount, {series({})});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->values.empty());
    ArgumentPtr broken = series({1, 2});
    broken->firstValid = 3;
    EXPECT_FALSE(call(builtinBarscount, {broken}));
}

TEST(BuiltinBarssince, CountsFromFirstTrueBar)
{
    expectBars(call(builtinBarssince, {series({0, 0, 1, 0, 1})}), {INF, INF, 0, 1, 2});
    expectBars(call(builtinBarssince, {series({0, CONT, INF, 0, 2})}), {INF, INF, INF, INF, 0});
    expectBars(call(builtinBarssince, {series({0, 0, 0})}), {INF, INF, INF});
    expectLiteral(call(builtinBarssince, {lit(0)}), INF);
    expectLiteral(call(builtinBarssince, {lit(2)}), 0);
}

TEST(BuiltinBarslast, BarsSinceLastNonzero)
{
    expectBars(call(builtinBarslast, {series({1, 0, 0, 1, 0})}), {INF, 1, 2, 0, 1});
    expectBars(call(builtinBarslast, {series({0, 0, 0})}), {INF, 1, 2});
    expectBars(call(builtinBarslast, {series({0, 0, 1, 0}, 1)}), {0, 0, 0, 1});
    // A literal condition is a series of the bar count.
    expectBars(call(builtinBarslast, {lit(1)}, 3), {INF, 0, 0});
}

TEST(BuiltinBarsnext, BarsUntilNextNonzero)
{
    expectBars(call(builtinBarsnext, {series({0, 0, 1, 0, 0, 1})}), {2, 1, 0, 2, 1, 0});
    // After the last event there is no next one: the marker, never a wrapped count.
    expectBars(call(builtinBarsnext, {series({0, 1, 0, 0})}), {1, 0, INF, INF});
    expectBars(call(builtinBarsnext, {series({0})}), {INF});
    expectBars(call(builtinBarsnext, {series({5})}), {0});
    expectBars(call(builtinBarsnext, {series({9, 0, 0, 1}, 1)}), {0, 2, 1, 0});
}

TEST(BuiltinBarslastcount, RunsOfOne)
{
    expectBars(call(builtinBarslastcount, {series({1, 1, 0, 1, 2})}), {1, 2, 0, 1, 0});
    expectBars(call(builtinBarslastcount, {series({1, INF, 1, 1})}), {1, 0, 1, 2});
}

TEST(BuiltinBarslastcount, LiteralConditionRunsOverOpenPrices)
{
    FormulaContext ctx;
    ctx.variables["O"] = series({0, 10, 11, 12}, 1);
    expectBars(call(builtinBarslastcount, {lit(1)}, 4, &ctx), {0, 1, 2, 3});
    expectBars(call(builtinBarslastcount, {lit(0)}, 4, &ctx), {0, 0, 0, 0});
    // Without open prices the step fails.
    EXPECT_FALSE(call(builtinBarslastcount, {lit(1)}, 4));
}

TEST(BuiltinBarssincen, OldestTrueBarInWindow)
{
    expectBars(call(builtinBarssincen, {series({0, 1, 0, 0, 1}), lit(3)}), {0, 0, 1, 2, 0});
    expectBars(call(builtinBarssincen, {series({0, 1, 0, 0, 1}), lit(0)}), {0, 0, 1, 2, 3});
    // Markers count as nonzero inside the window but do not start the count.
    expectBars(call(builtinBarssincen, {series({INF, 0, 1, 0}), lit(4)}), {0, 0, 2, 3});
    expectBars(call(builtinBarssincen, {series({1, 0, 1, 0}), series({1, 2, 1, 2})}), {0, 1, 0, 1});
    expectLiteral(call(builtinBarssincen, {lit(0), lit(3)}), INF);
}

TEST(BuiltinCount, BarsEqualToOne)
{
    expectBars(call(builtinCount, {series({1, 0, 1, 1, 2}), lit(3)}), {1, 1, 2, 2, 2});
    expectBars(call(builtinCount, {series({1, 0, 1, 1, 2}), lit(0)}), {1, 1, 2, 3, 3});
    expectBars(call(builtinCount, {series({1, 0, 1, 1, 2}), lit(-2)}), {1, 1, 2, 3, 3});
    expectBars(call(builtinCount, {series({1, 0, 1, 1, 2}), series({1, 2, 3, 1, 5})}), {1, 1, 2, 1, 3});
    expectBars(call(builtinCount, {series({1, INF, 1}), lit(2)}), {1, 1, 1});
    // COUNT(1, 2) over four bars.
    expectBars(call(builtinCount, {lit(1), lit(2)}, 4), {1, 2, 2, 2});
    ArgumentPtr r = call(builtinCount, {lit(1), lit(2)});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->values.empty()) << "a literal without bars is an empty series";
}

TEST(BuiltinCurrbarscount, BarsToTheEnd)
{
    FormulaContext ctx;
    ctx.variables["c"] = series({5, 6, 7, 8, 9});
    expectBars(call(builtinCurrbarscount, {}, 5, &ctx), {5, 4, 3, 2, 1});
    EXPECT_FALSE(call(builtinCurrbarscount, {}, 5));
}

TEST(BuiltinBarcountFamily, EmptyAndOneBarInput)
{
    expectEdgeCases({
        {"barscount", builtinBarscount, {}, 0},
        {"barslast", builtinBarslast, {}, INF},
        {"barslastcount", builtinBarslastcount, {}, 0},
        {"barsnext", builtinBarsnext, {}, 0},
        {"barssince", builtinBarssince, {}, 0},
        {"barssincen", builtinBarssincen, {3}, 0},
        {"count", builtinCount, {3}, 0},
    });
}
