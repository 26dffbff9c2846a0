// The layer item's last-bar repaint: a tick that changes only the last
// visible bar repaints the strip that bar touches over the cached image, and
// the image equals a whole paint; anything else paints whole.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <vector>

#include "../../../formula/tests/fmltestprogram.h"
#include "chartfixtures.h"
#include "charts/fchart.h"

namespace {

struct Pane {
    QChart chart;
    FChart layer;
    std::vector<QuoteKPoint> points;
    QuoteKPoints record{};

    Pane(std::initializer_list<const char*> formulas, int bars)
    {
        ensureStandardCatalogue();
        chart.setSize(QSizeF(900, 300));
        chart.setLineType("kline");
        for (const char* f : formulas)
            chart.appendFormula(0, f, f == *formulas.begin() ? "KSCALES" : "", "", 0);
        layer.setSize(QSizeF(900, 300));
        chart.setProperty("subFChart", QVariantList{QVariant::fromValue<QObject*>(&layer)});
        points.resize(std::size_t(bars));
        for (int i = 0; i < bars; ++i) {
            QuoteKPoint& p = points[std::size_t(i)];
            const float c = 20.0f + 3.0f * std::sin(float(i) * 0.05f) + 0.2f * float(i % 7);
            p.time = 1767225600LL + int64_t(i) * 86400;
            p.close = c;
            p.open = c - 0.1f + 0.2f * float(i % 2);
            p.high = c + 0.4f;
            p.low = c - 0.5f;
            p.volume = 100000 + i % 13 * 3000;
            p.amount = p.volume * 20;
        }
        record.count = bars;
        record.period = 33;
        record.points = points.data();
        std::strncpy(record.code_info.code, "600001", sizeof record.code_info.code - 1);
        record.code_info.decimal = 2;
        chart.onUpdateKLine(&record, 0);
        chart.setkShowNumber(120);
        QImage sink(1, 1, QImage::Format_ARGB32);
        QPainter p(&sink);
        layer.paint(&p);  // the first paint starts the item's rendering
    }
    void tick() { chart.onSyncUpdateKLine(&record, 0); }
};

// Pixels where the item's image differs from a whole paint of the layer now.
int differingPixels(Pane& pane)
{
    const QImage* cached = pane.layer.cachedImage();
    if (!cached)
        return -1;
    QImage whole(cached->size(), cached->format());
    whole.fill(0);
    {
        QPainter p(&whole);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        FChart::paintLayer(p, *pane.chart.formulaLayer(0), pane.chart.getBegin(), pane.chart.getEnd());
    }
    int n = 0;
    for (int y = 0; y < whole.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(cached->constScanLine(y));
        for (int x = 0; x < whole.width(); ++x)
            n += a[x] != b[x];
    }
    return n;
}

TEST(FChartLastBar, TickOnLastBarRepaintsItsStripAndEqualsWholePaint)
{
    for (auto formulas :
         {std::initializer_list<const char*>{"KLINE", "MA", "BOLL", "SAR", "EXPMA"},
          std::initializer_list<const char*>{"VOL", "MACD"}, std::initializer_list<const char*>{"KDJ", "RSI", "WR"}}) {
        Pane pane(formulas, 400);
        const std::string name = *formulas.begin();
        ASSERT_EQ(pane.chart.getEnd(), 399) << name;
        ASSERT_EQ(differingPixels(pane), 0) << name;
        const int before = pane.layer.lastBarRenders();
        // Small moves of the last close (inside the visible range) and of its volume.
        int partial = 0;
        for (float d : {0.05f, -0.1f, 0.03f, 0.02f}) {
            pane.points.back().close += d;
            pane.points.back().volume += 1000;
            const QImage old = *pane.layer.cachedImage();
            pane.tick();
            partial = pane.layer.lastBarRenders() - before;
            EXPECT_EQ(differingPixels(pane), 0) << name << " after moving the last close by " << d;
            EXPECT_NE(old, *pane.layer.cachedImage()) << name << ": the tick changed nothing on screen";
        }
        EXPECT_GE(partial, 2) << name << ": last-bar ticks should repaint only the last bar's strip";
    }
}

TEST(FChartLastBar, OlderBarsScrollZoomRangeAndFormulasPaintWhole)
{
    Pane pane({"KLINE", "MA", "BOLL"}, 400);
    auto expectWhole = [&](const char* what, auto action) {
        const int before = pane.layer.lastBarRenders();
        action();
        EXPECT_EQ(pane.layer.lastBarRenders(), before) << what << " must repaint the whole image";
        EXPECT_EQ(differingPixels(pane), 0) << what;
    };
    expectWhole("a change of an older bar", [&] {
        pane.points[395].close += 0.3f;
        pane.tick();
    });
    expectWhole("a change of scale", [&] {
        pane.points.back().close += 50.0f;  // a new extreme
        pane.tick();
    });
    pane.points.back().close -= 50.0f;
    pane.tick();
    expectWhole("a zoom", [&] { pane.chart.setkShowNumber(80); });
    expectWhole("a scroll", [&] {
        QChart& c = pane.chart;
        c.updateReCalcShow(c.getBegin() - 1, c.getEnd() - 1, c.getkShowNumber(), c.getEnd() - 1);
    });
    expectWhole("a formula added", [&] { pane.chart.appendFormula(0, "EXPMA", "", "", 0); });
    expectWhole("a resize", [&] { pane.layer.setSize(QSizeF(700, 300)); });
    // Scrolled back, a tick on the newest bar leaves the view as it was.
    pane.points.back().close += 0.01f;
    pane.tick();
    EXPECT_EQ(differingPixels(pane), 0) << "a tick off screen";
}

TEST(FChartLastBar, LayersWithTextAlwaysPaintWhole)
{
    Pane pane({"KLINE", "MA"}, 50);
    EXPECT_FALSE(FChart::lastBarKey(*pane.chart.formulaLayer(0), pane.chart.getBegin(), pane.chart.getEnd()).empty());
    CTXLayer none;
    EXPECT_TRUE(FChart::lastBarKey(none, 0, 10).empty());

    // A text mark may be wider than a bar: such a layer has no key.
    TestProgram p;
    p.setSeries("A", {40, 30, 35});
    p.setSeries("Z", {0, 1, 1});
    p.name("A").output(FML_DRAW_DATA, "L").drop();
    p.name("Z").name("Z").str("买").output(FML_DRAW_TEXT, "T").drop();
    ASSERT_EQ(1, p.run(3));
    CTXLayer text;
    text.push_back(std::make_unique<CTXData>());
    text[0]->context = p.ctx();
    text[0]->geometry.plot = QRect(0, 0, 100, 100);
    text[0]->geometry.range.max = 100.0f;
    text[0]->geometry.range.min = 0.0f;
    EXPECT_TRUE(FChart::lastBarKey(text, 0, 2).empty());
}

}  // namespace
