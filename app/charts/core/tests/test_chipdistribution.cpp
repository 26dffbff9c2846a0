// Chip distribution against hand-computed vectors: cells per tick, decay by
// turnover, both spreading rules, totals, ranges, age bands and the panel's
// rows, lines, outlines, legend and texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "charts/core/chipdistribution.h"

namespace {

struct Bar {
    float low, high, close, volume, turnover;
};

std::vector<ChartBar> makeBars(std::initializer_list<Bar> list)
{
    std::vector<ChartBar> out;
    uint32_t day = 1260105;  // 2026-01-05
    for (const Bar& b : list) {
        ChartBar c;
        c.date = day++;
        c.low = b.low;
        c.high = b.high;
        c.open = c.close = b.close;
        c.volume = b.volume;
        c.extra = b.turnover;
        out.push_back(c);
    }
    return out;
}

// A model over all of bars.
void run(ChipDistributionModel& m, const std::vector<ChartBar>& bars, int decimals = 2)
{
    m.setDecimals(decimals);
    m.setBars(&bars, int(bars.size()));
    m.compute();
}

void expectCells(const std::vector<double>& got, const std::vector<double>& want, const char* what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], 1e-9) << what << " cell " << i;
}

TEST(ChipSpreading, TriangleAndAverageByHand)
{
    const TriangelDistribution<double> triangle(45.0);
    const AverageDistribution<double> average;
    struct Case {
        int k;
        std::vector<double> triangle;
    };
    // k >= 3: m = k/2 + k%2 rising cells h/G, falling (e - j)/G, G = (e+1)e/2 + m(m-1)/2.
    const Case cases[] = {
        {1, {1.0}},
        {2, {0.5, 0.5}},
        {3, {0.0, 1.0, 0.0}},                             // m 2, e 0, G 1
        {4, {0.0, 0.5, 0.5, 0.0}},                        // m 2, e 1, G 2
        {5, {0.0, 0.25, 0.5, 0.25, 0.0}},                 // m 3, e 1, G 4
        {6, {0, 1 / 6.0, 2 / 6.0, 2 / 6.0, 1 / 6.0, 0}},  // m 3, e 2, G 6
    };
    for (const Case& c : cases) {
        std::vector<double> t(std::size_t(c.k), 0.0), a(std::size_t(c.k), 0.0);
        triangle.distribute(1.0, t.data(), c.k);
        average.distribute(1.0, a.data(), c.k);
        expectCells(t, c.triangle, "triangle");
        expectCells(a, std::vector<double>(std::size_t(c.k), 1.0 / c.k), "average");
    }
    // Adds to what the cells hold, in proportion to the weight.
    std::vector<double> cells{1.0, 1.0, 1.0, 1.0, 1.0};
    triangle.distribute(8.0, cells.data(), 5);
    expectCells(cells, {1.0, 3.0, 5.0, 3.0, 1.0}, "triangle weight 8");
}

TEST(ChipDistribution, CellsPerPriceTick)
{
    struct Case {
        int decimals;
        float low, high, probe;
        std::size_t cells;
        int cell;
    };
    const Case cases[] = {
        {2, 10.00f, 10.05f, 10.01f, 6, 1},  // 10.01f * 100 is 1000.99..; rounds to its tick
        {2, 9.99f, 10.00f, 10.00f, 2, 1},
        {3, 1.000f, 1.010f, 1.005f, 11, 5},
        {3, 2.345f, 2.345f, 2.345f, 1, 0},
    };
    for (const Case& c : cases) {
        const auto bars = makeBars({{c.low, c.high, c.low, 1, 1}});
        ChipDistributionModel m;
        run(m, bars, c.decimals);
        EXPECT_EQ(m.cells().size(), c.cells) << c.decimals << " decimals " << c.low << "-" << c.high;
        EXPECT_EQ(m.cellOf(c.probe), c.cell) << c.probe;
        EXPECT_EQ(m.cellOf(c.high + 1.0f), -1);
        EXPECT_EQ(m.cellOf(c.low - 1.0f), -1);
        EXPECT_EQ(m.cellOf(std::numeric_limits<double>::quiet_NaN()), -1);
    }
}

