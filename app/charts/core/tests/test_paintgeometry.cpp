// Drawing-tool geometry, file fields and interval statistics against
// hand-computed values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "charts/core/intervalstats.h"
#include "charts/core/paintfile.h"
#include "charts/core/paintgeometry.h"

using namespace paintcore;

namespace {
// Plot 60, 20, 680 x 379; prices 10 to 20 (37.9 px per unit); bars 4 + 1 px;
// bars 10 .. 129 visible.
PaintFrame frame()
{
    PaintFrame f;
    f.left = 60;
    f.top = 20;
    f.width = 680;
    f.height = 379;
    f.max = 20;
    f.min = 10;
    f.barWidth = 4;
    f.gap = 1;
    f.first = 10;
    f.lastVisible = 129;
    return f;
}
}  // namespace

TEST(PaintGeometry, AnchorsAndPixels)
{
    const PaintFrame f = frame();
    struct {
        int x, index;
    } toIndex[] = {{60, 10}, {64, 10}, {65, 11}, {2000, 129}, {0, 0}};
    for (auto c : toIndex)
        EXPECT_EQ(c.index, pixelToIndex(f, c.x)) << "x " << c.x;
    struct {
        int index, x;
    } toX[] = {{10, 62}, {12, 72}, {5, 37}};
    for (auto c : toX)
        EXPECT_EQ(c.x, indexToX(f, c.index)) << "bar " << c.index;
    EXPECT_FLOAT_EQ(20.0f, pixelToPrice(f, 20));
    EXPECT_FLOAT_EQ(10.0f, pixelToPrice(f, 399));
    EXPECT_NEAR(14.98681, pixelToPrice(f, 210), 1e-4);
    EXPECT_EQ(209, priceToY(f, 15.0f));  // 5 * 37.9 + 20 = 209.5
    EXPECT_EQ(20, priceToY(f, 20.0f));
    EXPECT_EQ(72, snapX(f, 73));
    EXPECT_EQ(62, snapX(f, 60));
    PaintFrame flat = f;
    flat.max = flat.min = 15;
    EXPECT_EQ(21, priceToY(flat, 14.0f));  // scale 1

    ChartBar bars[3];
    bars[0].time = 100;
    bars[1].time = 200;
    bars[2].time = 300;
    struct {
        int index;
        int32_t time;
        int expected;
    } resolve[] = {{1, 200, 1}, {0, 300, 2}, {5, 999, 5}, {2, 100, 0}};
    for (auto c : resolve)
        EXPECT_EQ(c.expected, resolveByTime(bars, 3, c.index, c.time)) << "bar " << c.index << " time " << c.time;
}

TEST(PaintGeometry, RatioTablesAndLines)
{
    EXPECT_EQ((std::vector<int>{100, 123, 138, 150, 161, 200}),
              ratioLineYs(ratioTable(RatioTool::GoldenSplit), 100, 200));
    EXPECT_EQ((std::vector<int>{0, 3, 3, 3, 3, 0}), ratioTable(RatioTool::GoldenSplit).styles);
    EXPECT_EQ(9u, ratioTable(RatioTool::GoldenPrice).ratios.size());
    EXPECT_EQ(0, ratioTable(RatioTool::GoldenPrice).styles[2]);
    EXPECT_EQ((std::vector<int>{0, 25, 33, 50, 100}), ratioLineYs(ratioTable(RatioTool::BandLine), 0, 100));
    EXPECT_EQ((std::vector<int>{0, 12, 25, 33, 37, 50, 62, 66, 75, 87, 100}),
              ratioLineYs(ratioTable(RatioTool::Percentage), 0, 100));
    EXPECT_FALSE(ratioTable(RatioTool::CycleLine).horizontal);

    const std::vector<int> xs = cycleLineXs(frame(), 62, 82);
    ASSERT_EQ(34u, xs.size());
    EXPECT_EQ(62, xs.front());
    EXPECT_EQ(722, xs.back());
    EXPECT_TRUE(cycleLineXs(frame(), 62, 62).empty());

    const std::vector<int>& fib = fibonacciNumbers();
    ASSERT_EQ(20u, fib.size());
    EXPECT_EQ(1, fib[1]);
    EXPECT_EQ(6765, fib[19]);
}

