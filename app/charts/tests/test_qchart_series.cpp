// The series the chart item supplies to the formula engine, DYNAINFO, and
// the layout of ranges and bar geometry after evaluation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "chartfixtures.h"
#include "charts/qchart.h"

namespace {

struct Probe {
    QChart chart;
    FormulaContext* ctx = fml_ctx_create(chart.vm());
    std::vector<ChartBar> bars;
    CTXData slot;
    int serial = 0;

    Probe()
    {
        // Three bars: closes 10, 11, 12; other fields distinct per bar.
        for (int i = 0; i < 3; ++i) {
            ChartBar b;
            b.date = 1260101u + uint32_t(i);
            b.time = 1767225600 + 86400 * i;
            b.open = 9.5f + float(i);
            b.high = 11.0f + float(i);
            b.low = 9.0f + float(i);
            b.close = 10.0f + float(i);
            b.amount = 5000.0f + float(i);
            b.volume = 100.0f + float(i);
            b.preClose = i == 0 ? 10.0f : 9.0f + float(i);
            b.avgPrice = 10.2f + float(i);
            b.extra = 0.5f;
            bars.push_back(b);
        }
        slot.bars = &bars;
        slot.context = ctx;
        std::strcpy(slot.codeInfo.code, "600001SH");
    }
    ~Probe() { fml_ctx_release(ctx); }

    // Asks for name; the values handed over, and whether the argument is a literal.
    bool ask(const char* name, std::vector<float>& out, bool& isLiteral)
    {
        FormulaArgument* arg = fml_get_argument(ctx, ("probe" + std::to_string(serial++)).c_str());
        if (!PaneFormulas::provideSeries(&slot, ctx, arg, name))
            return false;
        const float* p = fml_argument_data_number(arg);
        out.assign(p, p + fml_argument_data_size(arg));
        isLiteral = fml_argument_data_literal(arg) != 0;
        return true;
    }
};

}  // namespace

TEST(QChartSeries, EveryChartName)
{
    Probe p;
    const float inv = FMLInvalidValue;
    struct Case {
        const char* name;
        bool literal;
        std::vector<float> expected;
    } cases[] = {
        {"PERIOD", true, {5.0f}},
        {"TOTALFZNUM", true, {240.0f}},
        {"FROMOPEN", true, {240.0f}},
        {"DRAWNULL", true, {inv}},
        {"C", false, {10.0f, 11.0f, 12.0f}},
        {"H", false, {11.0f, 12.0f, 13.0f}},
        {"L", false, {9.0f, 10.0f, 11.0f}},
        {"O", false, {9.5f, 10.5f, 11.5f}},
        {"V", false, {100.0f, 101.0f, 102.0f}},
        {"AMO", false, {5000.0f, 5001.0f, 5002.0f}},
        {"AMT", false, {5000.0f, 5001.0f, 5002.0f}},
        {"ISLASTBAR", false, {0.0f, 0.0f, 1.0f}},
        {"BARSTATUS", false, {1.0f, 0.0f, 2.0f}},
        {"CURRBARSCOUNT", false, {3.0f, 2.0f, 1.0f}},
        {"DATE", false, {1260101.0f, 1260102.0f, 1260103.0f}},
        {"ZSTJJ", false, {10.2f, 11.2f, 12.2f}},
    };
    for (const Case& c : cases) {
        std::vector<float> got;
        bool literal = false;
        ASSERT_TRUE(p.ask(c.name, got, literal)) << c.name;
        EXPECT_EQ(c.literal, literal) << c.name;
        ASSERT_EQ(c.expected.size(), got.size()) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(c.expected[i], got[i]) << c.name << " [" << i << "]";
    }

    // TIMESTAMP: the words' bits, not their values.
    std::vector<float> ts;
    bool literal = true;
    ASSERT_TRUE(p.ask("TIMESTAMP", ts, literal));
    ASSERT_EQ(3u, ts.size());
    for (int i = 0; i < 3; ++i) {
        int32_t back;
        std::memcpy(&back, &ts[std::size_t(i)], sizeof back);
        EXPECT_EQ(1767225600 + 86400 * i, back);
        EXPECT_NE(float(1767225600 + 86400 * i), ts[std::size_t(i)]);
    }

    // CODE: the first six characters as text.
    FormulaArgument* code = fml_get_argument(p.ctx, "code");
    ASSERT_TRUE(PaneFormulas::provideSeries(&p.slot, p.ctx, code, "CODE"));
    EXPECT_STREQ("600001", fml_argument_data_string(code));

    // Names are exact; unknown names fail the step.
    std::vector<float> none;
    EXPECT_FALSE(p.ask("c", none, literal));
    EXPECT_FALSE(p.ask("OPEN", none, literal));
    EXPECT_FALSE(p.ask("", none, literal));
}

