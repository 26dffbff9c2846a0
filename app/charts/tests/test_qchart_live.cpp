// The chart item bound to a quote model against the real library and the
// local quote server: K-line, minute and dividend replies become bars, ranges
// and marks.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "chartfixtures.h"
#include "charts/qchart.h"
#include "models/mqmodel.h"
#include "livequotes.h"
#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/qbaseservice.h"
#include "shell/quotethread.h"

namespace {

class LiveChart : public ::testing::Test {
protected:
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        ensureStandardCatalogue();
        ASSERT_GT(server_.port(), 0);
        testsupport::pointQuoteEngineAt(server_.port());
    }
    void TearDown() override { thread_.stop(); }

    QuoteServerProcess server_;
    QuoteEngineThread thread_;
};

template <class Pred>
bool waitFor(Pred done)
{
    for (int i = 0; i < 150 && !done(); ++i)
        QTest::qWait(100);
    return done();
}

// Where a chart kept up by pushes differs from a fresh one given the whole
// series at once: its bars, or a line of a formula slot; empty when equal to
// the bit.
std::string differenceOf(QChart& kept, QChart& fresh, const char* whole)
{
    const std::vector<ChartBar>& a = *kept.getKData(0);
    const std::vector<ChartBar>& b = *fresh.getKData(0);
    if (a.size() != b.size() || std::memcmp(a.data(), b.data(), a.size() * sizeof(ChartBar)) != 0)
        return "bars: kept " + std::to_string(a.size()) + ", " + whole + " " + std::to_string(b.size());
    for (std::size_t s = 0; s < kept.formulaLayer(0)->size(); ++s) {
        FormulaContext* x = (*kept.formulaLayer(0))[s]->context;
        FormulaContext* y = (*fresh.formulaLayer(0))[s]->context;
        for (int i = 0; i < fml_ctx_op_count(y, FML_DRAW_LINE); ++i) {
            FMLOutputItem p{}, q{};
            fml_ctx_op_line(x, &p, unsigned(i));
            fml_ctx_op_line(y, &q, unsigned(i));
            if (p.count != q.count || (q.count && std::memcmp(p.line.values, q.line.values, q.count * 4) != 0))
                return std::string("line ") + std::to_string(i) + " of slot " + std::to_string(s);
        }
    }
    return {};
}

}  // namespace