TEST(PaintGeometry, FansAnglesAndLabels)
{
    const std::vector<FanLine> gann = gannLines(0, 100, 100, 0);
    const double slopes[] = {-8, -4, -1 / 0.33, -2, -1, -0.5, -0.33, -0.25, -0.125};
    ASSERT_EQ(9u, gann.size());
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(slopes[i], gann[size_t(i)].slope, 1e-9) << "line " << i;
        EXPECT_EQ(i == 4 ? 0 : 3, gann[size_t(i)].style) << "line " << i;
    }
    const std::vector<FanLine> speed = speedLines(0, 100, 90, 10);
    EXPECT_NEAR(-1.0, speed[0].slope, 1e-9);
    EXPECT_NEAR(-2.0 / 3, speed[1].slope, 1e-9);
    EXPECT_NEAR(-1.0 / 3, speed[2].slope, 1e-9);

    EXPECT_EQ("D: 45'", formatLabel("D:%3.0f'", labelAngle(0, 100, 100, 0)));  // rising on screen
    EXPECT_EQ("D:-45'", formatLabel("D:%3.0f'", labelAngle(0, 0, 100, 100)));
    EXPECT_EQ("D:45.02'", formatLabel("D:%3.2f'", labelAngle(0, 100, 100, 0)));  // 141.37 / 3.14, not 45
    EXPECT_EQ("D:  0'", formatLabel("D:%3.0f'", labelAngle(5, 0, 5, 100)));      // equal x: slope 0
    EXPECT_EQ("23.6%,  12.50", formatLabel("%3.1f%%,  %3.2f", 23.6, 12.5));
    EXPECT_EQ("W:30,H:40", formatLabel("W:%d,H:%d", 30, 40));
    EXPECT_EQ("R:  50'", formatLabel("R:%4.0f'", 50.0));
    EXPECT_EQ(128u, formatLabel("%s", std::string(200, 'x').c_str()).size());
}

TEST(PaintGeometry, Regression)
{
    ChartBar bars[5];
    const float closes[] = {1, 3, 2, 5, 4};
    for (int i = 0; i < 5; ++i) {
        bars[i].close = closes[i];
        bars[i].high = closes[i] + 1;
        bars[i].low = closes[i] - 1;
    }
    Regression r = regress(bars, 5, 4, 0);  // either order
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(0, r.from);
    EXPECT_EQ(5, r.n);
    EXPECT_NEAR(0.8, r.k, 1e-6);
    EXPECT_NEAR(1.4, r.a, 1e-6);
    EXPECT_NEAR(3.6, r.upper, 1e-6);
    EXPECT_NEAR(-0.6, r.lower, 1e-6);

    r = regress(bars, 5, 3, 100);  // clamped to bars 3 and 4
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(2, r.n);
    EXPECT_NEAR(-1.0, r.k, 1e-6);
    EXPECT_NEAR(5.0, r.a, 1e-6);
    EXPECT_FALSE(regress(bars, 5, 2, 2).ok);  // one bar
    EXPECT_FALSE(regress(bars, 1, 0, 0).ok);

    // The lines' ends are prices: from the plot's top, a flat range 1 price per pixel.
    EXPECT_EQ(209, priceToY(frame(), 15.0f));
    PaintFrame flat = frame();
    flat.max = flat.min = 15;
    EXPECT_EQ(20, priceToY(flat, 15.0f));
}