TEST(ChipDistribution, WeightsDecayByTurnoverFromTheNewestBar)
{
    struct Case {
        const char* what;
        float decay;
        float t0, t1, t2;
        double w0, w1, w2;
    };
    // Volumes 1000, 2000, 3000 (oldest first), weight = volume * 100 * b.
    const Case cases[] = {
        {"turnover 10/20/50", 1.0f, 10, 20, 50, 40000, 100000, 300000},
        {"extra value 0 ends older chips", 1.0f, 10, 0, 50, 0, 100000, 300000},
        {"turnover above 100% clamps to 0", 1.0f, 10, 150, 50, 0, 100000, 300000},
        {"negative turnover keeps chips", 1.0f, 10, -20, 50, 50000, 100000, 300000},
        {"decay 0.5", 0.5f, 10, 20, 50, 67500, 150000, 300000},
    };
    for (const Case& c : cases) {
        const auto bars =
            makeBars({{10, 10.02f, 10, 1000, c.t0}, {10, 10.02f, 10, 2000, c.t1}, {10, 10.02f, 10, 3000, c.t2}});
        ChipDistributionModel m;
        m.decay = c.decay;
        run(m, bars);
        expectCells(m.weights(), {c.w0, c.w1, c.w2}, c.what);
        for (double cell : m.cells())
            EXPECT_GE(cell, 0.0) << c.what;
        EXPECT_NEAR(m.chipTotal(), c.w0 + c.w1 + c.w2, 1e-6) << c.what;
    }
}

TEST(ChipDistribution, TotalsAverageCostAndRanges)
{
    // Nine cells 10.00..10.08 of 100 each (volume 9, average spreading); close 10.05.
    const auto bars = makeBars({{10.00f, 10.08f, 10.05f, 9, 1}});
    ChipDistributionModel m;
    m.setAverageSpreading(true);
    run(m, bars);
    expectCells(m.cells(), std::vector<double>(9, 100.0), "cells");
    EXPECT_DOUBLE_EQ(m.chipTotal(), 900.0);
    EXPECT_NEAR(m.priceTotal(), 100.0 * (10.00 + 10.01 + 10.02 + 10.03 + 10.04 + 10.05 + 10.06 + 10.07 + 10.08), 1e-9);
    EXPECT_DOUBLE_EQ(m.profitTotal(), 500.0);  // 10.00..10.04 lie below the close
    EXPECT_NEAR(m.averageCost(), 10.04f, 1e-5);
    EXPECT_NEAR(m.profitRatio(), 5.0 / 9.0, 1e-12);
    EXPECT_NEAR(m.shareBelow(10.03), 3.0 / 9.0, 1e-12);
    // Shares 1/9, 2/9, ...: > 0.05 at 10.00, > 0.95 at 10.08, > 0.15 at 10.01, > 0.85 at 10.07.
    ASSERT_TRUE(m.range90().valid);
    EXPECT_FLOAT_EQ(m.range90().low, 10.00f);
    EXPECT_FLOAT_EQ(m.range90().high, 10.08f);
    EXPECT_NEAR(m.range90().concentration, 0.08 / 20.08, 1e-6);
    ASSERT_TRUE(m.range70().valid);
    EXPECT_FLOAT_EQ(m.range70().low, 10.01f);
    EXPECT_FLOAT_EQ(m.range70().high, 10.07f);
    EXPECT_NEAR(m.range70().concentration, 0.06 / 20.08, 1e-6);

    const ChipTexts t = chipTexts(m, 10.03);
    EXPECT_EQ(t.date, "成本分布 日期: 2026-01-05");
    EXPECT_EQ(t.profit, "获利比例: ");
    EXPECT_EQ(t.ratio, "55.56%");
    EXPECT_EQ(t.crosshair, "10.03处获利盘: 33.33%");
    EXPECT_EQ(t.average, "平均成本: 10.04元");
    EXPECT_EQ(t.range90, "90%成本10.00-10.08集中0.4%");
    EXPECT_EQ(t.range70, "70%成本10.01-10.07集中0.3%");

    // The triangle puts 0, 1/4, 1/2, 1/4, 0 of a five-tick bar's weight.
    const auto five = makeBars({{10.00f, 10.04f, 10.02f, 1, 1}});
    ChipDistributionModel tri;
    run(tri, five);
    expectCells(tri.cells(), {0, 25, 50, 25, 0}, "triangle bar");
    EXPECT_NEAR(tri.averageCost(), 10.02f, 1e-5);
}

