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
    (void)DateTime::decimal(240001);  // year 24, month 0
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

struct LocalCase {
    int64_t year, month, day, hour, minute, second;
    int64_t seconds;
    const char* what;
};

// Summer time (US Eastern rules, 2024: 10 March 02:00 to 3 November 02:00):
// days with and without a clock change, each read the same as the calendar
// reads it. Expected: the UTC time (hours added to the local one) from
// calendar.timegm.
TEST_F(DateTimeTest, LocalTimesFollowSummerTimeOnEveryDay)
{
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    const LocalCase table[] = {
        {2024, 3, 9, 12, 0, 0, 1710003600, "the day before the change, UTC-5"},
        {2024, 3, 10, 1, 30, 0, 1710052200, "the change day before 02:00, UTC-5"},
        {2024, 3, 10, 12, 0, 0, 1710086400, "the change day after 03:00, UTC-4"},
        {2024, 3, 11, 12, 0, 0, 1710172800, "the day after the change, UTC-4"},
        {2024, 7, 1, 9, 30, 0, 1719840600, "summer, UTC-4"},
        {2024, 7, 1, 9, 31, 0, 1719840660, "the next minute of the same day"},
    };
    for (int pass = 0; pass < 2; ++pass)  // the second pass reads days seen already
        for (const auto& row : table)
            EXPECT_EQ(DateTime::fromLocal(row.year, row.month, row.day, row.hour, row.minute, row.second), row.seconds)
                << row.what << " (pass " << pass << ")";
}

TEST_F(DateTimeTest, ChangedZoneIsReadAtTheNextCall)
{
    // 2024-01-02 00:00 in UTC+8, then in UTC, then in UTC+8 again.
    EXPECT_EQ(DateTime::fromLocal(2024, 1, 2, 0, 0, 0), 1704124800);
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(DateTime::fromLocal(2024, 1, 2, 0, 0, 0), 1704153600) << "the day read in the zone before";
    setenv("TZ", "CST-8", 1);
    tzset();
    EXPECT_EQ(DateTime::fromLocal(2024, 1, 2, 9, 30, 0), 1704159000);
}

}  // namespace
