// The pane's visible range, crosshair and the values QML reads at a bar.
#include <gtest/gtest.h>

#include <QLocale>
#include <QSignalSpy>

#include <cstdlib>
#include <ctime>

#include "chartfixtures.h"
#include "charts/qchart.h"

namespace {

KRecord days(int n)
{
    KRecord k({});
    k.points.clear();
    for (int d = 0; d < n; ++d) {
        QuoteKPoint p{};
        p.time = 1767225600LL + int64_t(d) * 86400;
        p.close = 10.0f + float(d % 7);
        p.high = p.close + 1.0f;
        p.open = p.close - 0.5f;
        p.low = p.close - 1.0f;
        p.volume = 1000;
        p.amount = 12345;
        k.points.push_back(p);
    }
    k.record.count = int32_t(k.points.size());
    k.record.points = k.points.data();
    return k;
}

}  // namespace

TEST(QChartRange, ZoomShowsAllBarsWhenFewerFit)
{
    QChart c;
    setUpKLinePane(c, 1);
    c.setLineType("kline");
    KRecord k = days(300);
    c.onUpdateKLine(k.get(), 0);
    QSignalSpy spy(&c, &QChart::reCalcShow);
    c.setkShowNumber(500);
    EXPECT_EQ(0, c.getBegin());
    EXPECT_EQ(299, c.getEnd());
    EXPECT_EQ(300, c.getkShowNumber());
    ASSERT_FALSE(spy.isEmpty());
    EXPECT_EQ(300, spy.last().at(2).toInt());

    c.setkShowNumber(100);
    EXPECT_EQ(200, c.getBegin());
    EXPECT_EQ(299, c.getEnd());
    EXPECT_EQ(100, c.getkShowNumber());
}

TEST(QChartRange, PixelConversionsAndKeyboardMoves)
{
    QChart c;
    setUpKLinePane(c, 1);
    c.setLineType("kline");
    KRecord k = days(300);
    c.onUpdateKLine(k.get(), 0);
    c.setkShowNumber(100);
    const CTXGeometry& g = c.getCTXData(0)->geometry;
    const float pitch = g.pitch();
    ASSERT_GT(pitch, 0.0f);
    EXPECT_EQ(205, c.getXPoint(60 + 5 * pitch + 0.5));
    EXPECT_EQ(200, c.getXPoint(10));    // left of the plot: the first visible bar
    EXPECT_EQ(299, c.getXPoint(5000));  // right of it: the last
    EXPECT_EQ(int(60 + 3 * pitch + g.barWidth * 0.5f), c.getPointX(3));
    const double mid = (g.max() + g.min()) / 2.0;
    EXPECT_NEAR(20 + 379 / 2.0, c.getPointY(mid), 0.01);
    EXPECT_NEAR(mid, c.getYPoint(int(c.getPointY(mid) + 0.5)), (g.max() - g.min()) / 379.0);

    QSignalSpy cross(&c, &QChart::crosshairChange);
    QSignalSpy recalc(&c, &QChart::reCalcShow);
    c.updateCrosshairPos(199);  // one left of the window: shifts left
    EXPECT_EQ(199, c.getBegin());
    EXPECT_EQ(298, c.getEnd());
    EXPECT_EQ(199, c.getCrosshairPos());
    ASSERT_EQ(1, recalc.size());
    ASSERT_EQ(1, cross.size());
    EXPECT_EQ(199, cross.last().at(1).toInt());
    c.updateCrosshairPos(299);
    c.updateCrosshairPos(300);  // past the last bar of a K-line pane: narrows
    EXPECT_EQ(200, c.getBegin());
    EXPECT_EQ(299, c.getEnd());
    EXPECT_EQ(299, c.getCrosshairPos());

    QSignalSpy mouse(&c, &QChart::crosshairChange);
    EXPECT_EQ(202, c.updateMousePoint(&c, 60 + 2 * pitch + 1, 100));
    EXPECT_EQ(100, c.getMousePosY());
    c.updateMousePoint(nullptr, 60 + pitch + 1, 100);  // a sibling's move: x only
    EXPECT_EQ(-1, c.getMousePosY());
    EXPECT_EQ(201, c.getCrosshairPos());
    EXPECT_EQ(1, mouse.size());
}

