// Packed and decimal date-times, read in a fixed local zone (UTC+8, no summer
// time). Expected seconds were worked out with Python's calendar.timegm minus
// eight hours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "datetime.h"

namespace {

class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tz = getenv("TZ");
        hadZone_ = tz != nullptr;
        if (tz)
            savedZone_ = tz;
        setenv("TZ", "CST-8", 1);
        tzset();
    }
    void TearDown() override
    {
        if (hadZone_)
            setenv("TZ", savedZone_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool hadZone_ = false;
    std::string savedZone_;
};

struct DecimalCase {
    int64_t value;
    int64_t seconds;
    const char* what;
};

TEST_F(DateTimeTest, DecimalValuesAreReadByTheirSize)
{
    const DecimalCase table[] = {
        {0, -28800, "hhmmss 00:00:00 on 1970-01-01"},
        {93000, 5400, "hhmmss 09:30:00"},
        {240000, 57600, "240000 is still hhmmss: 24:00 is the next midnight"},
        {-1, -28801, "negative values are hhmmss"},
        {20240102, 1704124800, "YYYYMMDD at 00:00"},
        {99991231, 253402185600, "largest YYYYMMDD"},
        {202401021530, 1704180600, "YYYYMMDDhhmm"},
        {20240102153045, 1704180645, "YYYYMMDDhhmmss"},
        {202402290931, 1709170260, "leap day with hour and minute"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(DateTime::decimal(row.value), row.seconds) << row.what << " (" << row.value << ")";
    }
}

TEST_F(DateTimeTest, OutOfRangeDigitsAreNormalisedWithoutFailing)
{
    // Month 13 of 2022 is January 2023; day 29 of February 2023 is 1 March.
    EXPECT_EQ(DateTime::decimal(20221301), 1672502400);
    EXPECT_EQ(DateTime::decimal(20230229), 1677600000);
    // Values whose year the calendar cannot hold do not crash.
    (void)DateTime::decimal(240001); // year 24, month 0
    (void)DateTime::decimal(INT64_MAX);
    (void)DateTime::decimal(INT64_MIN);
}

TEST_F(DateTimeTest, PackedFieldsSitAtTheirBits)
{
    // 2024-01-02 15:30:45 local: year 2024 << 20 | 1 << 16 | 2 << 11 | 15 << 6 | 30.
    EXPECT_EQ(DateTime::pack(1704180645), 2122388446u);
    EXPECT_EQ(DateTime::pack(1709170260), 2122508895u);
    EXPECT_EQ(DateTime::unpack(2122388446u), 1704180600);
    EXPECT_EQ(DateTime::unpack(2122508895u), 1709170260);
}

TEST_F(DateTimeTest, PackThenUnpackDropsOnlyTheSeconds)
{
    for (int64_t t : {int64_t{1704180645}, int64_t{1709170260}, int64_t{1000000007}, int64_t{1893456000}})
        EXPECT_EQ(DateTime::unpack(DateTime::pack(t)), t - t % 60) << t;
}

} // namespace
