// The pane's title bar (values at the crosshair in output colours) and the
// view's time axis (labels by chart type and cycle, the current-time box).
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>

#include "../../../formula/tests/fmltestprogram.h"
#include "charts/timebar.h"
#include "charts/titlebar.h"
#include "recordingdevice.h"

namespace {

std::vector<Drawn> paintItem(QQuickPaintedItem& item)
{
    RecordingDevice dev;
    {
        QPainter p(&dev);
        item.paint(&p);
    }
    return dev.engine.items;
}

// A layer of one slot over the program's context and the bars.
CTXLayer layerOver(const TestProgram& p, std::vector<ChartBar>& bars)
{
    CTXLayer layer;
    layer.push_back(std::make_unique<CTXData>());
    layer[0]->context = p.ctx();
    layer[0]->bars = &bars;
    return layer;
}

void shanghai()
{
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
}

}  // namespace

TEST(TitleBar, ValuesAtTheCrosshairInOutputColours)
{
    TestProgram p;
    p.setSeries("X", {1.234f, std::numeric_limits<float>::infinity()});
    p.name("X").output(FML_DRAW_DATA, "MA5", 0x000000ffu).drop();
    ASSERT_EQ(1, p.run(2));
    std::vector<ChartBar> bars(2);
    CTXLayer layer = layerOver(p, bars);

    TitleBar t;
    t.setSize(QSizeF(600, 20));
    EXPECT_TRUE(paintItem(t).empty());  // no slots yet
    t.setCTXData(&layer);
    t.setCurX(0);
    auto texts = only(paintItem(t), Drawn::Text);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(QStringLiteral("MA5: 1.23"), texts[0].text);
    EXPECT_EQ(QColor(255, 0, 0), texts[0].pen.color());
    EXPECT_GE(texts[0].at.x(), 60.0);

    t.setCurX(9);  // past the end: the last bar, where the value is missing
    texts = only(paintItem(t), Drawn::Text);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(QStringLiteral("MA5: -"), texts[0].text);
    EXPECT_EQ(1, t.curX());
    t.setCurX(-1);
    EXPECT_TRUE(only(paintItem(t), Drawn::Text).empty());
}

// Values that do not fit between the paddings are left out, not cut at the
// pane's edge (a narrow tile of the chart grids).
TEST(TitleBar, ValuesStayInsideTheTextArea)
{
    TestProgram p;
    p.setSeries("X", {1.234f, 2.5f});
    p.name("X").output(FML_DRAW_DATA, "MA5", 0x000000ffu).drop();
    p.name("X").output(FML_DRAW_DATA, "MA10", 0x0000ff00u).drop();
    p.name("X").output(FML_DRAW_DATA, "MA20", 0x00ff0000u).drop();
    ASSERT_EQ(1, p.run(2));
    std::vector<ChartBar> bars(2);
    CTXLayer layer = layerOver(p, bars);
    TitleBar t;
    t.setCTXData(&layer);
    t.setCurX(1);
    t.setSize(QSizeF(600, 20));
    EXPECT_EQ(3u, only(paintItem(t), Drawn::Text).size());
    t.setSize(QSizeF(260, 20));  // 140 px between the paddings
    const auto texts = only(paintItem(t), Drawn::Text);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(QStringLiteral("MA5: 2.50"), texts[0].text);
    for (const Drawn& d : texts)
        EXPECT_LE(d.at.x() + d.advance, 200.5) << d.text.toStdString() << " runs past the text area";
}

TEST(TimeBar, MinuteAxisCombinesTheMiddleMarks)
{
    shanghai();
    const int t0 = 1767576600;  // 2026-01-05 09:30 in Shanghai
    TimeBar b;
    b.setSize(QSizeF(800, 20));
    EXPECT_TRUE(paintItem(b).empty());
    b.setScales({t0, t0 + 3600, t0 + 7200, t0 + 12600, t0 + 16200, t0 + 19800});
    const auto texts = only(paintItem(b), Drawn::Text);
    ASSERT_EQ(5u, texts.size());
    EXPECT_EQ(QStringLiteral("09:30"), texts[0].text);
    EXPECT_EQ(QStringLiteral("11:30/13:00"), texts[2].text);
    EXPECT_EQ(QStringLiteral("15:00"), texts[4].text);
    // First label starts at 60; the last ends at 740 (axis 680 wide, four steps of 170).
    EXPECT_NEAR(60.0, texts[0].at.x(), 1.0);

    // The cursor's label at x 10, clamped to 60, hides the axis label it
    // covers instead of leaving parts of it beside its box.
    b.setCurScales(uint(t0 + 60));
    b.setCurX(10);
    const auto all = paintItem(b);
    const auto withCursor = only(all, Drawn::Text);
    ASSERT_EQ(5u, withCursor.size());
    EXPECT_EQ(QStringLiteral("10:30"), withCursor[0].text);
    EXPECT_EQ(QStringLiteral("01-05 09:31"), withCursor[4].text);
    const auto rects = only(all, Drawn::Rect);
    ASSERT_EQ(2u, rects.size());
    EXPECT_EQ(QColor(25, 27, 31), rects[0].brush.color());
    EXPECT_EQ(60 - int(rects[1].rect.width()) / 2, int(rects[1].rect.left()));  // x 10 clamps to 60
    EXPECT_EQ(QColor(70, 77, 89), rects[1].brush.color());
    for (std::size_t i = 0; i + 1 < withCursor.size(); ++i)
        EXPECT_FALSE(withCursor[i].at.x() + withCursor[i].advance > rects[1].rect.left() &&
                     withCursor[i].at.x() < rects[1].rect.right())
            << withCursor[i].text.toStdString() << " shows beside the cursor's label";
}

