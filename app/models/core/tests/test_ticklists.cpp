#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "models/core/ticklists.h"

namespace {

int kept(const std::vector<uint32_t>& times, int start, bool items, int64_t first)
{
    return detailKeptRows(int(times.size()), start, items, first, [&](int i) { return times[size_t(i)]; });
}

}  // namespace

// Which rows a detail batch keeps, over rows timed 10..50.
TEST(TickLists, DetailMergeKeepsRows)
{
    const std::vector<uint32_t> t = {10, 20, 30, 40, 50};
    const struct {
        int start;
        bool items;
        int64_t first;
        int kept;
        const char* what;
    } cases[] = {
        {0, true, 60, 0, "start 0 replaces the list"},
        {3, true, 60, 0, "a start inside the rows replaces the list"},
        {5, true, 30, 2, "a resent tail from the third-last row replaces three rows"},
        {5, true, 10, 0, "a tail from the first row replaces all"},
        {5, true, 60, 5, "a later first time appends"},
        {9, true, 50, 4, "a start past the rows still drops the resent last row"},
        {5, false, 30, 5, "no items: nothing dropped"},
        {5, true, int64_t(1) << 32, 5, "a time beyond 32 bits matches no row"},
        {0, false, 0, 0, "an empty start-of-day batch empties the list"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kept, kept(t, c.start, c.items, c.first)) << c.what;
    // The search runs from the back: the last row of a repeated time is the one found.
    EXPECT_EQ(2, kept({10, 30, 30, 40}, 4, true, 30));
    EXPECT_EQ(0, kept({}, 0, true, 10));
    EXPECT_EQ(2, tipKeptRows(4, true, 30, [](int i) { return std::vector<uint32_t>{10, 30, 30, 40}[size_t(i)]; }));
}

// Group widths of the tick list: gw = w / groups, a = int(gw)/5*3, b = int(gw)/5*2.
TEST(TickLists, FlowListGeometry)
{
    const struct {
        int style;
        double width;
        int rowHeight;
        int groups;
        double gw;
        int a, b, firstY;
    } cases[] = {
        {0, 800, 25, 4, 200, 120, 80, 25}, {0, 803, 25, 4, 200.75, 120, 80, 25}, {0, 1000, 20, 4, 250, 150, 100, 20},
        {1, 283, 20, 1, 283, 168, 112, 0}, {2, 280, 25, 1, 280, 168, 112, 0},    {0, 0, 25, 4, 0, 0, 0, 25},
    };
    for (const auto& c : cases) {
        const FlowListGeometry g = flowListGeometry(c.style, c.width, c.rowHeight);
        EXPECT_EQ(c.groups, g.groups) << c.width;
        EXPECT_DOUBLE_EQ(c.gw, g.groupWidth) << c.width;
        EXPECT_EQ(c.a, g.priceWidth) << c.width;
        EXPECT_EQ(c.b, g.volumeWidth) << c.width;
        EXPECT_EQ(c.firstY, g.firstRowY) << c.width;
    }
    const TipListGeometry t0 = tipListGeometry(0, 600, 25);
    EXPECT_EQ(4, t0.columns);
    EXPECT_EQ(25, t0.unit);
    EXPECT_EQ(25, t0.firstRowY);
    const TipListGeometry t1 = tipListGeometry(1, 605, 25);
    EXPECT_EQ(1, t1.columns);
    EXPECT_EQ(100, t1.unit);
    EXPECT_EQ(0, t1.firstRowY);
}

// Row positions: style 0 wraps into the next group once a row ends below
// h - rowHeight; other styles run on below the item.
TEST(TickLists, RowsFlowIntoGroups)
{
    const std::vector<std::pair<double, double>> wrapped = {{0, 25},   {0, 50},   {0, 75},  {200, 25},
                                                            {200, 50}, {200, 75}, {400, 25}};
    const auto cells = flowListCells(0, 800, 100, 25, 7);
    ASSERT_EQ(wrapped.size(), cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        EXPECT_DOUBLE_EQ(wrapped[i].first, cells[i].x) << i;
        EXPECT_DOUBLE_EQ(wrapped[i].second, cells[i].y) << i;
    }
    // Past the fourth group the rows go on outside the item (clipped).
    const auto many = flowListCells(0, 800, 100, 25, 13);
    EXPECT_DOUBLE_EQ(800, many[12].x);
    const auto single = flowListCells(1, 280, 50, 20, 4);
    for (size_t i = 0; i < single.size(); ++i) {
        EXPECT_DOUBLE_EQ(0, single[i].x);
        EXPECT_DOUBLE_EQ(20.0 * double(i), single[i].y);
    }
    const auto tips = tipListCells(0, 600, 100, 25, 4);
    EXPECT_DOUBLE_EQ(150, tips[3].x);
    EXPECT_DOUBLE_EQ(25, tips[3].y);
    EXPECT_TRUE(flowListCells(0, 800, 100, 25, 0).empty());
    EXPECT_TRUE(flowListCells(0, 800, 100, 25, -3).empty());

    // The time is printed on every row in style 0, else when its text changes.
    EXPECT_TRUE(flowListShowsTime(0, false, true));
    EXPECT_TRUE(flowListShowsTime(1, true, true));
    EXPECT_FALSE(flowListShowsTime(1, false, true));
    EXPECT_TRUE(flowListShowsTime(1, false, false));
}

// Paging of the detail view.
TEST(TickLists, DetailPaging)
{
    const struct {
        double height;
        int title, rowHeight, columns, show;
    } sizes[] = {
        {300, 25, 25, 4, 44}, {110, 0, 25, 1, 4}, {0, 25, 25, 4, 0},  {24, 0, 25, 1, 0},
        {100, 0, 0, 1, 0},    {-50, 0, 25, 1, 0}, {NAN, 0, 25, 1, 0},
    };
    for (const auto& s : sizes)
        EXPECT_EQ(s.show, detailShowSize(s.height, s.title, s.rowHeight, s.columns)) << s.height;

    const struct {
        int start, page, oldCount, newCount, next;
        const char* what;
    } moves[] = {
        {0, 44, 0, 50, 6, "first fill: page at the end"},
        {0, 44, 10, 20, 0, "page longer than the list stays at 0"},
        {6, 44, 50, 60, 16, "a page at the end follows it"},
        {3, 44, 50, 60, 13, "a page inside moves by the growth"},
        {3, 44, 50, 40, 0, "a shrink never makes a negative start"},
        {0, 0, 0, 0, 0, "nothing to show"},
    };
    for (const auto& m : moves)
        EXPECT_EQ(m.next, detailStartAfterUpdate(m.start, m.page, m.oldCount, m.newCount)) << m.what;

    EXPECT_EQ(6, detailClampStart(10, 50, 44));
    EXPECT_EQ(0, detailClampStart(-3, 50, 44));
    EXPECT_EQ(0, detailClampStart(5, 10, 44));
    EXPECT_EQ(20, detailClampStart(20, 50, 10));

    // Clicks: column = x / (w / columns), row = (y - title) / rowHeight.
    EXPECT_EQ(112, detailRowAt(250, 60, 800, 4, 25, 25, 100, 44, 0));
    EXPECT_EQ(100, detailRowAt(5, 26, 800, 4, 25, 25, 100, 44, 0));
    EXPECT_EQ(-1, detailRowAt(10, 10, 800, 4, 25, 25, 100, 44, 0));            // the title row
    EXPECT_EQ(-1, detailRowAt(10, 25 + 11 * 25, 800, 4, 25, 25, 100, 44, 0));  // below the page
    EXPECT_EQ(7, detailRowAt(5, 60, 280, 1, 0, 25, 5, 10, 1));
    EXPECT_EQ(-1, detailRowAt(5, 60, 280, 1, 0, 0, 5, 10, 1));
}

TEST(TickLists, SectionShares)
{
    const std::vector<int> counts = {51, 11, 31, 54, 219, 1580, 1490, 215, 28, 8, 7, 15};
    EXPECT_EQ(1580, sectionMax(counts));
    EXPECT_FLOAT_EQ(1.0f, sectionRatio(counts, 5));
    EXPECT_FLOAT_EQ(15.0f / 1580.0f, sectionRatio(counts, 11));
    EXPECT_EQ(0.0f, sectionRatio(counts, 12));
    EXPECT_EQ(0.0f, sectionRatio(counts, -1));
    // A distribution with nothing in it gives 0, not NaN or infinity.
    const std::vector<int> zero(12, 0);
    EXPECT_EQ(0, sectionMax(zero));
    EXPECT_EQ(0.0f, sectionRatio(zero, 3));
    EXPECT_EQ(0.0f, sectionRatio({}, 0));
}