TEST_F(LiveChart, KLineMinuteAndDividendsReachTheChart)
{
    RUN_IN_OWN_PROCESS();
    MQModel model;
    // Copies of what the library delivered, taken before the chart sees the records.
    std::vector<QuoteKPoint> kpoints;
    std::vector<QuoteMinPoint> mpoints;
    float minutePreClose = 0.0f;
    int dividendEvents = -1;
    QObject::connect(&model, &MQModel::updateKLine, [&](const QuoteKPoints* k, int) {
        if (k->count > 0 && kpoints.empty())  // the first reply; later pushes merge into it
            kpoints.assign(k->points, k->points + k->count);
    });
    MQModel minuteModel;  // its own model, so K-line pushes stay out of the minute pane
    QObject::connect(&minuteModel, &MQModel::updateMinute, [&](const QuoteMinPoints* m, int) {
        if (m->count > 0) {
            mpoints.assign(m->points, m->points + m->count);
            minutePreClose = m->price;
        }
    });
    QObject::connect(&model, &MQModel::updateDividend,
                     [&](const QuoteDividendPoints* d) { dividendEvents = d ? d->count : 0; });

    QChart kline, minute;
    kline.setSize(QSizeF(1000, 500));
    minute.setSize(QSizeF(1000, 500));
    minute.setLineType("mline");
    kline.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
    kline.appendFormula(1, "VOL", "VSCALES", "VCROSSHAIR", 0);
    minute.appendFormula(0, "MLINE", "MSCALES", "MCROSSHAIR", 0);
    kline.bindDataSignal(&model, 0);
    QSignalSpy marks(&kline, &QChart::syncUpdateDividend);

    thread_.start();
    model.getKLineData("600001", 1, 300, 33, 0);
    model.getDividendData("600001", 1);
    ASSERT_TRUE(waitFor([&] { return !kpoints.empty() && kline.getFirstKLineSize() > 0; }));

    // Bars follow the record field by field (time, high, open, low, close order in the point).
    const std::vector<ChartBar>& bars = *kline.getKData(0);
    ASSERT_GE(bars.size(), kpoints.size());
    ASSERT_GE(kpoints.size(), 2u);
    for (std::size_t i = 0; i + 1 < kpoints.size(); ++i) {  // the last bar may have been updated since
        EXPECT_EQ(int32_t(kpoints[i].time), bars[i].time) << i;
        EXPECT_EQ(kpoints[i].open, bars[i].open) << i;
        EXPECT_EQ(kpoints[i].high, bars[i].high) << i;
        EXPECT_EQ(kpoints[i].low, bars[i].low) << i;
        EXPECT_EQ(kpoints[i].close, bars[i].close) << i;
        EXPECT_EQ(kpoints[i].extra, bars[i].extra) << i;
        EXPECT_EQ(float(kpoints[i].volume), bars[i].volume) << i;
        EXPECT_LE(bars[i].low, bars[i].high) << i;
        EXPECT_EQ(i == 0 ? kpoints[0].close : kpoints[i - 1].close, bars[i].preClose) << i;
    }
    const int count = int(bars.size());
    EXPECT_EQ(std::max(0, count - 120), kline.visibleBegin());
    EXPECT_EQ(count - 1, kline.visibleEnd());
    const CTXData* k = kline.getCTXData(0);
    EXPECT_STREQ("600001", k->codeInfo.code);
    EXPECT_EQ(int(k->codeInfo.decimal), kline.getDecimal());
    ASSERT_TRUE(k->geometry.hasRange());
    float hi = bars[std::size_t(kline.visibleBegin())].high, lo = bars[std::size_t(kline.visibleBegin())].low;
    for (int i = kline.visibleBegin(); i <= kline.visibleEnd(); ++i) {
        hi = std::max(hi, bars[std::size_t(i)].high);
        lo = std::min(lo, bars[std::size_t(i)].low);
    }
    EXPECT_GT(k->geometry.max(), hi);  // 10 px of room above the highest price
    EXPECT_LT(k->geometry.min(), lo);

    // Dividends arrive as marks (the server's events, if any, one element each).
    ASSERT_TRUE(waitFor([&] { return dividendEvents >= 0 && marks.count() > 0; }));
    EXPECT_EQ(dividendEvents, marks.last().at(0).toJsonObject()["data"].toArray().size());
    EXPECT_EQ(std::size_t(dividendEvents), kline.dividends().size());

    // The minute series of the day.
    minute.bindDataSignal(&minuteModel, 0);
    minuteModel.getMinuteData("600001", 1, 0);
    ASSERT_TRUE(waitFor([&] { return !mpoints.empty() && minute.getFirstKLineSize() > 0; }));
    const std::vector<ChartBar>& mb = *minute.getKData(0);
    ASSERT_EQ(mpoints.size(), mb.size());
    for (std::size_t i = 0; i < mb.size(); ++i) {
        EXPECT_EQ(int32_t(mpoints[i].time), mb[i].time) << i;
        EXPECT_EQ(mpoints[i].price, mb[i].close) << i;
        EXPECT_EQ(mpoints[i].price, mb[i].high) << i;
        EXPECT_EQ(i == 0 ? minutePreClose : mpoints[i - 1].price, mb[i].preClose) << i;
    }
    const CTXData* m = minute.getCTXData(0);
    ASSERT_TRUE(m->geometry.hasRange());
    // Symmetric about the previous close (within float rounding).
    EXPECT_NEAR(m->geometry.max() - minutePreClose, minutePreClose - m->geometry.min(),
                1e-4f * std::max(1.0f, minutePreClose));
}