// K-line axis labels as wide as the cursor's ("12-08 11:27"): the one under
// the cursor does not show through around it.
TEST(TimeBar, CursorLabelHidesTheAxisLabelUnderIt)
{
    shanghai();
    const int t0 = 1767576600;
    TimeBar b;
    b.setSize(QSizeF(800, 20));
    b.setChartType("kline");
    b.setChartCycle(35);
    b.setScales({t0, t0 + 3000, t0 + 6000, t0 + 9000, t0 + 12000});
    b.setCurScales(uint(t0 + 6000 + 300));
    b.setCurX(400 + 17);  // just right of the middle label's centre
    const auto all = paintItem(b);
    const auto texts = only(all, Drawn::Text);
    const QRectF box = only(all, Drawn::Rect).back().rect;
    int under = 0;
    for (const Drawn& d : texts)
        under += d.at.x() < box.right() && d.at.x() + d.advance > box.left();
    EXPECT_EQ(1, under) << "an axis label shows beside the cursor's label";
    EXPECT_EQ(QStringLiteral("2026-01-05 11:15"), texts.back().text);
}

// A narrow axis (the K-lines beside the chip panel in a 1000 x 650 window)
// keeps its first and last dates and leaves out the ones between that would
// run into a neighbour; at 800 px every label has its room.
TEST(TimeBar, NarrowAxisLeavesOutLabelsThatWouldOverlap)
{
    shanghai();
    const int t0 = 1767576600;
    const QList<int> stamps{t0, t0 + 40 * 86400, t0 + 80 * 86400, t0 + 120 * 86400, t0 + 160 * 86400};
    for (const int width : {420, 500, 800}) {
        TimeBar b;
        b.setSize(QSizeF(width, 20));
        b.setChartType("kline");
        b.setChartCycle(33);
        b.setScales(stamps);
        const auto texts = only(paintItem(b), Drawn::Text);
        ASSERT_GE(texts.size(), 2u) << width;
        EXPECT_EQ(TimeBar::label(stamps.front(), "kline", 33), texts.front().text) << width;
        EXPECT_NEAR(60.0, texts.front().at.x(), 1.0) << width;
        EXPECT_EQ(TimeBar::label(stamps.back(), "kline", 33), texts.back().text) << width;
        EXPECT_NEAR(width - 60.0, texts.back().at.x() + texts.back().advance, 1.5) << width;
        for (std::size_t i = 0; i + 1 < texts.size(); ++i)
            EXPECT_LE(texts[i].at.x() + texts[i].advance + 4, texts[i + 1].at.x())
                << width << ": " << texts[i].text.toStdString() << " runs into " << texts[i + 1].text.toStdString();
        if (width == 800)
            EXPECT_EQ(5u, texts.size());
    }
}

TEST(TimeBar, KLineLabelsByCycleAndFewStamps)
{
    shanghai();
    const int t = 1767576600;
    EXPECT_EQ(QStringLiteral("2026-01-05"), TimeBar::label(t, "kline", 33));
    EXPECT_EQ(QStringLiteral("2026-01-05"), TimeBar::label(t, "kline", 39));
    EXPECT_EQ(QStringLiteral("2026-01"), TimeBar::label(t, "kline", 40));
    EXPECT_EQ(QStringLiteral("2026-01-05 09:30"), TimeBar::label(t, "kline", 35));
    EXPECT_EQ(QString(), TimeBar::label(t, "other", 33));
    for (int n : {1, 2}) {  // one or two stamps: no division by zero
        TimeBar b;
        b.setSize(QSizeF(400, 20));
        b.setChartType("kline");
        b.setScales(n == 1 ? QList<int>{t} : QList<int>{t, t + 86400});
        const auto texts = only(paintItem(b), Drawn::Text);
        ASSERT_EQ(std::size_t(n), texts.size());
        EXPECT_NEAR(60.0, texts[0].at.x(), 1.0);
    }
}
