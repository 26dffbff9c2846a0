// Parameter value texts and the application's argument vector.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/core/paramformat.h"
#include "shell/core/webengineswitches.h"

// Expected texts are Python's '%.4g' % v, then the editor's zero and point rule
// applied by hand.
TEST(ParamFormat, FourSignificantDigitsShortestForm)
{
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {12.34567, "12.35"},  {20.0, "20"},          {0.5, "0.5"},       {100.0, "100"},
        {0.0, "0"},           {-0.5, "-0.5"},        {0.0001, "0.0001"}, {0.00001, "1e-05"},
        {1.2e-10, "1.2e-10"}, {1.05e10, "1.05e+10"}, {1e10, "1e+10"},    {12346.0, "1.235e+04"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(shellcore::formatParamValue(r.value), r.text) << r.value;
}

// An exact tie at the fifth digit rounds away from zero, as Qt's 'g' format
// prints it; a value just below a tie (its binary form) rounds down.
TEST(ParamFormat, ExactTiesRoundAwayFromZero)
{
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {1234.5, "1235"},  {-1234.5, "-1235"}, {9999.5, "1e+04"},      {0.12345, "0.1235"}, {1.0005, "1"},
        {12.345, "12.35"}, {2.5, "2.5"},       {12345.0, "1.235e+04"}, {99995.0, "1e+05"},  {0.00012345, "0.0001234"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(shellcore::formatParamValue(r.value), r.text) << r.value;
}

TEST(ParamFormat, TextReadsBackAsFloat)
{
    EXPECT_EQ(shellcore::parseParamValue("12.35"), 12.35f);
    EXPECT_EQ(shellcore::parseParamValue("1.05e+10"), 1.05e10f);
    EXPECT_EQ(shellcore::parseParamValue("20"), 20.0f);
    EXPECT_EQ(shellcore::parseParamValue("x"), 0.0f);
}

TEST(ExtendedArguments, OwnArgumentsThenSwitchesThenNull)
{
    char a0[] = "Tarvolin";
    char a1[] = "--flag";
    char* argv[] = {a0, a1, nullptr};
    EXPECT_TRUE(shellcore::webEngineSwitches(false).empty()) << "same-origin policy stays on";
    const std::vector<std::string> on = shellcore::webEngineSwitches(true);
    ASSERT_EQ(on, std::vector<std::string>{"--disable-web-security"});

    shellcore::ExtendedArguments args(2, argv, on);
    ASSERT_EQ(args.argc(), 3);
    EXPECT_STREQ(args.argv()[0], "Tarvolin");
    EXPECT_STREQ(args.argv()[1], "--flag");
    EXPECT_STREQ(args.argv()[2], "--disable-web-security");
    EXPECT_EQ(args.argv()[3], nullptr);
    EXPECT_NE(args.argv()[0], a0) << "the strings are copies";
}
