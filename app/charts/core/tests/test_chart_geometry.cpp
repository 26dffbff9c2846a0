// Layout of a chart pane from hand-computed values: layer rectangle, bar
// width and gap, value ranges and overlay percentage scales.
#include <gtest/gtest.h>

#include <limits>

#include "charts/core/chartbar.h"
#include "charts/core/chartgeometry.h"

TEST(ChartGeometry, LayerRectKeepsTheMargins)
{
    PlotRect r = layerRect(800, 400);
    EXPECT_EQ(60, r.x);
    EXPECT_EQ(20, r.y);
    EXPECT_EQ(680, r.width);
    EXPECT_EQ(379, r.height);
    EXPECT_FALSE(r.empty());
    EXPECT_TRUE(layerRect(100, 400).empty());  // narrower than the margins
    EXPECT_TRUE(layerRect(800, 21).empty());
}

TEST(ChartGeometry, BarWidthAndGap)
{
    struct Case {
        int width, show, visible;
        float barWidth, gap;
    } cases[] = {
        {600, 120, 120, 4.0f, 1.0f},   // (600 - 120) / 120
        {600, 800, 800, 0.75f, 0.0f},  // under 1: gap 0, 600 / 800
        {600, 0, 60, 9.0f, 1.0f},      // show number 0: the visible count, (600 - 60) / 60
        {600, 2, 2, 74.0f, 1.0f},      // 299 capped at 600 / 8 - 1
        {605, 1, 1, 74.0f, 1.0f},      // 605 / 8 = 75 in whole pixels
        {4, 1, 1, 0.0f, 1.0f},         // the cap 4 / 8 - 1 is below 0
        {0, 120, 120, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        BarGeometry g = barGeometry(c.width, c.show, c.visible);
        EXPECT_FLOAT_EQ(c.barWidth, g.width) << c.width << " px, " << c.show << " bars";
        EXPECT_FLOAT_EQ(c.gap, g.gap) << c.width << " px, " << c.show << " bars";
    }
}

TEST(ChartGeometry, ValueRanges)
{
    ValueRange empty;
    EXPECT_FALSE(empty.valid());

    // 20..10 over 100 px: s = 10 px per unit, 10 px = 1 unit each way.
    ValueRange k{20.0f, 10.0f};
    padKLineRange(k, 100);
    EXPECT_FLOAT_EQ(21.0f, k.max);
    EXPECT_FLOAT_EQ(9.0f, k.min);
    ValueRange flatK{5.0f, 5.0f};  // scale 1: 10 units each way
    padKLineRange(flatK, 100);
    EXPECT_FLOAT_EQ(15.0f, flatK.max);
    EXPECT_FLOAT_EQ(-5.0f, flatK.min);

    ValueRange m{10.5f, 9.8f};  // about 10: the larger distance is 0.5
    centreOnPreviousClose(m, 10.0f);
    EXPECT_FLOAT_EQ(10.5f, m.max);
    EXPECT_FLOAT_EQ(9.5f, m.min);
    ValueRange m2{10.1f, 9.7f};
    centreOnPreviousClose(m2, 10.0f);
    EXPECT_FLOAT_EQ(10.3f, m2.max);
    EXPECT_FLOAT_EQ(9.7f, m2.min);

    ValueRange flat{10.0f, 10.0f};  // a flat minute series: p +- 0
    centreOnPreviousClose(flat, 10.0f);
    openFlatRange(flat);
    EXPECT_FLOAT_EQ(10.1f, flat.max);
    EXPECT_FLOAT_EQ(9.9f, flat.min);
    ValueRange negative{-2.0f, -2.0f};
    openFlatRange(negative);
    EXPECT_FLOAT_EQ(-1.98f, negative.max);
    EXPECT_FLOAT_EQ(-2.02f, negative.min);
    EXPECT_TRUE(negative.valid());
}

TEST(ChartGeometry, OverlayBase)
{
    const float inv = kChartNoValue;
    const float ref[] = {1.0f, 2.0f, 3.0f, 4.0f};
    const float oo[] = {inv, inv, 7.0f, 8.0f};
    EXPECT_FLOAT_EQ(3.0f, overlayBase(ref, 4, oo, 4, 0, 4));  // first valid _OO at 2
    EXPECT_FLOAT_EQ(1.0f, overlayBase(ref, 4, oo, 4, 0, 2));  // none in view: at begin
    EXPECT_FLOAT_EQ(2.0f, overlayBase(ref, 4, nullptr, 0, 1, 4));
    const float literal[] = {9.5f};
    EXPECT_FLOAT_EQ(9.5f, overlayBase(literal, 1, oo, 4, 0, 4));  // _CC is one value
    EXPECT_EQ(inv, overlayBase(nullptr, 0, oo, 4, 0, 4));
    EXPECT_EQ(inv, overlayBase(ref, 4, nullptr, 0, 9, 12));
}

TEST(ChartGeometry, OverlayNormalisationSharesOnePercentScale)
{
    // Layer 0 base 10, 9..12 (+20% / -10%); layer 1 base 50, 45..55 (+10% / -10%);
    // layer 2 base 20, 10..22 (+10% / -50%). Shared: +20%, -50%.
    ValueRange a{12.0f, 9.0f}, b{55.0f, 45.0f}, c{22.0f, 10.0f};
    ValueRange none;             // a slot with nothing in view
    ValueRange d{3.0f, 1.0f};    // a layer without a base keeps its range
    ValueRange e{30.0f, 20.0f};  // a base of 0 is no base
    std::vector<OverlayLayer> layers{
        {10.0f, {&a, &none}}, {50.0f, {&b}}, {20.0f, {&c}}, {kChartNoValue, {&d}}, {0.0f, {&e}}};
    normalizeOverlayRanges(layers);
    EXPECT_FLOAT_EQ(12.0f, a.max);
    EXPECT_FLOAT_EQ(5.0f, a.min);
    EXPECT_FLOAT_EQ(60.0f, b.max);
    EXPECT_FLOAT_EQ(25.0f, b.min);
    EXPECT_FLOAT_EQ(24.0f, c.max);
    EXPECT_FLOAT_EQ(10.0f, c.min);
    EXPECT_FALSE(none.valid());
    EXPECT_FLOAT_EQ(3.0f, d.max);
    EXPECT_FLOAT_EQ(1.0f, d.min);
    EXPECT_FLOAT_EQ(30.0f, e.max);
    EXPECT_FLOAT_EQ(20.0f, e.min);
}

TEST(ChartGeometry, PixelConversions)
{
    // Width 4, gap 1 from x 60: bar 0 centred at 62, bar 3 at 3 * 5 + 62 = 77.
    EXPECT_FLOAT_EQ(62.0f, barCentreX(60, BarGeometry{4.0f, 1.0f}, 0));
    EXPECT_FLOAT_EQ(77.0f, barCentreX(60, BarGeometry{4.0f, 1.0f}, 3));
    EXPECT_FLOAT_EQ(60.375f + 0.75f * 10, barCentreX(60, BarGeometry{0.75f, 0.0f}, 10));

    // 20..10 over 100 px from y 20: 10 px per unit.
    const ValueRange r{20.0f, 10.0f};
    EXPECT_FLOAT_EQ(20.0f, valueToY(r, 20, 100, 20.0f));
    EXPECT_FLOAT_EQ(120.0f, valueToY(r, 20, 100, 10.0f));
    EXPECT_FLOAT_EQ(45.0f, valueToY(r, 20, 100, 17.5f));
    EXPECT_FLOAT_EQ(17.5f, yToValue(r, 20, 100, 45.0f));
    const ValueRange flat{5.0f, 5.0f};  // scale 1
    EXPECT_FLOAT_EQ(22.0f, valueToY(flat, 20, 100, 3.0f));
    EXPECT_FLOAT_EQ(3.0f, yToValue(flat, 20, 100, 22.0f));
}

TEST(ChartGeometry, StickPixelsRoundEdgesAndKeepOneRow)
{
    struct Case {
        float left, right, base, end;
        PixelRect want;
    } cases[] = {
        {60.5f, 64.5f, 240.0f, 100.2f, {61, 100, 4, 140}},  // halves up; above the baseline
        {0.5f, 3.8f, 10.0f, 4.0f, {1, 4, 3, 6}},            // width 3.3 covers three columns
        {2.2f, 2.6f, 10.0f, 4.0f, {2, 4, 1, 6}},            // under a pixel wide: one column
        {1.0f, 2.0f, 5.0f, 7.4f, {1, 5, 1, 2}},             // below the baseline
        {1.0f, 2.0f, 10.0f, 10.0f, {1, 9, 1, 1}},           // on the baseline: one row above
        {1.0f, 2.0f, 10.0f, 9.7f, {1, 9, 1, 1}},            // rounds onto it from above
        {1.0f, 2.0f, 10.0f, 10.3f, {1, 10, 1, 1}},          // rounds onto it from below
        {-3.5f, -1.5f, 0.0f, -2.0f, {-3, -2, 2, 2}},        // left of and above the origin
    };
    for (const Case& c : cases) {
        const PixelRect r = stickPixels(c.left, c.right, c.base, c.end);
        EXPECT_TRUE(r == c.want) << c.left << ".." << c.right << " from " << c.base << " to " << c.end << ": got "
                                 << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
}

TEST(ChartGeometry, OutlineRectsCoverTheBorderOnce)
{
    PixelRect out[4];
    ASSERT_EQ(4, outlineRects(PixelRect{1, 4, 3, 6}, out));
    const PixelRect want[] = {{1, 4, 3, 1}, {1, 9, 3, 1}, {1, 5, 1, 4}, {3, 5, 1, 4}};
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(out[k] == want[k]) << "edge " << k;
    // Two pixels across or fewer: the rectangle is its own outline.
    for (const PixelRect r : {PixelRect{0, 0, 2, 9}, PixelRect{0, 0, 9, 2}, PixelRect{5, 5, 1, 1}}) {
        ASSERT_EQ(1, outlineRects(r, out));
        EXPECT_TRUE(out[0] == r);
    }
    EXPECT_EQ(0, outlineRects(PixelRect{0, 0, 0, 5}, out));
}

TEST(ChartGeometry, DashedLinePixelsFollowThePenPattern)
{
    // Row or column 3 of a 16 x 16 map, '#' where a rectangle covers it.
    struct Case {
        bool across;
        int from, to;
        LineDash dash;
        const char* want;
    } cases[] = {
        {true, 0, 15, LineDash::DashDot, "####..#..####..#"},
        {true, 2, 12, LineDash::DashDot, "..####..#..##..."},  // the last dash cut at the end
        {false, 1, 10, LineDash::Dot, ".#..#..#..#....."},     // the end on a dot: included
        {false, 1, 9, LineDash::Dot, ".#..#..#........"},
        {true, 5, 5, LineDash::Dot, ".....#.........."},
        {true, 4, 9, LineDash::Solid, "....######......"},
        {true, 9, 4, LineDash::DashDot, "................"},  // nothing when reversed
    };
    for (const Case& c : cases) {
        std::vector<PixelRect> out;
        dashedLinePixels(c.across, 3, c.from, c.to, c.dash, out);
        char map[16][17];
        for (auto& row : map) {
            std::fill(row, row + 16, '.');
            row[16] = 0;
        }
        for (const PixelRect& r : out)
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x)
                    map[y][x] = '#';
        std::string line;
        for (int k = 0; k < 16; ++k)
            line += c.across ? map[3][k] : map[k][3];
        int elsewhere = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                elsewhere += map[y][x] == '#' && (c.across ? y != 3 : x != 3);
        EXPECT_EQ(c.want, line) << c.from << ".." << c.to;
        EXPECT_EQ(0, elsewhere);
    }
    // One rectangle a dash: 200 pixels of dash-dot are 23 dashes and 22 dots.
    std::vector<PixelRect> out;
    dashedLinePixels(false, 0, 20, 219, LineDash::DashDot, out);
    EXPECT_EQ(45u, out.size());
}

TEST(ChartGeometry, HeldPixelsStayInsideIntRange)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float v, held;
        int whole;
    } cases[] = {
        {12.7f, 12.7f, 12},
        {-3.5f, -3.5f, -3},
        {65535.5f, 65535.5f, 65535},
        {1e20f, kPixelLimit, 65536},
        {-1e20f, -kPixelLimit, -65536},
        {3e38f, kPixelLimit, 65536},
        {inf, kPixelLimit, 65536},
        {-inf, -kPixelLimit, -65536},
        {nan, -kPixelLimit, -65536},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.held, heldPixel(c.v)) << c.v;
        EXPECT_EQ(c.whole, heldPixelInt(c.v)) << c.v;
    }
}
