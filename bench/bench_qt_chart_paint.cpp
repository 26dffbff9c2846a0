// One frame of a 1920 x 1080 chart view: three panes (K-lines with the MA
// lines, VOL, MACD; or ten formulas: K-lines, MA, BOLL, SAR, EXPMA / VOL,
// MACD / KDJ, RSI, WR), 300 bars in view out of 5,000, each pane relaid out
// and its outputs, scale and crosshair painted. Target: under 4 ms a frame.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "charts/fchart.h"
#include "charts/qchart.h"
#include "chartbench.h"
#include "formulas/formulaservice.h"

namespace {

const int kPaneHeights[] = {600, 240, 240};

const std::vector<std::vector<const char*>> kFourFormulas = {{"KLINE", "MA"}, {"VOL"}, {"MACD"}};
const std::vector<std::vector<const char*>> kTenFormulas = {
    {"KLINE", "MA", "BOLL", "SAR", "EXPMA"}, {"VOL", "MACD"}, {"KDJ", "RSI", "WR"}};

// Pane i of the stock view at 1920 wide over record, 300 bars shown, with
// the formulas of pane i of set (the first one carries the scale).
std::unique_ptr<QChart> makePane(int i, const QuoteKPoints& record,
                                 const std::vector<std::vector<const char*>>& set = kFourFormulas)
{
    auto c = std::make_unique<QChart>();
    c->setSize(QSizeF(1920, kPaneHeights[i]));
    c->setLineType("kline");
    for (const char* name : set[std::size_t(i)]) {
        const bool first = name == set[std::size_t(i)].front();
        c->appendFormula(0, name, first ? "KSCALES" : "", first ? "KCROSSHAIR" : "", 0);
    }
    c->onUpdateKLine(&record, 0);
    c->setkShowNumber(300);
    return c;
}

void BM_PaintThreePaneFrame(benchmark::State& state)
{
    ensureChartApplication();
    const int n = 5000;
    std::vector<QuoteKPoint> points = syntheticBars(n, true);
    QuoteKPoints record = dayRecord(points, 2);

    struct Pane {
        std::unique_ptr<QChart> chart;
        int top;
    };
    std::vector<Pane> panes;
    int top = 0;
    for (int i = 0; i < 3; ++i) {
        auto c = makePane(i, record, state.range(0) ? kTenFormulas : kFourFormulas);
        c->setShowCrosshairLine(true);
        c->updateMousePoint(c.get(), 960, kPaneHeights[i] / 2);
        panes.push_back({std::move(c), top});
        top += kPaneHeights[i];
    }
    if (panes[0].chart->getEnd() - panes[0].chart->getBegin() + 1 != 300)
        state.SkipWithError("range not set up");
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p;
        beginFrame(p, frame);
        for (Pane& pane : panes) {
            QChart& c = *pane.chart;
            p.save();
            p.translate(0, pane.top);
            paintPane(p, c);
            p.restore();
        }
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
// Arg 0: four formulas, 1: ten.
BENCHMARK(BM_PaintThreePaneFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The layer items' own images: the same three panes' outputs painted into
// 1920 x (600, 240, 240) images as FChart renders them, in the format given
// (even args: ARGB32, odd: ARGB32 premultiplied); args 0 and 1 then draw
// each image on the frame, args 2 and 3 only paint the images.
void BM_LayerImages(benchmark::State& state)
{
    ensureChartApplication();
    const int n = 5000;
    std::vector<QuoteKPoint> points = syntheticBars(n, true);
    QuoteKPoints record = dayRecord(points, 2);
    const QImage::Format format = (state.range(0) & 1) ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32;
    const bool compose = state.range(0) < 2;
    std::vector<std::unique_ptr<QChart>> charts;
    std::vector<QImage> images;
    for (int i = 0; i < 3; ++i) {
        auto c = makePane(i, record);
        c->relayout();
        charts.push_back(std::move(c));
        images.emplace_back(1920, kPaneHeights[i], format);
    }
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (std::size_t i = 0; i < charts.size(); ++i) {
            QChart& c = *charts[i];
            images[i].fill(0);
            QPainter p(&images[i]);
            p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
            FChart::paintLayer(p, *c.formulaLayer(0), c.getBegin(), c.getEnd());
        }
        if (!compose)
            continue;
        QPainter f(&frame);
        int top = 0;
        for (std::size_t i = 0; i < images.size(); ++i) {
            f.drawImage(QPointF(0, top), images[i]);
            top += kPaneHeights[i];
        }
        f.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_LayerImages)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A day's 241 minute points about a previous close of 10, two decimals.
struct MinuteDay {
    std::vector<QuoteMinPoint> points;
    QuoteMinPoints record{};
    MinuteDay()
    {
        for (int i = 0; i < 241; ++i) {
            QuoteMinPoint m{};
            m.time = 1767260000LL + 60 * i;
            m.price = 10.0f + 0.3f * std::sin(i * 0.05f);
            m.avg_price = 10.0f + 0.1f * std::sin(i * 0.03f);
            m.volume = 100 * (i % 17 + 1);
            m.amount = m.volume * m.price;
            points.push_back(m);
        }
        record.price = 10.0f;
        record.count = int(points.size());
        record.points = points.data();
        std::strncpy(record.code_info.code, "600001", sizeof record.code_info.code - 1);
        record.code_info.decimal = 2;
    }
};

}  // namespace

// What a mouse move repaints: the K-line pane item itself (scale, crosshair,
// value boxes) over a 1920 x 600 image; its layer images stay as they are.
void BM_CrosshairMove(benchmark::State& state)
{
    ensureChartApplication();
    std::vector<QuoteKPoint> points = syntheticBars(5000, true);
    QuoteKPoints record = dayRecord(points, 2);
    std::unique_ptr<QChart> c = makePane(0, record);
    c->setShowCrosshairLine(true);
    QImage frame(1920, kPaneHeights[0], QImage::Format_ARGB32_Premultiplied);
    int k = 0;
    for (auto _ : state) {
        c->updateMousePoint(c.get(), 100 + (k * 37) % 1700, 40 + (k * 13) % 500);
        ++k;
        QPainter p;
        beginFrame(p, frame);
        c->paint(&p);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_CrosshairMove)->Unit(benchmark::kMicrosecond);

// One minute chart frame at 1920 x 800: the price and average lines, the
// minute scale's dotted grid and labels, the crosshair.
void BM_MinuteFrame(benchmark::State& state)
{
    ensureChartApplication();
    MinuteDay day;
    QChart c;
    c.setSize(QSizeF(1920, 800));
    c.setLineType("mline");
    c.appendFormula(0, "MLINE", "MSCALES", "MCROSSHAIR", 0);
    c.onUpdateMinute(&day.record, 0);
    c.setShowCrosshairLine(true);
    c.updateMousePoint(&c, 960, 400);
    QImage frame(1920, 800, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p;
        beginFrame(p, frame);
        paintPane(p, c);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_MinuteFrame)->Unit(benchmark::kMicrosecond);
