// Data slots of the chart item over hand-made records: conversion, merging,
// range following, overlay alignment, the layer bound and dividend marks.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QSignalSpy>

#include <ctime>

#include "chartfixtures.h"
#include "charts/chartrecords.h"
#include "charts/qchart.h"
#include "models/mqmodel.h"

namespace {

std::vector<int> times(const std::vector<ChartBar>& v)
{
    std::vector<int> out;
    for (const ChartBar& b : v)
        out.push_back(b.time == 0 ? -1 : (b.time - 1767225600) / 86400);
    return out;
}

}  // namespace

TEST(QChartData, KLinePointsBecomeBars)
{
    KRecord k({{0, 10.0f}, {1, 12.0f}});
    k.points[0].time = 1609426800;  // 2020-12-31 15:00 UTC
    const std::vector<ChartBar> bars = barsFromKPoints(k.points.data(), 2);
    ASSERT_EQ(2u, bars.size());
    struct tm lt {};
    const time_t t = 1609426800;
    localtime_r(&t, &lt);
    EXPECT_EQ(uint32_t(lt.tm_year * 10000 + (lt.tm_mon + 1) * 100 + lt.tm_mday), bars[0].date);
    EXPECT_EQ(1609426800, bars[0].time);
    EXPECT_FLOAT_EQ(9.5f, bars[0].open);
    EXPECT_FLOAT_EQ(11.0f, bars[0].high);
    EXPECT_FLOAT_EQ(9.0f, bars[0].low);
    EXPECT_FLOAT_EQ(10.0f, bars[0].close);
    EXPECT_FLOAT_EQ(1.0f, bars[0].extra);
    EXPECT_FLOAT_EQ(1000.0f, bars[0].volume);
    EXPECT_FLOAT_EQ(50000.0f, bars[0].amount);
    EXPECT_FLOAT_EQ(9.5f, bars[0].preClose);  // the first point: its own open
    EXPECT_FLOAT_EQ(10.0f, bars[1].preClose);
    EXPECT_FLOAT_EQ(0.0f, bars[1].avgPrice);
    EXPECT_EQ(1201231u, chartDate(1609459200 - 12 * 3600));  // noon UTC on 2020-12-31

    MinuteRecord m({10.5f, 10.7f}, 10.0f, {0.0f, 10.6f});
    const std::vector<ChartBar> mb = barsFromMinutePoints(m.points.data(), 2, 10.0f);
    EXPECT_EQ(uint32_t(mb[0].time), mb[0].date);
    EXPECT_FLOAT_EQ(10.5f, mb[0].open);
    EXPECT_FLOAT_EQ(10.5f, mb[0].high);
    EXPECT_FLOAT_EQ(10.0f, mb[0].preClose);
    EXPECT_FLOAT_EQ(10.5f, mb[1].preClose);
    EXPECT_EQ(FMLInvalidValue, mb[0].avgPrice);  // 0 is no average
    EXPECT_FLOAT_EQ(10.6f, mb[1].avgPrice);
    EXPECT_FLOAT_EQ(0.0f, mb[1].extra);
    EXPECT_FLOAT_EQ(200.0f, mb[1].volume);
}

TEST(QChartData, HistoryInFrontAndRealTimeUpdates)
{
    QChart c;
    setUpKLinePane(c, 1);
    c.setShowNumberValue(3);
    QSignalSpy sync(&c, &QChart::syncUpdateKLine);
    QSignalSpy data(&c, &QChart::dataUpdate);

    KRecord recent({{10, 20.0f}, {11, 21.0f}, {12, 22.0f}, {13, 23.0f}, {14, 24.0f}});
    c.onUpdateKLine(recent.get(), 0);
    EXPECT_EQ(2, c.visibleBegin());
    EXPECT_EQ(4, c.visibleEnd());
    EXPECT_EQ(4, c.crosshairPos());
    EXPECT_EQ(1, sync.count());
    EXPECT_EQ(1, data.count());

    // Loading more: older bars in front, the same bars stay in view.
    KRecord older({{7, 17.0f}, {8, 18.0f}, {9, 19.0f}});
    c.onUpdateKLine(older.get(), 0);
    EXPECT_EQ((std::vector<int>{7, 8, 9, 10, 11, 12, 13, 14}), times(*c.getKData(0)));
    EXPECT_EQ(5, c.visibleBegin());
    EXPECT_EQ(7, c.visibleEnd());
    EXPECT_EQ(7, c.crosshairPos());
    // Previous closes over the whole layer.
    EXPECT_FLOAT_EQ(17.0f, (*c.getKData(0))[0].preClose);
    EXPECT_FLOAT_EQ(19.0f, (*c.getKData(0))[3].preClose);

    // The last bar again: replaced, range unchanged.
    KRecord again({{14, 24.5f}});
    c.onUpdateKLine(again.get(), 0);
    EXPECT_EQ(8, c.getFirstKLineSize());
    EXPECT_FLOAT_EQ(24.5f, (*c.getKData(0))[7].close);
    EXPECT_EQ(5, c.visibleBegin());
    EXPECT_EQ(7, c.visibleEnd());

    // Empty records are ignored.
    KRecord none({});
    c.onUpdateKLine(none.get(), 0);
    EXPECT_EQ(3, sync.count());

    // Reset again: the next record moves the range to the end.
    c.resetBeginEndState();
    c.setVisibleRange(0, 2);
    KRecord next({{15, 25.0f}});
    c.onUpdateKLine(next.get(), 0);
    EXPECT_EQ(6, c.visibleBegin());
    EXPECT_EQ(8, c.visibleEnd());
}

