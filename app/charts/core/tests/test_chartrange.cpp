// Visible range rules: bar under a pixel, keyboard scrolling, zoom and the
// time axis bars. Expected values worked out by hand from the rules.
#include <gtest/gtest.h>

#include "charts/core/chartrange.h"

TEST(ChartRange, BarAtPixel)
{
    struct Case {
        double x;
        int want;
    } cases[] = {{60, 10}, {70.9, 10}, {71, 11}, {59, 10}, {1000, 20}, {115.5, 15}};
    for (const Case& c : cases)
        EXPECT_EQ(c.want, barAtX(c.x, 60, 11.0f, 10, 20)) << c.x;
}

TEST(ChartRange, KeyboardMovesScrollTheWindow)
{
    struct Case {
        int begin, end, pos, last;
        bool kline;
        int wantBegin, wantEnd, wantPos;
    } cases[] = {
        {10, 19, 15, 99, true, 10, 19, 15},    // inside: no scroll
        {10, 19, 9, 99, true, 9, 18, 9},       // one left: shifts left
        {10, 19, -1, 99, true, 0, 9, 0},       // before the first bar
        {10, 19, 20, 99, true, 11, 20, 20},    // one right: shifts right
        {90, 99, 100, 99, true, 91, 99, 99},   // past the last bar: narrows
        {90, 99, 100, 99, false, 90, 99, 99},  // minute pane keeps its begin
        {3, 12, 2, 99, true, 2, 11, 2},
    };
    for (const Case& c : cases) {
        ChartRange r{c.begin, c.end, -1};
        scrollToPosition(r, c.pos, 10, c.last, c.kline);
        EXPECT_EQ(c.wantBegin, r.begin) << c.pos;
        EXPECT_EQ(c.wantEnd, r.end) << c.pos;
        EXPECT_EQ(c.wantPos, r.crosshair) << c.pos;
    }
}

TEST(ChartRange, ZoomShowsWhatFits)
{
    ZoomResult z = zoomRange(500, 300, 0, false);
    EXPECT_EQ(0, z.begin);
    EXPECT_EQ(299, z.end);
    EXPECT_EQ(300, z.showNumber);

    z = zoomRange(100, 300, 0, false);  // anchored on the last bar
    EXPECT_EQ(200, z.begin);
    EXPECT_EQ(299, z.end);
    EXPECT_EQ(100, z.showNumber);

    z = zoomRange(100, 300, 20, true);  // anchored 50 bars after the crosshair: 70
    EXPECT_EQ(0, z.begin);
    EXPECT_EQ(70, z.end);
    EXPECT_EQ(71, z.showNumber);  // the 71 bars laid out, not 70
    EXPECT_EQ(20, z.crosshair);

    z = zoomRange(0, 300, 5, false);  // n <= 0 counts as 1
    EXPECT_EQ(299, z.begin);
    EXPECT_EQ(1, z.showNumber);
}

TEST(ChartRange, ZoomSelectionAndTimeAxis)
{
    ZoomResult z = zoomSelection(40, 42, 300);  // 3 bars widen to 9
    EXPECT_EQ(40, z.begin);
    EXPECT_EQ(48, z.end);
    EXPECT_EQ(9, z.showNumber);
    EXPECT_EQ(44, z.crosshair);
    z = zoomSelection(297, 299, 300);
    EXPECT_EQ(291, z.begin);
    EXPECT_EQ(299, z.end);
    z = zoomSelection(10, 400, 300);  // capped at the bar count
    EXPECT_EQ(299, z.end);

    EXPECT_EQ(std::vector<int>({7}), timeBarIndices(7, 20, 1));
    EXPECT_EQ(std::vector<int>({0, 3, 6, 10}), timeBarIndices(0, 10, 4));  // step 3.33
    EXPECT_EQ(std::vector<int>({5, 5}), timeBarIndices(5, 5, 2));
}