TEST(ChipDistribution, EdgeCases)
{
    // A bar whose high equals its low: its whole weight in one cell.
    {
        const auto bars = makeBars({{10.00f, 10.00f, 10.00f, 3, 1}});
        ChipDistributionModel m;
        run(m, bars);
        expectCells(m.cells(), {300.0}, "flat bar");
        EXPECT_FLOAT_EQ(m.averageCost(), 10.00f);
    }
    // No volume: no chips, no average cost (not NaN), no ranges.
    {
        const auto bars = makeBars({{10.00f, 10.04f, 10.02f, 0, 1}, {10.01f, 10.03f, 10.02f, 0, 1}});
        ChipDistributionModel m;
        run(m, bars);
        EXPECT_FALSE(m.hasChips());
        EXPECT_EQ(m.averageCost(), 0.0f);
        EXPECT_FALSE(m.range90().valid);
        EXPECT_FALSE(m.range70().valid);
        EXPECT_EQ(m.shareBelow(10.03), 0.0);
        const ChipTexts t = chipTexts(m, 10.03);
        EXPECT_EQ(t.ratio, "0.00%");
        EXPECT_TRUE(t.average.empty() && t.range90.empty() && t.range70.empty());
    }
    // Bars with a price that is not finite neither hold chips nor decay others.
    {
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const auto bars = makeBars({{10.00f, 10.00f, 10.0f, 1, 50},
                                    {10.00f, inf, 10.0f, 5, 50},
                                    {nan, 10.01f, 10.0f, 5, 50},
                                    {10.01f, 10.01f, 10.01f, 2, 50}});
        ChipDistributionModel m;
        run(m, bars);
        expectCells(m.weights(), {50, 0, 0, 200}, "weights");
        expectCells(m.cells(), {50, 200}, "cells");
    }
    // A price range over the cap widens the cells by tens; all chips stay.
    {
        const auto bars = makeBars({{0.01f, 5000.00f, 100.0f, 1, 1}, {4000.00f, 4000.00f, 4000.0f, 1, 1}});
        ChipDistributionModel m;
        m.decay = 0.0f;
        m.setAverageSpreading(true);
        run(m, bars);
        EXPECT_EQ(m.step(), 10);
        EXPECT_EQ(m.cells().size(), 50000u);  // ticks 1..500000 by tens
        EXPECT_LE(m.cells().size(), std::size_t(ChipDistributionModel::kMaxCells));
        EXPECT_NEAR(m.chipTotal(), 200.0, 1e-6);
        EXPECT_EQ(m.cellOf(4000.00), 39999);  // (400000 - 1) / 10
        EXPECT_NEAR(m.cells()[39999], 100.0 + 100.0 / 50000, 1e-9);
    }
    // No bars, and a count beyond the bars.
    {
        ChipDistributionModel m;
        m.compute();
        EXPECT_TRUE(m.cells().empty());
        const auto bars = makeBars({{10.00f, 10.00f, 10.0f, 1, 1}});
        m.setBars(&bars, 5);
        EXPECT_EQ(m.count(), 1);
    }
}

// Bar i sits alone at 10.00 + i/100 with volume 1 and no decay, so cell i holds bar i.
std::vector<ChartBar> steppedBars(int n)
{
    std::vector<ChartBar> bars;
    for (int i = 0; i < n; ++i) {
        const float p = 10.00f + float(i) / 100.0f;
        bars.push_back(makeBars({{p, p, p, 1, 1}}).front());
        bars.back().date = 1260105 + uint32_t(i);
    }
    return bars;
}

TEST(ChipDistribution, BandSetsHoldTheirBars)
{
    const auto bars = steppedBars(12);
    struct Case {
        int type;
        int period;
        int first, last;  // bars the copy holds; first > last: empty copy
        bool stored;
    };
    const Case cases[] = {
        {kChipWithin, 5, 7, 11, true},                                  // the latest 5
        {kChipWithin, 10, 2, 11, true},                                 // the latest 10
        {kChipWithin, 20, 0, -1, false}, {kChipBefore, 5, 0, 6, true},  // all but the latest 5
        {kChipBefore, 10, 0, 1, true},   {kChipBefore, 100, 0, -1, false},
    };
    for (const Case& c : cases) {
        ChipDistributionModel m;
        m.decay = 0.0f;
        EXPECT_TRUE(m.setChipType(c.type));
        run(m, bars);
        ASSERT_TRUE(m.bands());
        const ChipBand& band = m.bands()->at(c.period);
        ASSERT_EQ(!band.cells.empty(), c.stored) << "type " << c.type << " period " << c.period;
        if (!c.stored)
            continue;
        for (int i = 0; i < 12; ++i) {
            const bool held = i >= c.first && i <= c.last;
            EXPECT_DOUBLE_EQ(band.cells[std::size_t(i)], held ? 100.0 : 0.0)
                << "type " << c.type << " period " << c.period << " bar " << i;
        }
        EXPECT_DOUBLE_EQ(band.total, 100.0 * (c.last - c.first + 1));
    }
}