TEST(QChartData, OverlaysAlignToLayerZeroAndKeepTheirOwnBars)
{
    QChart c;
    setUpKLinePane(c, 2);
    KRecord base({{0, 10.0f}, {1, 11.0f}, {2, 12.0f}, {4, 14.0f}});
    c.onUpdateKLine(base.get(), 0);
    // The overlay lacks day 1 and has day 3, which layer 0 lacks.
    KRecord overlay({{0, 100.0f}, {2, 120.0f}, {3, 130.0f}, {4, 140.0f}}, "600002");
    c.onUpdateKLine(overlay.get(), 1);
    ASSERT_EQ(2, c.getKLineCount());
    EXPECT_EQ((std::vector<int>{0, -1, 2, 4}), times(*c.getKData(1)));
    const ChartBar& filler = (*c.getKData(1))[1];
    EXPECT_EQ(0u, filler.date);
    EXPECT_EQ(FMLInvalidValue, filler.close);
    EXPECT_STREQ("600002", (*c.formulaLayer(1))[0]->codeInfo.code);
    EXPECT_STREQ("600001", c.getCTXData(0)->codeInfo.code);

    // The overlay's formulas see no value on the filler bar.
    FormulaContext* octx = (*c.formulaLayer(1))[0]->context;
    FormulaArgument* oo = fml_get_argument(octx, "_OO");
    ASSERT_EQ(4, fml_argument_data_size(oo));
    EXPECT_EQ(FMLInvalidValue, fml_argument_data_number(oo)[1]);
    EXPECT_FLOAT_EQ(99.5f, fml_argument_data_number(oo)[0]);

    // Layer 0 gains day 3: the overlay's own day-3 bar appears in place.
    KRecord day3({{3, 13.0f}, {4, 14.0f}});
    c.onUpdateKLine(day3.get(), 0);
    EXPECT_EQ((std::vector<int>{0, -1, 2, 3, 4}), times(*c.getKData(1)));
    EXPECT_FLOAT_EQ(130.0f, (*c.getKData(1))[3].close);

    // The new bar shifted the range by one (begin 1). Both layers share one
    // percentage scale about their first opens in view: 10.5 (day 1) and 119.5
    // (day 2, the overlay's first bar in view).
    ASSERT_EQ(1, c.visibleBegin());
    const CTXGeometry& g0 = c.getCTXData(0)->geometry;
    const CTXGeometry& g1 = (*c.formulaLayer(1))[0]->geometry;
    ASSERT_TRUE(g0.hasRange());
    ASSERT_TRUE(g1.hasRange());
    EXPECT_NEAR((g0.max() - 10.5f) / 10.5f, (g1.max() - 119.5f) / 119.5f, 1e-5);
    EXPECT_NEAR((10.5f - g0.min()) / 10.5f, (119.5f - g1.min()) / 119.5f, 1e-5);

    // Removing layer 0's only slot makes the overlay the base, with its own bars.
    EXPECT_TRUE(c.removeFormula(0, 0));
    ASSERT_EQ(1, c.getKLineCount());
    EXPECT_EQ((std::vector<int>{0, 2, 3, 4}), times(*c.getKData(0)));
    EXPECT_EQ(c.getKData(0), (*c.formulaLayer(0))[0]->bars);
}

TEST(QChartData, OverlayWithNothingInViewHasNoRange)
{
    QChart c;
    setUpKLinePane(c, 2);
    KRecord base({{0, 10.0f}, {1, 11.0f}});
    c.onUpdateKLine(base.get(), 0);
    KRecord overlay({{5, 50.0f}}, "600002");  // no common day
    c.onUpdateKLine(overlay.get(), 1);
    EXPECT_EQ((std::vector<int>{-1, -1}), times(*c.getKData(1)));
    EXPECT_FALSE((*c.formulaLayer(1))[0]->geometry.hasRange());
    EXPECT_TRUE(c.getCTXData(0)->geometry.hasRange());
}

