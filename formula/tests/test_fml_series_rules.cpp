// The rules every builtin shares: windows, first qualifying bar, shaped
// results, literal widening and the saturating conversion.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "builtintestutil.h"
#include "seriesrules.h"
#include "windowkernels.h"

namespace {

const float INF = std::numeric_limits<float>::infinity();

FormulaArgument seriesOf(std::vector<float> v, uint32_t first)
{
    FormulaArgument a;
    a.endBar = static_cast<uint32_t>(v.size());
    a.values.assign(v.begin(), v.end());
    a.firstValid = first;
    return a;
}

// The window as [first index, last index].
std::pair<long, long> span(const FormulaArgument& x, uint32_t i, float n)
{
    const Span s = window(x, i, windowLength(n));
    return {s.begin - x.values.data(), s.end - x.values.data() - 1};
}

TEST(FmlSeriesRules, Windows)
{
    const FormulaArgument a = seriesOf(std::vector<float>(10, 1.0f), 0);
    EXPECT_EQ(span(a, 1, 3), std::make_pair(0L, 1L));
    EXPECT_EQ(span(a, 5, 3), std::make_pair(3L, 5L));
    const FormulaArgument b = seriesOf(std::vector<float>(10, 1.0f), 4);
    EXPECT_EQ(span(b, 5, 3), std::make_pair(4L, 5L));
    for (float n : {0.0f, 0.5f, -2.0f, NAN})
        EXPECT_EQ(span(b, 8, n), std::make_pair(4L, 8L)) << "N = " << n;
    EXPECT_EQ(span(a, 9, INF), std::make_pair(0L, 9L));
    // A bar past the values held gives a window cut to them.
    EXPECT_EQ(span(a, 50, 3), std::make_pair(10L, 9L));
    FormulaArgument lit;
    lit.literal = true;
    lit.values = {7};
    EXPECT_EQ(window(lit, 100, 5).size(), 1u);
}

TEST(FmlSeriesRules, FirstQualifyingBar)
{
    EXPECT_EQ(firstQualifyingBar(seriesOf({INF, kContinuousValue, 7, 8}, 0), 0), 2u);
    EXPECT_EQ(firstQualifyingBar(seriesOf({INF, INF, INF, INF}, 0), 0), 4u);
    FormulaArgument lit;
    lit.literal = true;
    lit.values = {INF};
    EXPECT_EQ(firstQualifyingBar(lit, 3), 0u);
    EXPECT_EQ(firstQualifyingBar(seriesOf({INF, INF, INF, 1, 1}, 2), 2), 3u);
}

// The search covers the bars of the range, [first valid bar, end bar), and
// never answers a bar below the first valid bar: counting from index 0 with
// a bound of end bar - first valid bar would answer bar 0 (a 0.0 that is no
// value) and miss a qualifying value in the last first-valid-bar bars.
TEST(FmlSeriesRules, FirstQualifyingBarSearchesTheBarRange)
{
    const FormulaArgument late = seriesOf({0, 0, INF, INF, INF, 7}, 2);
    EXPECT_EQ(firstQualifyingBar(late), 5u);
    EXPECT_EQ(firstQualifyingBar(late, 0), 5u);
    EXPECT_EQ(firstQualifyingBar(late, 2), 5u);
    const FormulaArgument none = seriesOf({0, 0, INF, kContinuousValue}, 2);
    EXPECT_EQ(firstQualifyingBar(none), 4u) << "none: the end of the range";
    // An end bar past the values held is cut to them.
    FormulaArgument longer = seriesOf({INF, INF}, 0);
    longer.endBar = 100;
    EXPECT_EQ(firstQualifyingBar(longer), 2u);
    // An empty range answers the first bar searched, never below it.
    const FormulaArgument inverted = seriesOf({1, 2}, 5);
    EXPECT_EQ(firstQualifyingBar(inverted, 0), 5u);
    EXPECT_EQ(firstQualifyingBar(inverted, 7), 7u);
}

// Bars of X's range before its first qualifying bar get the marker; the bars
// below the first valid bar are left as they are.
TEST(FmlSeriesRules, MarkBeforeFirstQualifying)
{
    const FormulaArgument x = seriesOf({0, 0, INF, kContinuousValue, 5, INF}, 2);
    FloatValues out(6, 0.0f);
    EXPECT_EQ(markBeforeFirstQualifying(x, out.data()), 4u);
    EXPECT_EQ(toVector(out), (std::vector<float>{0, 0, INF, INF, 0, 0}));
}

TEST(FmlSeriesRules, ResultShapedLikeASeries)
{
    const FormulaArgument a = seriesOf(std::vector<float>(10, 3.0f), 0);
    const ArgumentPtr r = makeResultLike(a);
    EXPECT_EQ(toVector(r->values), std::vector<float>(10, 0.0f));
    EXPECT_EQ(r->firstValid, 0u);
    EXPECT_EQ(r->endBar, 10u);
    EXPECT_FALSE(r->literal);
}

TEST(FmlSeriesRules, ConstructorsMakeTheDocumentedShapes)
{
    const ArgumentPtr inv = makeInvalidSeries(3);
    EXPECT_EQ(toVector(inv->values), std::vector<float>(3, INF));
    EXPECT_EQ(inv->endBar, 3u);
    const ArgumentPtr num = makeLiteralNumber(2.5f);
    EXPECT_TRUE(num->literal);
    EXPECT_EQ(toVector(num->values), std::vector<float>{2.5f});
    const ArgumentPtr str = makeLiteralString("abc");
    EXPECT_TRUE(str->literal);
    EXPECT_EQ(str->text, "abc");
    EXPECT_EQ(toVector(str->values), std::vector<float>{INF});
}

TEST(FmlSeriesRules, WideningALiteralMakesACopy)
{
    const ArgumentPtr lit = makeLiteralNumber(5.0f);
    const ArgumentPtr wide = expandLiteral(lit, 100);
    ASSERT_NE(wide, lit);
    EXPECT_EQ(toVector(wide->values), std::vector<float>(100, 5.0f));
    EXPECT_TRUE(wide->literal);
    EXPECT_EQ(wide->endBar, 100u);
    EXPECT_EQ(lit->values.size(), 1u) << "the compiled literal must not grow";
    const ArgumentPtr s = std::make_shared<FormulaArgument>(seriesOf({1, 2, 3}, 0));
    EXPECT_EQ(expandLiteral(s, 100), s) << "a series is left alone";
    EXPECT_EQ(s->values.size(), 3u) << "a host series is never truncated or grown";
}

TEST(FmlSeriesRules, SeriesOfLengthNeverChangesItsInput)
{
    const ArgumentPtr s = std::make_shared<FormulaArgument>(seriesOf({1, 2, 3, 4, 5}, 1));
    EXPECT_EQ(seriesOfLength(s, 3), s);
    const ArgumentPtr longer = seriesOfLength(s, 8);
    ASSERT_NE(longer, s);
    EXPECT_EQ(toVector(longer->values), (std::vector<float>{1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(longer->firstValid, 1u);
    EXPECT_EQ(s->values.size(), 5u);
    const ArgumentPtr lit = makeLiteralNumber(4.0f);
    FormulaContext ctx;
    ctx.barCount = 4;
    const ArgumentPtr data = dataSeries(&ctx, lit);
    EXPECT_FALSE(data->literal);
    EXPECT_EQ(toVector(data->values), std::vector<float>(4, 4.0f));
    EXPECT_EQ(data->endBar, 4u);
    EXPECT_EQ(lit->values.size(), 1u);
}

TEST(FmlSeriesRules, SaturatingConversion)
{
    EXPECT_EQ(saturatingInt32(2.9), 2);
    EXPECT_EQ(saturatingInt32(-2.9), -2);
    EXPECT_EQ(saturatingInt32(NAN), 0);
    EXPECT_EQ(saturatingInt32(INFINITY), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(saturatingInt32(-INFINITY), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(saturatingInt32(3e9), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(saturatingUInt32Bits(-2.0), 0xFFFFFFFEu);
    EXPECT_EQ(saturatingUInt32(-1.0), 0u);
    EXPECT_EQ(saturatingUInt32(5e9), 0xFFFFFFFFu);
    EXPECT_EQ(countToFloat(16777216u), 16777216.0f);
}

TEST(FmlSeriesRules, CommonRange)
{
    FormulaArgument a = seriesOf(std::vector<float>(50, 1.0f), 2);
    FormulaArgument c = seriesOf(std::vector<float>(40, 1.0f), 7);
    const ArgumentPtr args[3] = {std::make_shared<FormulaArgument>(a), makeLiteralNumber(1.0f),
                                 std::make_shared<FormulaArgument>(c)};
    const BarRange r = commonRange(args, 3);
    EXPECT_EQ(r.begin, 7u);
    EXPECT_EQ(r.end, 40u);
}

TEST(FmlSeriesRules, PopArgsChecksTheStack)
{
    FormulaContext ctx;
    ctx.push(makeLiteralNumber(1));
    ctx.push(makeLiteralNumber(2));
    std::array<ArgumentPtr, 3> three;
    EXPECT_FALSE(ctx.popArgs(three));
    EXPECT_EQ(ctx.stack.size(), 2u) << "a failed pop takes nothing";
    std::array<ArgumentPtr, 2> two;
    ASSERT_TRUE(ctx.popArgs(two));
    EXPECT_EQ(two[0]->values[0], 1.0f) << "first argument written";
    EXPECT_EQ(two[1]->values[0], 2.0f);
    ArgumentPtr none;
    EXPECT_FALSE(ctx.pop(none));
}

}  // namespace

// The recursions' quick test of a candidate agrees with the rule on the
// narrowed float everywhere, around its own bounds and the markers'.
TEST(FmlSeriesRules, QualifyingCandidateMatchesTheNarrowedRule)
{
    const double fltMax = std::numeric_limits<float>::max();
    const double fltMin = std::numeric_limits<float>::min();
    std::vector<double> cs = {0.0,
                              -0.0,
                              1.0,
                              -3.5,
                              fltMax,
                              -fltMax,
                              fltMin,
                              -fltMin,
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::denorm_min(),
                              fltMax * (1.0 + 0x1p-24),
                              fltMax * (1.0 + 0x1p-25),
                              fltMin * (1.0 + 0x1p-30),
                              fltMin * (1.0 - 0x1p-30),
                              std::numeric_limits<float>::denorm_min()};
    for (int e : {-127, -126, -125, -101, -100, -99, 99, 100, 101, 102, 127, 128})
        for (double f : {1.0, 1.5, 1.9999999999999998})
            cs.push_back(std::ldexp(f, e)), cs.push_back(-std::ldexp(f, e));
    for (double c : cs)
        EXPECT_EQ(windowkernels::qualifyingCandidate(c), isQualifying(static_cast<float>(c))) << c;
}
