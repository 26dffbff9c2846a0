// Price, rate and volume texts, price colours and market-time texts. Expected
// texts are worked out by hand from the rules (single-precision inputs widened
// exactly, ties rounded away from zero); times in the market's zone (UTC+8).
#include <gtest/gtest.h>

#include <QFontMetrics>

#include <ctime>

#include "shell/hdatetime.h"
#include "shell/hutil.h"

namespace {

TEST(HUtilFormat, PriceRateFixed)
{
    HUtil u;
    const struct {
        float v;
        uint d;
        const char* price;
        const char* fixed;
    } cases[] = {
        {0.0f, 2, "-", "0.00"},
        {10.5f, 2, "10.50", "10.50"},
        {3.14159f, 3, "3.142", "3.142"},
        {-1.5f, 1, "-1.5", "-1.5"},
        {12.345f, 2, "12.35", "12.35"},  // the float is 12.34500027
        {1.005f, 2, "1.00", "1.00"},     // the float is 1.00499999
        {0.125f, 2, "0.13", "0.13"},     // exact tie: away from zero
        {-0.125f, 2, "-0.13", "-0.13"},
        {2.5f, 0, "3", "3"},
        {7.0f, 0, "7", "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.v);
        EXPECT_EQ(u.formatPrice(c.v, c.d).toString(), QString::fromUtf8(c.price));
        EXPECT_EQ(HUtil::formatPriceText(c.v, int(c.d)), QString::fromUtf8(c.price));
        EXPECT_EQ(u.formatFixed(c.v, c.d).toString(), QString::fromUtf8(c.fixed));
    }
    const struct {
        float rate;
        uint d;
        float close;
        const char* want;
    } rates[] = {
        {0.0f, 2, 0.0f, "-"},         {0.0f, 2, 10.5f, "0.00%"}, {0.0f, 4, 1.0f, "0.00%"},
        {-1.234f, 2, 5.0f, "-1.23%"}, {5.0f, 3, 0.0f, "5.000%"}, {9.995f, 2, 1.0f, "9.99%"},  // the float is 9.99499989
    };
    for (const auto& c : rates) {
        EXPECT_EQ(u.formatRate(c.rate, c.d, c.close).toString(), QString::fromUtf8(c.want)) << c.rate;
        EXPECT_EQ(HUtil::formatRateText(c.rate, int(c.d), c.close), QString::fromUtf8(c.want)) << c.rate;
    }
}

TEST(HUtilFormat, VolumeUnits)
{
    HUtil u;
    const struct {
        float v;
        const char* want;
    } cases[] = {
        {100000000.0f, "10000.00万"},  // not above the first bound
        {150000000.0f, "1.50亿"},
        {123456789.0f, "1.23亿"},  // the float is 123456792
        {112500000.0f, "1.13亿"},  // 1.125 exactly: away from zero
        {10000.0f, "10000"},
        {10001.0f, "1.00万"},
        {12355.0f, "1.24万"},
        {11250.0f, "1.13万"},
        {9999.6f, "10000"},
        {0.0f, "0"},
        {2.5f, "3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(u.formatVol(c.v).toString(), QString::fromUtf8(c.want)) << c.v;
        EXPECT_EQ(HUtil::formatVolText(c.v), QString::fromUtf8(c.want)) << c.v;
    }
}

TEST(HUtilFormat, Colours)
{
    HUtil u;
    const struct {
        float close, ref;
        const char* want;
    } cases[] = {
        {5.0f, 5.0f, "#FFFFFF"},  {0.0f, 5.0f, "#FFFFFF"},  {5.0f, 0.0f, "#FF3D3D"},
        {4.99f, 5.0f, "#0FC351"}, {5.01f, 5.0f, "#FF3D3D"}, {0.0f, 0.0f, "#FFFFFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(u.getPriceColor(c.close, c.ref).toString(), QString::fromUtf8(c.want)) << c.close << " " << c.ref;
        EXPECT_EQ(HUtil::priceColor(c.close, c.ref), QString::fromUtf8(c.want));
    }
    const struct {
        const char* tag;
        const char* want;
    } winds[] = {
        {"B", "#FF3D3D"}, {"S", "#0FC351"}, {"b", "#FFFFFF"}, {"", "#FFFFFF"}, {"BS", "#FFFFFF"},
    };
    for (const auto& c : winds) {
        EXPECT_EQ(u.getWindColor(QString::fromUtf8(c.tag)).toString(), QString::fromUtf8(c.want)) << c.tag;
        EXPECT_EQ(HUtil::windColor(QString::fromUtf8(c.tag)), QString::fromUtf8(c.want));
    }
}

TEST(HUtilFormat, StringWidthFollowsTheFont)
{
    HUtil u;
    const QString family = QFont().family();
    EXPECT_EQ(u.stringWidth(QString(), family, 14, 50).toInt(), 0);
    const int one = u.stringWidth(QStringLiteral("8"), family, 14, 50).toInt();
    const int ten = u.stringWidth(QStringLiteral("8888888888"), family, 14, 50).toInt();
    EXPECT_GT(one, 0);
    EXPECT_GE(ten, 9 * one);
    QFont f(family);
    f.setPixelSize(28);
    f.setWeight(75);
    EXPECT_EQ(u.stringWidth(QStringLiteral("行情 1234"), family, 28, 75).toInt(),
              QFontMetrics(f).horizontalAdvance(QStringLiteral("行情 1234")));
}

class MarketTime : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }
};

TEST_F(MarketTime, FormatAndParse)
{
    HDatetime d;
    const struct {
        const char* fmt;
        uint t;
        const char* want;
    } shown[] = {
        {"yyyy-MM-dd HH:mm:ss", 0, "1970-01-01 08:00:00"},
        {"yyyy-MM-dd HH:mm:ss", 1700000000u, "2023-11-15 06:13:20"},
        {"HH:mm", 1704159000u, "09:30"},
        {"yyyyMMdd", 1704124799u, "20240101"},
        {"yyyy-MM-dd HH:mm:ss", 4294967295u, "2106-02-07 14:28:15"},
    };
    for (const auto& c : shown) {
        EXPECT_EQ(d.formatV(QString::fromUtf8(c.fmt), c.t).toString(), QString::fromUtf8(c.want)) << c.t;
        EXPECT_EQ(HDatetime::formatTimeT(QString::fromUtf8(c.fmt), c.t), QString::fromUtf8(c.want)) << c.t;
    }
    const struct {
        const char* str;
        const char* fmt;
        qint64 want;
    } parsed[] = {
        {"2023-11-15 06:13:20", "yyyy-MM-dd HH:mm:ss", 1700000000},
        {"20240102", "yyyyMMdd", 1704124800},
        {"1970-01-01 08:00:00", "yyyy-MM-dd HH:mm:ss", 0},
    };
    for (const auto& c : parsed) {
        const QVariant v = d.fromStringV(QString::fromUtf8(c.str), QString::fromUtf8(c.fmt));
        EXPECT_EQ(v.userType(), QMetaType::LongLong) << c.str;
        EXPECT_EQ(v.toLongLong(), c.want) << c.str;
    }
    // Texts that do not parse give an invalid value, not a plausible time.
    for (const char* bad : {"2024-02-30", "abc", "", "2024-13-01"})
        EXPECT_FALSE(d.fromStringV(QString::fromUtf8(bad), QStringLiteral("yyyy-MM-dd")).isValid()) << bad;
}

}  // namespace