TEST(QChartData, ModelSignalsAndTheLayerBound)
{
    ensureStandardCatalogue();
    MQModel model;
    QChart main, sub;
    main.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    sub.appendFormula(0, "VOL", "VSCALES", "VCROSSHAIR", 0);
    main.bindDataSignal(&model, 1);
    sub.bindSyncDataSignal(&main, 0);

    KRecord k({{0, 10.0f}, {1, 11.0f}}, "600001", 9);
    emit model.updateKLine(k.get(), 0);
    EXPECT_EQ(2, main.getFirstKLineSize());
    EXPECT_EQ(2, sub.getFirstKLineSize());  // passed on to the sub chart
    EXPECT_EQ(6, main.getDecimal());        // decimals clamped to 0..6
    emit model.updateKLine(k.get(), 2);     // above the bound
    EXPECT_EQ(1, main.getKLineCount());
    emit model.updateKLine(k.get(), 1);
    EXPECT_EQ(2, main.getKLineCount());

    KRecord odd({{2, 12.0f}}, "600001", 0xFF);
    emit model.updateKLine(odd.get(), 0);
    EXPECT_EQ(0, main.getDecimal());

    QChart minute;
    minute.appendFormula(0, "MLINE", "MSCALES", "MCROSSHAIR", 0);
    minute.bindDataSignal(&model, 0);
    MinuteRecord m({10.0f, 10.1f}, 10.0f);
    emit model.updateMinute(m.get(), 0);
    EXPECT_EQ(2, minute.getFirstKLineSize());
    MinuteRecord empty({}, 10.0f);
    emit model.updateMinute(empty.get(), 0);
    EXPECT_EQ(2, minute.getFirstKLineSize());
}