TEST(PaintGeometry, HitTests)
{
    struct Case {
        const char* what;
        bool got, expected;
    } cases[] = {
        {"line on", hitLine(50, 50, 0, 0, 100, 100), true},
        {"line 4 off", hitLine(50, 54, 0, 0, 100, 100), false},
        {"line beyond the points", hitLine(150, 150, 0, 0, 100, 100), true},
        {"vertical line", hitLine(3, 500, 0, 0, 0, 10), true},
        {"vertical line 4 off", hitLine(4, 500, 0, 0, 0, 10), false},
        {"segment beyond", hitSegment(150, 150, 0, 0, 100, 100), false},
        {"segment end", hitSegment(102, 102, 0, 0, 100, 100), true},
        {"rect side", hitRect(1, 25, 0, 0, 100, 50), true},
        {"rect inside", hitRect(50, 25, 0, 0, 100, 50), false},
        {"rect top", hitRect(50, 2, 0, 0, 100, 50), true},
        {"rect below", hitRect(50, 54, 0, 0, 100, 50), false},
        {"rect's top line far right", hitRect(200, 0, 0, 0, 100, 50), false},
        {"ring 6 off", hitCircle(16, 0, 0, 0, 10), true},
        {"ring 7 off", hitCircle(17, 0, 0, 0, 10), false},
        {"circle centre", hitCircle(0, 0, 0, 0, 10), false},
        {"arc rim", hitArc(0, 0, 0, 0, 10, 10), true},
        {"arc inside", hitArc(10, 5, 0, 0, 10, 10), false},
        {"handle corner", pointNear(7, 7, 10, 10), true},
        {"handle far corner", pointNear(12, 12, 10, 10), true},
        {"handle right", pointNear(13, 10, 10, 10), false},
        {"fan line", hitFan(50, 50, 0, 100, {{-1.0, 0}}), true},
        {"fan left of start", hitFan(-50, 150, 0, 100, {{-1.0, 0}}), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.got) << c.what;
}

TEST(PaintGeometry, Arrows)
{
    const std::vector<IntPoint> up = upArrow(100, 100);
    const int upWant[7][2] = {{100, 94}, {95, 100}, {97, 100}, {97, 104}, {103, 104}, {103, 100}, {105, 100}};
    const std::vector<IntPoint> down = downArrow(100, 100);
    const int downWant[7][2] = {{100, 105}, {95, 99}, {97, 99}, {97, 95}, {102, 95}, {102, 99}, {104, 99}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(upWant[i][0], up[size_t(i)].x) << "up " << i;
        EXPECT_EQ(upWant[i][1], up[size_t(i)].y) << "up " << i;
        EXPECT_EQ(downWant[i][0], down[size_t(i)].x) << "down " << i;
        EXPECT_EQ(downWant[i][1], down[size_t(i)].y) << "down " << i;
    }
}

TEST(PaintFile, FieldsEscapeAndNumbers)
{
    const std::string text = "a\"b\\c\nd\t\x01中";
    const std::string escaped = "a\\\"b\\\\c\\nd\\t\\u0001中";
    EXPECT_EQ(escaped, jsonEscape(text));
    EXPECT_EQ(text, jsonUnescape(escaped));
    struct {
        const char* in;
        const char* out;
    } un[] = {
        {"\\u4e2d", "中"},
        {"\\ud83d\\ude00", "\xF0\x9F\x98\x80"},
        {"\\u12", "\\u12"},
        {"\\x", "\\x"},
        {"\\/", "/"},
        {"end\\", "end\\"},
        {"\\udc00", "\xEF\xBF\xBD"},
    };
    for (auto c : un)
        EXPECT_EQ(c.out, jsonUnescape(c.in)) << c.in;

    EXPECT_EQ("ffffffff", colourText(-1));
    EXPECT_EQ("ff00", colourText(0xff00));
    EXPECT_EQ(-1, parseColour("ffffffff"));
    EXPECT_EQ(0, parseColour("zz"));
    EXPECT_EQ(0xabcdef, parseColour("ABCDEF"));
    EXPECT_EQ("12.50", priceText(12.5f));
    EXPECT_EQ("0.50000000000000", paramText(0.5));
    EXPECT_EQ(42, parseInt("42abc"));
    EXPECT_EQ(2147483647, parseInt("99999999999"));
    EXPECT_EQ(0.0, parseDouble("nan"));
    EXPECT_EQ(0.0, parseDouble("abc"));
    EXPECT_DOUBLE_EQ(-12.5, parseDouble(" -12.50x"));
    EXPECT_DOUBLE_EQ(3.0, parseDouble("+3"));
    EXPECT_EQ("-0.16666666666667", paramText(-0.5 / 3));

    json_node* o = json_make_object();
    ASSERT_TRUE(addField(o, "text", text));
    json_node* number = nullptr;
    json_parse_text("{\"n\":12,\"b\":true,\"s\":\"x\",\"s\":\"second\"}", &number);
    std::string v;
    EXPECT_TRUE(readField(o, "text", &v));
    EXPECT_EQ(text, v);
    EXPECT_TRUE(readField(number, "n", &v));
    EXPECT_EQ("12", v);
    EXPECT_FALSE(readField(number, "b", &v));
    EXPECT_TRUE(readField(number, "s", &v));
    EXPECT_EQ("x", v);  // the first occurrence counts
    EXPECT_FALSE(readField(number, "missing", &v));
    json_free_tree(&o);
    json_free_tree(&number);
}

TEST(IntervalStats, HandComputedSpans)
{
    ChartBar b[4];
    const float v[4][7] = {{10, 12, 9, 11, 100, 1000, 1.5f},
                           {11, 11.5f, 9.5f, 10, 200, 2000, 2},
                           {10, 13, 8, 10, 300, 3000, 0.5f},
                           {10, 12.5f, 10, 12, 400, 4000, 1}};
    for (int i = 0; i < 4; ++i) {
        b[i].open = v[i][0];
        b[i].high = v[i][1];
        b[i].low = v[i][2];
        b[i].close = v[i][3];
        b[i].volume = v[i][4];
        b[i].amount = v[i][5];
        b[i].extra = v[i][6];
    }
    chartcore::IntervalStats s = chartcore::intervalStats(b, 4, 1, 3);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(0, s.reference);
    EXPECT_EQ(3, s.count);
    EXPECT_EQ(1, s.rising);
    EXPECT_EQ(1, s.falling);
    EXPECT_EQ(1, s.flat);
    EXPECT_FLOAT_EQ(11, s.refClose);
    EXPECT_FLOAT_EQ(12, s.endClose);
    EXPECT_FLOAT_EQ(13, s.highest);
    EXPECT_FLOAT_EQ(8, s.lowest);
    EXPECT_FLOAT_EQ(1, s.change);
    EXPECT_NEAR(100.0 / 11, s.rise, 1e-5);
    EXPECT_NEAR(500.0 / 11, s.amplitude, 1e-5);
    EXPECT_EQ(900, s.volume);
    EXPECT_EQ(9000, s.amount);
    EXPECT_NEAR(3.5, s.turnover, 1e-6);  // percent, summed as is

    s = chartcore::intervalStats(b, 4, 0, 99);  // from bar 0: its own close; the end cut
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(0, s.reference);
    EXPECT_EQ(3, s.end);
    EXPECT_EQ(4, s.count);
    EXPECT_NEAR(100.0 / 11, s.rise, 1e-5);
    EXPECT_FALSE(chartcore::intervalStats(b, 4, 5, 6).ok);
    EXPECT_FALSE(chartcore::intervalStats(b, 4, 3, 1).ok);
    EXPECT_FALSE(chartcore::intervalStats(b, 0, 0, 0).ok);
    b[0].close = 0;
    s = chartcore::intervalStats(b, 4, 1, 2);
    ASSERT_TRUE(s.ok);
    EXPECT_FALSE(s.hasRatios);
}