TEST(QChartSeries, OneBarAndNoBars)
{
    Probe p;
    p.bars.resize(1);
    std::vector<float> got;
    bool literal;
    ASSERT_TRUE(p.ask("BARSTATUS", got, literal));
    EXPECT_EQ(std::vector<float>{1.0f}, got);
    ASSERT_TRUE(p.ask("ISLASTBAR", got, literal));
    EXPECT_EQ(std::vector<float>{1.0f}, got);
    p.slot.bars = nullptr;  // a slot without a layer knows no series
    EXPECT_FALSE(p.ask("C", got, literal));
}

// A bar-count series handed back over as many bars is left as it is; over
// another count it is written whole.
TEST(QChartSeries, BarCountSeriesHandedBackStayOverAsManyBars)
{
    Probe p;
    for (const char* name : {"CURRBARSCOUNT", "ISLASTBAR", "BARSTATUS"}) {
        FormulaArgument* arg = fml_get_argument(p.ctx, name);
        p.bars.resize(3);
        ASSERT_TRUE(PaneFormulas::provideSeries(&p.slot, p.ctx, arg, name));
        fml_argument_data_number(arg)[1] = 99.0f;  // shows whether bar 1 is written again
        ASSERT_TRUE(PaneFormulas::provideSeries(&p.slot, p.ctx, arg, name));
        EXPECT_EQ(99.0f, fml_argument_data_number(arg)[1]) << name;
        p.bars.resize(2);
        ASSERT_TRUE(PaneFormulas::provideSeries(&p.slot, p.ctx, arg, name));
        const float* v = fml_argument_data_number(arg);
        EXPECT_EQ(std::string(name) == "CURRBARSCOUNT" ? (std::vector<float>{2.0f, 1.0f})
                  : std::string(name) == "ISLASTBAR"   ? (std::vector<float>{0.0f, 1.0f})
                                                       : (std::vector<float>{1.0f, 2.0f}),
                  std::vector<float>(v, v + fml_argument_data_size(arg)))
            << name;
    }
}

TEST(QChartSeries, Dynainfo)
{
    Probe p;
    FormulaArgument* result = fml_get_argument(p.ctx, "result");
    FormulaArgument* code = fml_get_argument(p.ctx, "code");
    FormulaArgument* args[] = {result, code};
    std::vector<ChartBar>* current = &p.bars;
    auto call = [&](float c) {
        fml_argument_literal(code, 1);
        fml_argument_data(code, 1)[0] = c;
        return PaneFormulas::dynaInfo(&current, p.chart.vm(), p.ctx, "DYNAINFO", args, 2);
    };
    ASSERT_EQ(1, call(3.0f));
    EXPECT_FLOAT_EQ(10.0f, fml_argument_data_number(result)[0]);  // first bar's previous close
    EXPECT_EQ(1, fml_argument_data_size(result));
    ASSERT_EQ(1, call(11.0f));
    EXPECT_FLOAT_EQ(12.2f, fml_argument_data_number(result)[0]);  // last bar's average
    EXPECT_EQ(0, call(4.0f));
    current = nullptr;
    EXPECT_EQ(0, call(3.0f));
    std::vector<ChartBar> empty;
    current = &empty;
    EXPECT_EQ(0, call(3.0f));
}