// A minute record whose append flag (value1) is set continues the day held:
// a point replaces the held minute of its time or is added after it, and the
// previous closes run on from the minute before. Without the flag the record
// is the whole day. The main chart passes the record on to its sub chart.
TEST(QChartData, MinuteRecordsWithTheAppendFlagContinueTheDay)
{
    ensureStandardCatalogue();
    const struct {
        const char* name;
        bool heldFirst;  // the day 10.00 10.10 10.20 (previous close 9.90) came first
        int64_t flag;
        int firstMinute;
        std::initializer_list<float> prices;
        std::vector<float> closes, preCloses;
    } cases[] = {
        {"a new minute", true, 1, 3, {10.3f}, {10.0f, 10.1f, 10.2f, 10.3f}, {9.9f, 10.0f, 10.1f, 10.2f}},
        {"the last minute moved, one more",
         true,
         1,
         2,
         {10.25f, 10.4f},
         {10.0f, 10.1f, 10.25f, 10.4f},
         {9.9f, 10.0f, 10.1f, 10.25f}},
        {"a correction inside the day", true, 1, 1, {10.15f}, {10.0f, 10.15f, 10.2f}, {9.9f, 10.0f, 10.15f}},
        {"any nonzero value is the flag",
         true,
         241,
         3,
         {10.3f},
         {10.0f, 10.1f, 10.2f, 10.3f},
         {9.9f, 10.0f, 10.1f, 10.2f}},
        {"no flag: the whole day", true, 0, 2, {10.3f}, {10.3f}, {9.9f}},
        {"flag with nothing held", false, 1, 2, {10.3f, 10.4f}, {10.3f, 10.4f}, {9.9f, 10.3f}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        MQModel model;
        QChart main, sub;
        main.setLineType("mline");
        sub.setLineType("mline");
        main.appendFormula(0, "MLINE", "MSCALES", "MCROSSHAIR", 0);
        sub.appendFormula(0, "VOL", "VSCALES", "VCROSSHAIR", 0);
        main.bindDataSignal(&model, 0);
        sub.bindSyncDataSignal(&main, 0);
        MinuteRecord day({10.0f, 10.1f, 10.2f}, 9.9f);
        if (t.heldFirst)
            emit model.updateMinute(day.get(), 0);
        MinuteRecord more(t.prices, 9.9f);
        for (QuoteMinPoint& p : more.points)
            p.time += 60 * t.firstMinute;
        more.record.value1 = more.record.value2 = t.flag;
        emit model.updateMinute(more.get(), 0);
        for (QChart* c : {&main, &sub}) {
            const std::vector<ChartBar>& bars = *c->getKData(0);
            std::vector<float> closes, preCloses;
            std::vector<int32_t> minutes;
            for (const ChartBar& b : bars) {
                closes.push_back(b.close);
                preCloses.push_back(b.preClose);
                minutes.push_back((b.time - 1767260000) / 60);
            }
            EXPECT_EQ(t.closes, closes) << (c == &main ? "main" : "sub");
            EXPECT_EQ(t.preCloses, preCloses) << (c == &main ? "main" : "sub");
            for (std::size_t i = 0; i < minutes.size(); ++i)
                EXPECT_EQ(int32_t(i) + (t.heldFirst && t.flag ? 0 : t.firstMinute), minutes[i]);
        }
    }
}

TEST(QChartData, DividendMarks)
{
    QChart c;
    QSignalSpy spy(&c, &QChart::syncUpdateDividend);
    QuoteDividend events[3]{};
    events[0].time = 1700000000;
    events[0].cash_dividend = 0.35;  // 3.5 per 10 shares
    events[0].rights_ratio = 0.15;
    events[0].rights_price = 8.5;
    events[0].bonus_ratio = 0.3;
    events[1].time = 1600000000;
    events[1].bonus_ratio = 1.0;  // only a bonus: the text starts with its space
    events[2].time = 1500000000;
    events[2].cash_dividend = 12.34;  // 123.4: two significant digits
    QuoteDividendPoints div{};
    div.count = 3;
    div.events = events;
    c.onUpdateDividend(&div);
    ASSERT_EQ(1, spy.count());
    const QJsonObject json = spy.at(0).at(0).toJsonObject();
    EXPECT_EQ(QStringLiteral("分红"), json["name"].toString());
    const QJsonArray data = json["data"].toArray();
    ASSERT_EQ(3, data.size());
    const QJsonObject e0 = data[0].toObject();
    EXPECT_EQ(1700000000LL, e0["time"].toVariant().toLongLong());
    EXPECT_EQ("text", e0["type"].toString());
    EXPECT_EQ("#FF0000", e0["color"].toString());
    EXPECT_EQ("q", e0["content"].toString());
    EXPECT_EQ("", e0["url"].toString());
    EXPECT_TRUE(e0.contains("url"));
    EXPECT_EQ(QStringLiteral("红利3.5元 配股1.5股 配股价8.5元 送转3股"), e0["detailed"].toString());
    EXPECT_EQ(QStringLiteral(" 送转10股"), data[1].toObject()["detailed"].toString());
    EXPECT_EQ(QStringLiteral("红利1.2e+02元"), data[2].toObject()["detailed"].toString());
    EXPECT_EQ(3u, c.dividends().size());

    QuoteDividendPoints none{};
    c.onUpdateDividend(&none);
    EXPECT_TRUE(c.dividends().empty());
    EXPECT_TRUE(spy.at(1).at(0).toJsonObject()["data"].toArray().isEmpty());
}

// An overlay reply that comes before layer 0's stays in its own layer and is
// aligned once layer 0 arrives.
TEST(QChartData, OverlayBeforeLayerZero)
{
    QChart c;
    setUpKLinePane(c, 2);
    KRecord overlay({{0, 100.0f}, {2, 120.0f}}, "600002");
    c.onUpdateKLine(overlay.get(), 1);
    ASSERT_EQ(2, c.getKLineCount());
    EXPECT_EQ(0, c.getFirstKLineSize());
    EXPECT_EQ(0, c.getPointCount(1));  // nothing to align to yet
    KRecord base({{0, 10.0f}, {1, 11.0f}, {2, 12.0f}});
    c.onUpdateKLine(base.get(), 0);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), times(*c.getKData(0)));
    EXPECT_FLOAT_EQ(11.0f, (*c.getKData(0))[1].close);
    EXPECT_EQ((std::vector<int>{0, -1, 2}), times(*c.getKData(1)));
    EXPECT_FLOAT_EQ(120.0f, (*c.getKData(1))[2].close);
}

// Adjusted points from the dividend processor go to layer 0 like a K-line
// record, and only when layer 0 has a slot.
TEST(QChartData, ProcessorPointsFillLayerZero)
{
    KRecord k({{0, 10.0f}, {1, 11.0f}});
    QuoteCodeInfo info = k.record.code_info;
    QChart bare;
    bare.onProcesserQuoteKPoint(&info, k.points.data(), 2);
    EXPECT_EQ(0, bare.getKLineCount());

    QChart c;
    setUpKLinePane(c, 1);
    QSignalSpy sync(&c, &QChart::syncUpdateKLine);
    c.onProcesserQuoteKPoint(&info, k.points.data(), 2);
    EXPECT_EQ(2, c.getFirstKLineSize());
    EXPECT_FLOAT_EQ(11.0f, (*c.getKData(0))[1].close);
    EXPECT_EQ(1, sync.count());
    c.setDividendCmd("fd");
    EXPECT_EQ("fd", c.dividendCmd());
}