TEST(QChartRange, ZoomRectangleAndDragScroll)
{
    QChart c;
    setUpKLinePane(c, 1);
    KRecord k = days(300);
    c.onUpdateKLine(k.get(), 0);
    c.setkShowNumber(100);
    const float pitch = c.getCTXData(0)->geometry.pitch();
    QSignalSpy spy(&c, &QChart::reCalcShow);
    ASSERT_TRUE(c.zoomToPixels(60 + 12 * pitch + 1, 60 + 10 * pitch + 1));  // three bars, either way round
    ASSERT_EQ(1, spy.size());
    EXPECT_EQ(210, spy.last().at(0).toInt());
    EXPECT_EQ(218, spy.last().at(1).toInt());
    EXPECT_EQ(9, spy.last().at(2).toInt());
    EXPECT_EQ(214, spy.last().at(3).toInt());
    c.dragScroll(false);
    EXPECT_EQ(199, spy.last().at(0).toInt());
    EXPECT_EQ(298, spy.last().at(1).toInt());
    c.updateReCalcShow(-5, 400, 50, 7);
    EXPECT_EQ(0, c.getBegin());
    EXPECT_EQ(299, c.getEnd());
    EXPECT_EQ(50, c.getkShowNumber());
}

TEST(QChartRange, ValuesAtABarAndTimeAxis)
{
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QChart c;
    setUpKLinePane(c, 1);
    KRecord k = days(10);
    c.onUpdateKLine(k.get(), 0);
    EXPECT_EQ(0, c.getBegin());
    EXPECT_EQ(9, c.getEnd());
    EXPECT_DOUBLE_EQ(11.5, c.getPosDataF(2, "open"));
    EXPECT_DOUBLE_EQ(13.0, c.getPosDataF(2, "high"));
    EXPECT_EQ(double(FMLInvalidValue), c.getPosDataF(2, "nothing"));
    EXPECT_EQ(double(FMLInvalidValue), c.getPosDataF(10, "open"));
    EXPECT_EQ(QStringLiteral("11.50"), c.getPosDataS(2, "open"));
    EXPECT_EQ(QStringLiteral("12345.00"), c.getPosDataS(2, "sum"));
    EXPECT_EQ(QStringLiteral("2026-01-03 星期六 08:00:00"), c.getPosDataS(2, "date"));
    EXPECT_EQ(c.getPosDataS(2, "date"), c.getPosDataS(2, "time"));
    EXPECT_EQ(QString(), c.getPosDataS(11, "date"));

    EXPECT_EQ(1767225600 + 3 * 86400, c.getPosTime(3));
    EXPECT_EQ(QList<int>({1767225600}), c.getTimeBarTime(1));
    EXPECT_EQ(QList<int>({1767225600, 1767225600 + 3 * 86400, 1767225600 + 6 * 86400, 1767225600 + 9 * 86400}),
              c.getTimeBarTime(4));
    QLocale::setDefault(QLocale::c());
}

TEST(QChartRange, SetKDataCopiesAnotherChartsBars)
{
    QChart source, target;
    setUpKLinePane(source, 1);
    setUpKLinePane(target, 1);
    KRecord k = days(200);
    source.onUpdateKLine(k.get(), 0);
    EXPECT_EQ(0, target.setKData(nullptr, 0));
    EXPECT_EQ(1, target.setKData(&source, 0));
    ASSERT_EQ(200, target.getFirstKLineSize());
    EXPECT_EQ(80, target.getBegin());  // the last 120 bars
    EXPECT_EQ(199, target.getEnd());
    EXPECT_EQ(199, target.getCrosshairPos());
    EXPECT_EQ(source.getKData(0)->at(5).close, target.getKData(0)->at(5).close);
    EXPECT_EQ(1, target.setKData(&source, 7));  // beyond the count: a new last layer
    EXPECT_EQ(2, target.getKLineCount());
}