// K-line and minute panes over hand-made records: ranges, padding, bar
// geometry and the time stamps handed back through "_TS".
TEST(QChartLayout, KLinePaneRangeAndGeometry)
{
    QChart c;
    setUpKLinePane(c, 1);  // layer rectangle 60, 20, 680 x 379
    KRecord k({{0, 10.0f}, {1, 12.0f}, {2, 11.0f}, {3, 15.0f}});
    c.onUpdateKLine(k.get(), 0);

    EXPECT_EQ(0, c.visibleBegin());
    EXPECT_EQ(3, c.visibleEnd());
    EXPECT_EQ(3, c.crosshairPos());
    const CTXData* s = c.getCTXData(0);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(QRect(60, 20, 680, 379), s->geometry.plot);
    EXPECT_EQ(QRect(60, 20, 680, 379), s->layerRect);
    EXPECT_FLOAT_EQ((680.0f - 120.0f) / 120.0f, s->geometry.barWidth);
    EXPECT_FLOAT_EQ(1.0f, s->geometry.barGap);
    // Highs 11..16 and lows 9..14: 7 units over 379 px, 10 px = 70 / 379 units.
    ASSERT_TRUE(s->geometry.hasRange());
    EXPECT_NEAR(16.0 + 70.0 / 379.0, s->geometry.max(), 1e-4);
    EXPECT_NEAR(9.0 - 70.0 / 379.0, s->geometry.min(), 1e-4);

    FormulaArgument* ts = fml_get_argument(s->context, "_TS");
    ASSERT_EQ(4, fml_argument_data_size(ts));
    int32_t t3;
    std::memcpy(&t3, fml_argument_data_number(ts) + 3, sizeof t3);
    EXPECT_EQ(1767225600 + 3 * 86400, t3);
    EXPECT_STREQ("600001", s->codeInfo.code);
    EXPECT_EQ(2, c.getDecimal());

    // kShowNumber 0: the width follows the visible count (4 bars: 169 capped at 85 - 1).
    c.setShowNumberValue(0);
    c.relayout();
    EXPECT_FLOAT_EQ(84.0f, s->geometry.barWidth);
    c.setShowNumberValue(800);
    c.setSize(QSizeF(720, 400));  // 600 px for 800 bars
    EXPECT_FLOAT_EQ(0.75f, s->geometry.barWidth);
    EXPECT_FLOAT_EQ(0.0f, s->geometry.barGap);

    // Narrower than the margins: nothing is laid out.
    c.setSize(QSizeF(100, 400));
    EXPECT_FALSE(s->geometry.hasRange());
    EXPECT_FLOAT_EQ(0.0f, s->geometry.barWidth);
}

TEST(QChartLayout, MinutePaneIsSymmetricAboutThePreviousClose)
{
    ensureStandardCatalogue();
    QChart c;
    c.setSize(QSizeF(800, 400));
    c.setLineType("mline");
    c.appendFormula(0, "MLINE", "MSCALES", "MCROSSHAIR", 0);
    MinuteRecord m({10.2f, 9.9f, 10.1f}, 10.0f);
    c.onUpdateMinute(m.get(), 0);
    const CTXData* s = c.getCTXData(0);
    ASSERT_TRUE(s->geometry.hasRange());
    EXPECT_NEAR(10.2, s->geometry.max(), 1e-5);
    EXPECT_NEAR(9.8, s->geometry.min(), 1e-5);
    EXPECT_EQ(2, c.visibleEnd());
    EXPECT_EQ(2, c.crosshairPos());

    MinuteRecord flat({10.0f, 10.0f, 10.0f, 10.0f}, 10.0f);  // replaces the day
    c.onUpdateMinute(flat.get(), 0);
    EXPECT_EQ(4, c.getFirstKLineSize());
    EXPECT_NEAR(10.1, s->geometry.max(), 1e-5);
    EXPECT_NEAR(9.9, s->geometry.min(), 1e-5);
}

TEST(QChartLayout, FailingLayerStopsTheRunsAfterIt)
{
    QChart c;
    setUpKLinePane(c, 2);
    KRecord base({{0, 10.0f}, {1, 11.0f}});
    c.onUpdateKLine(base.get(), 0);
    // Layer 1 has no bars: its slot never ran and has no range.
    EXPECT_EQ(1, c.getKLineCount());
    EXPECT_FALSE((*c.formulaLayer(1))[0]->geometry.hasRange());
    EXPECT_TRUE(c.getCTXData(0)->geometry.hasRange());
}