TEST(ChipDistribution, ChipTypesSelectBandSetsAndLegend)
{
    const auto bars = steppedBars(12);
    ChipDistributionModel m;
    m.decay = 0.0f;
    EXPECT_FALSE(m.setChipType(0));
    EXPECT_EQ(m.bands(), nullptr);
    run(m, bars);
    EXPECT_TRUE(chipLegend(m, 400).empty());
    for (const auto& b : m.withinBands())
        EXPECT_TRUE(b.second.cells.empty());

    struct Case {
        int type;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {kChipWithin, {"5周期内成本41.7%", "10周期内成本83.3%"}},  // 5/12, 10/12
        {kChipBefore, {"5周期前成本58.3%", "10周期前成本16.7%"}},  // 7/12, 2/12
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(m.setChipType(c.type));
        EXPECT_EQ(m.bands(), c.type == kChipWithin ? &m.withinBands() : &m.beforeBands());
        m.compute();
        const auto legend = chipLegend(m, 400);
        ASSERT_EQ(legend.size(), c.texts.size());
        for (std::size_t i = 0; i < legend.size(); ++i) {
            EXPECT_EQ(legend[i].text, c.texts[i]);
            EXPECT_EQ(legend[i].y, 160 + 20 * int(i));
        }
        const ChipColour first = legend[0].colour;
        const ChipColour want = c.type == kChipWithin ? ChipColour{120, 80, 255} : ChipColour{255, 0, 0};
        EXPECT_TRUE(first.r == want.r && first.g == want.g && first.b == want.b);
    }
    EXPECT_TRUE(m.setChipType(3));
    EXPECT_EQ(m.bands(), nullptr);
}

TEST(ChipGeometry, RowsLinesAndOutline)
{
    // Ten ticks 10.00..10.09 over 100 pixels from y 20: bars 9 wide, gap 1;
    // row r centred at 120 - (10 r + 4.5).
    const auto bars = makeBars({{10.00f, 10.09f, 10.0f, 10, 1}});
    ChipDistributionModel m;
    m.setAverageSpreading(true);
    run(m, bars);
    const ChipRows rows = chipRows(m, 10.00f, 10.09f, 20, 100);
    ASSERT_TRUE(rows.valid);
    EXPECT_EQ(rows.count, 10);
    EXPECT_EQ(chipRowY(rows, m.cellUnits(0)), 115);
    EXPECT_EQ(chipRowY(rows, m.cellUnits(9)), 25);
    const auto lines = chipLines(m, m.cells(), rows, largestCell(m.cells()), 200.0, 1002, 1004);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].cell, 2);
    EXPECT_EQ(lines[0].y, 95);
    EXPECT_DOUBLE_EQ(lines[2].length, 200.0);
    EXPECT_FALSE(chipRows(m, 10.09f, 10.00f, 20, 100).valid);
    EXPECT_FALSE(chipRows(m, 10.00f, 10.09f, 20, 0).valid);

    // 100 ticks over 50 pixels: pitch 0.5, two cells a row. A line on the
    // row of the one before is kept only when at least as long.
    const auto steps = makeBars({{10.00f, 10.00f, 10, 5, 1},
                                 {10.01f, 10.01f, 10, 8, 1},
                                 {10.02f, 10.02f, 10, 8, 1},
                                 {10.03f, 10.03f, 10, 2, 1}});
    ChipDistributionModel s;
    s.decay = 0.0f;
    run(s, steps);
    const ChipRows dense = chipRows(s, 10.00f, 10.99f, 20, 50);
    ASSERT_EQ(dense.count, 100);
    constexpr int64_t kAll = std::numeric_limits<int64_t>::max();
    const auto kept = chipLines(s, s.cells(), dense, largestCell(s.cells()), 80.0, -kAll, kAll);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].cell, 1);
    EXPECT_EQ(kept[0].y, 69);
    EXPECT_EQ(kept[1].cell, 2);
    EXPECT_EQ(kept[1].y, 68);
    const auto outline = chipOutline(kept);
    ASSERT_EQ(outline.size(), 4u);
    const double want[4][2] = {{0, 69}, {80, 69}, {80, 68}, {0, 68}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(outline[std::size_t(i)].x, want[i][0]) << i;
        EXPECT_DOUBLE_EQ(outline[std::size_t(i)].y, want[i][1]) << i;
    }
    EXPECT_TRUE(chipOutline({}).empty());
    EXPECT_EQ(chipDate(1260105), "2026-01-05");
}

}  // namespace
