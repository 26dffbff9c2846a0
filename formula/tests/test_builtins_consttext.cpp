// Last-value constant and number-to-text builtins: const and con2str.

#include <gtest/gtest.h>

#include <cstring>

#include "builtintestutil.h"

namespace {

using namespace builtintest;

TEST(BuiltinConst, LastValueAsALiteral)
{
    expectLiteral(call(builtinConst, {series({3, 5, 8})}), 8.0f);
    expectLiteral(call(builtinConst, {lit(4)}), 4.0f);
    // The last value sits at index end - first - 1.
    expectLiteral(call(builtinConst, {series({1, 2, 3, 4}, 1)}), 3.0f);
}

TEST(BuiltinConst, EmptySeriesGivesTheMarker)
{
    expectLiteral(call(builtinConst, {series({})}), INF);
    ArgumentPtr noBars = series({1, 2});
    noBars->firstValid = 2;
    expectLiteral(call(builtinConst, {noBars}), INF);
    // An end bar past the values held does not read past them.
    ArgumentPtr shortOne = series({1, 2});
    shortOne->endBar = 9;
    expectLiteral(call(builtinConst, {shortOne}), INF);
}

struct Con2strCase {
    std::vector<float> x;
    float decimals;
    const char* text;
};

void PrintTo(const Con2strCase& c, std::ostream* os)
{
    *os << c.x.back() << " with " << c.decimals << " decimals";
}

class BuiltinCon2str : public ::testing::TestWithParam<Con2strCase> {};

TEST_P(BuiltinCon2str, PrintsTheLastValue)
{
    const Con2strCase& c = GetParam();
    ArgumentPtr r = call(builtinCon2str, {series(c.x), lit(c.decimals)});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->literal);
    ASSERT_EQ(r->values.size(), 1u);
    EXPECT_EQ(r->values[0], INF) << "a string value reads as +inf";
    EXPECT_EQ(r->text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, BuiltinCon2str,
                         ::testing::Values(
                             // 2.345f is 2.3450000286..., so two decimals round up.
                             Con2strCase{{1.5f, 2.345f}, 2, "2.35"}, Con2strCase{{2.7f}, 0, "3"},
                             Con2strCase{{2.7f}, 1.9f, "2.7"},
                             // A negative count is clamped to 0 decimals.
                             Con2strCase{{2.7f}, -2, "3"}, Con2strCase{{-0.25f}, 3, "-0.250"},
                             Con2strCase{{INF}, 2, "inf"}));

TEST(BuiltinCon2strLimits, TextIsCutAt63Characters)
{
    ArgumentPtr r = call(builtinCon2str, {lit(1e30f), lit(1e9f)});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text.size(), 63u);
    EXPECT_EQ(r->text.compare(0, 31, "1000000015047466219876688855040"), 0) << r->text;
}

}  // namespace