// The library's live K-line pushes from the local quote server (the newest
// bar alone, only count and bars set) keep a chart with formulas where a new
// chart puts the library's whole series: at the refresh that repeats the
// series, bars and every line drawn are the same bit for bit.
TEST_F(LiveChart, PushedBarsMatchTheWholeSeriesOfTheRefresh)
{
    RUN_IN_OWN_PROCESS();
    auto setUp = [](QChart& c) {
        c.setSize(QSizeF(1000, 500));
        for (const char* f : {"KLINE", "MA", "MACD", "KDJ"})
            c.appendFormula(0, f, f == std::string("KLINE") ? "KSCALES" : "", "", 0);
    };
    MQModel model;
    QChart kept;
    setUp(kept);
    int pushes = 0, wholeAfterPushes = 0;
    bool pushFormSeen = true;
    std::string mismatch;
    // Connected before the chart: each record is looked at before the chart takes it.
    QObject::connect(&model, &MQModel::updateKLine, [&](const QuoteKPoints* k, int) {
        if (k->count == 1 && kept.getFirstKLineSize() > 1) {
            ++pushes;
            pushFormSeen = pushFormSeen && k->period == 0 && k->code_info.code[0] == '\0';
            return;
        }
        if (pushes == 0 || k->count <= 1)
            return;
        ++wholeAfterPushes;
        QChart fresh;
        setUp(fresh);
        fresh.onUpdateKLine(k, 0);
        fresh.setVisibleRange(kept.getBegin(), kept.getEnd());
        fresh.relayout();
        if (const std::string d = differenceOf(kept, fresh, "whole series"); !d.empty())
            mismatch = d;
    });
    kept.bindDataSignal(&model, 0);
    thread_.start();
    model.getKLineData("600001", 1, 300, 33, 0);
    // The market moves while quotes are subscribed, as the stock view's
    // price panel has them; the server pushes the newest bar each second the
    // market moved it.
    MQModel prices;
    prices.getPriceData("600001", 1);
    for (int i = 0; i < 600 && pushes < 2; ++i)
        QTest::qWait(100);
    ASSERT_GE(pushes, 2) << "one-bar pushes from the local quote server";
    EXPECT_TRUE(pushFormSeen) << "a push sets only count and bars";
    model.setDividendCmd("");  // unadjusted as requested: the refresh repeats the library's series
    ASSERT_TRUE(waitFor([&] { return wholeAfterPushes > 0; })) << "the refresh";
    EXPECT_EQ("", mismatch);
}

// A quote server that answers a moved minute series with only its changed
// tail, flagged as continuing the day: the minute chart and its formulas hold
// what a chart given the whole day (merged here by hand, by minute) holds,
// bit for bit, after each continuation.
TEST(LiveMinuteChart, ContinuationPointsKeepTheWholeDay)
{
    RUN_IN_OWN_PROCESS();
    ensureStandardCatalogue();
    QuoteServerProcess server({"--minute-append"});
    ASSERT_GT(server.port(), 0);
    testsupport::pointQuoteEngineAt(server.port());
    QuoteEngineThread thread;
    auto setUp = [](QChart& c) {
        c.setSize(QSizeF(1000, 500));
        c.setLineType("mline");
        for (const char* f : {"MLINE", "MACD", "KDJ"})
            c.appendFormula(0, f, f == std::string("MLINE") ? "MSCALES" : "", "", 0);
    };
    MQModel model;
    QChart kept;
    setUp(kept);
    std::map<int64_t, QuoteMinPoint> day;  // the whole day by minute
    float preClose = 0.0f;
    int wholes = 0, continuations = 0, checked = 0;
    std::string mismatch;
    // Connected before the chart: each record is merged by hand first.
    QObject::connect(&model, &MQModel::updateMinute, [&](const QuoteMinPoints* m, int) {
        if (m->count <= 0)
            return;
        if (m->value1 == 0) {
            ++wholes;
            day.clear();
            preClose = m->price;
        } else {
            ++continuations;
            if (m->count >= int(day.size()))
                mismatch = "a continuation of " + std::to_string(m->count) + " points, not a tail";
        }
        for (const QuoteMinPoint* p = m->points; p != m->points + m->count; ++p)
            day[p->time] = *p;
    });
    kept.bindDataSignal(&model, 0);
    // Connected after the chart: it has taken the record.
    QObject::connect(&model, &MQModel::updateMinute, [&](const QuoteMinPoints* m, int) {
        if (m->count <= 0 || m->value1 == 0 || !mismatch.empty())
            return;
        std::vector<QuoteMinPoint> points;
        for (const auto& e : day)
            points.push_back(e.second);
        QuoteMinPoints whole = *m;
        whole.value1 = whole.value2 = 0;
        whole.price = preClose;
        whole.count = int32_t(points.size());
        whole.points = points.data();
        QChart fresh;
        setUp(fresh);
        fresh.onUpdateMinute(&whole, 0);
        fresh.relayout();
        kept.relayout();
        if (const std::string d = differenceOf(kept, fresh, "whole day"); !d.empty()) {
            mismatch = d;
            return;
        }
        ++checked;
    });
    thread.start();
    model.getMinuteData("600001", 1, 0);
    // The market moves while quotes are subscribed; the server sends the
    // moved tail of the day each second it moved.
    MQModel prices;
    prices.getPriceData("600001", 1);
    for (int i = 0; i < 600 && checked < 2 && mismatch.empty(); ++i)
        QTest::qWait(100);
    thread.stop();
    EXPECT_EQ("", mismatch);
    EXPECT_EQ(1, wholes) << "the first answer is the whole day";
    EXPECT_GE(checked, 2) << "continuations from the local quote server";
    EXPECT_EQ(241u, kept.getKData(0)->size());
}
