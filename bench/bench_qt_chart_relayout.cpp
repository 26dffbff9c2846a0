// One relayout of a chart item (every slot evaluated over all bars, then
// geometry, ranges and overlay scales) with ten formula slots, over 5,000 and
// 100,000 K-line bars. The program's frame budget is 16 ms.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "charts/fchart.h"
#include "charts/qchart.h"
#include "chartbench.h"
#include "formulas/formulaservice.h"

namespace {

// The three stock-view panes the tick benchmarks drive: ten formulas, the
// first of each pane with the K-line scales.
const std::vector<std::vector<const char*>> kPaneFormulas = {
    {"KLINE", "MA", "BOLL", "SAR", "EXPMA"}, {"VOL", "MACD"}, {"KDJ", "RSI", "WR"}};
const int kPaneHeights[] = {600, 240, 240};

// Pane i at 1920 wide with its formulas over record, 300 bars shown; item,
// when given, is attached as the pane's layer item before the data arrives.
// Given main (pane 0), the pane is bound to it as the stock view binds its
// lower panes and takes the record main hands on.
std::unique_ptr<QChart> makePane(std::size_t i, const QuoteKPoints& record, FChart* item = nullptr,
                                 QChart* main = nullptr)
{
    auto c = std::make_unique<QChart>();
    c->setSize(QSizeF(1920, kPaneHeights[i]));
    if (item) {
        item->setSize(QSizeF(1920, kPaneHeights[i]));
        c->setProperty("subFChart", QVariantList{QVariant::fromValue<QObject*>(item)});
    }
    c->setLineType("kline");
    for (const char* name : kPaneFormulas[i])
        c->appendFormula(0, name, name == kPaneFormulas[i].front() ? "KSCALES" : "", "", 0);
    if (main) {
        c->bindSyncDataSignal(main, 0);
        c->onSyncUpdateKLine(&record, 0);
    } else {
        c->onUpdateKLine(&record, 0);
    }
    c->setkShowNumber(300);
    return c;
}

// A tick as the stock view delivers it: the model's record to the main
// pane, which hands it on to the panes bound to it.
void deliver(std::vector<std::unique_ptr<QChart>>& panes, const QuoteKPoints& record)
{
    panes.front()->onUpdateKLine(&record, 0);
}

// A live push as the quote library delivers it (its incremental reply):
// count 1 and the one bar, period and code information left zero.
struct Push {
    QuoteKPoint point{};
    QuoteKPoints record{};
    explicit Push(const QuoteKPoint& p) : point(p)
    {
        record.count = 1;
        record.points = &point;
    }
};

// What a tick pushes: the last bar again with a changed close (0), the bar
// before the last corrected (1, which takes the merge), or a new day (2).
// points follows what the pushes make of the series.
Push nextPush(std::vector<QuoteKPoint>& points, int kind, float& delta)
{
    if (kind == 2) {
        QuoteKPoint p = points.back();
        p.time += 86400;
        p.close += delta;
        points.push_back(p);
        return Push(p);
    }
    QuoteKPoint& p = points[points.size() - 1 - std::size_t(kind)];
    p.close += delta;
    delta = -delta;
    return Push(p);
}

// Ten formulas in one 1200 x 600 pane over n synthetic day bars.
struct TenSlots {
    std::vector<QuoteKPoint> points;
    QuoteKPoints record{};
    QChart chart;
    explicit TenSlots(int n) : points(syntheticBars(n, false))
    {
        record.count = n;
        record.points = points.data();
        std::strncpy(record.code_info.code, "600001", sizeof record.code_info.code - 1);
        chart.setSize(QSizeF(1200, 600));
        for (const char* name : {"KLINE", "MA", "BOLL", "VOL", "MACD", "KDJ", "RSI", "WR", "BIAS", "CCI"})
            chart.appendFormula(0, name, name == std::string("KLINE") ? "KSCALES" : "", "", 0);
        chart.onUpdateKLine(&record, 0);
    }
};

void BM_RelayoutTenSlots(benchmark::State& state)
{
    ensureChartApplication();
    const int n = int(state.range(0));
    TenSlots ten(n);
    QChart& chart = ten.chart;
    if (chart.formulaLayer(0)->size() != 10 || chart.getFirstKLineSize() != n)
        state.SkipWithError("chart not set up");
    for (auto _ : state) {
        chart.relayout();
        benchmark::DoNotOptimize(chart.getCTXData(0)->geometry.range.max);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n) * 10);
}
BENCHMARK(BM_RelayoutTenSlots)->Arg(5000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A scroll: the same ten slots laid out again over a visible range of 300
// bars moved by one bar each time, back and forth over the history.
void BM_ScrollTenSlots(benchmark::State& state)
{
    ensureChartApplication();
    const int n = int(state.range(0));
    TenSlots ten(n);
    QChart& chart = ten.chart;
    int begin = n - 300, step = -1;
    for (auto _ : state) {
        if (begin + step < 0 || begin + step > n - 300)
            step = -step;
        begin += step;
        chart.updateReCalcShow(begin, begin + 299, 300, -1);
        benchmark::DoNotOptimize(chart.getCTXData(0)->geometry.range.max);
    }
}
BENCHMARK(BM_ScrollTenSlots)->Arg(5000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One live tick through the chart items: ten formulas on three panes (KLINE,
// MA, BOLL, SAR, EXPMA on the main pane; VOL, MACD, KDJ, RSI, WR below), the
// last bar's close changed and pushed as the library does (that bar alone)
// to the main pane, which hands it on to the lower panes, each pane relaid
// out; with arg 1 the 1920 x 1080 frame is painted too. Arg 2 picks what
// the push carries, as for BM_TickLayerItems below.
void BM_TickThreePanes(benchmark::State& state)
{
    ensureChartApplication();
    const int n = int(state.range(0));
    const bool paint = state.range(1) != 0;
    const int kind = int(state.range(2));
    std::vector<QuoteKPoint> points = syntheticBars(n, true);
    QuoteKPoints record = dayRecord(points, 2);
    std::vector<std::unique_ptr<QChart>> panes;
    for (std::size_t i = 0; i < kPaneFormulas.size(); ++i)
        panes.push_back(makePane(i, record, nullptr, panes.empty() ? nullptr : panes.front().get()));
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    float delta = 0.01f;
    for (auto _ : state) {
        const Push push = nextPush(points, kind, delta);
        deliver(panes, push.record);
        if (paint) {
            frame.fill(Qt::black);
            QPainter p(&frame);
            p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
            int top = 0;
            for (std::size_t i = 0; i < panes.size(); ++i) {
                QChart& c = *panes[i];
                p.save();
                p.translate(0, top);
                FChart::paintLayer(p, *c.formulaLayer(0), c.getBegin(), c.getEnd());
                c.paint(&p);
                p.restore();
                top += kPaneHeights[i];
            }
        }
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_TickThreePanes)->ArgsProduct({{5000, 100000}, {0, 1}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

// The same tick through the panes' layer items as the stock view has them:
// each pane renders its formulas into its item's cached image on relayout,
// and the 1920 x 1080 frame composes those images under the chart items'
// own painting. Arg 1 picks what the one-bar push carries: 0 the last bar
// again (the items repaint only its strip), 1 the bar before it (the merge;
// they paint whole), 2 a new day (the range moves on; they paint whole).
void BM_TickLayerItems(benchmark::State& state)
{
    ensureChartApplication();
    const int n = int(state.range(0));
    const int kind = int(state.range(1));
    std::vector<QuoteKPoint> points = syntheticBars(n, true);
    QuoteKPoints record = dayRecord(points, 2);
    std::vector<std::unique_ptr<QChart>> panes;
    std::vector<std::unique_ptr<FChart>> items;
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (std::size_t i = 0; i < kPaneFormulas.size(); ++i) {
        auto f = std::make_unique<FChart>();
        auto c = makePane(i, record, f.get(), panes.empty() ? nullptr : panes.front().get());
        QPainter p(&frame);
        f->paint(&p);  // the first paint starts the item's rendering
        panes.push_back(std::move(c));
        items.push_back(std::move(f));
    }
    float delta = 0.01f;
    double composeNs = 0;
    QElapsedTimer t;
    for (auto _ : state) {
        const Push push = nextPush(points, kind, delta);
        deliver(panes, push.record);
        t.start();
        frame.fill(Qt::black);
        QPainter p(&frame);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        int top = 0;
        for (std::size_t i = 0; i < panes.size(); ++i) {
            p.save();
            p.translate(0, top);
            panes[i]->paint(&p);
            items[i]->paint(&p);
            p.restore();
            top += kPaneHeights[i];
        }
        p.end();
        composeNs += double(t.nsecsElapsed());
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.counters["compose_ms"] = composeNs / 1e6 / double(std::max<benchmark::IterationCount>(1, state.iterations()));
    int partial = 0;
    for (auto& f : items)
        partial += f->lastBarRenders();
    state.counters["strip_renders"] = partial;
}
BENCHMARK(BM_TickLayerItems)->ArgsProduct({{5000, 100000}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

// Painting alone for a tick on the last bar, the three panes' layer images at
// 1920 x 1080 (ten formulas): arg 1 = 0 repaints only the last bar's strip
// over each held image, 1 paints each image whole as before.
void BM_LayerImagesLastBar(benchmark::State& state)
{
    ensureChartApplication();
    const int n = int(state.range(0));
    const bool whole = state.range(1) != 0;
    std::vector<QuoteKPoint> points = syntheticBars(n, true);
    QuoteKPoints record = dayRecord(points);
    std::vector<std::unique_ptr<QChart>> panes;
    std::vector<QImage> images;
    for (std::size_t i = 0; i < kPaneFormulas.size(); ++i) {
        auto c = makePane(i, record);
        images.emplace_back(1920, kPaneHeights[i], FChart::kImageFormat);
        images.back().fill(0);
        QPainter p(&images.back());
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        FChart::paintLayer(p, *c->formulaLayer(0), c->getBegin(), c->getEnd());
        panes.push_back(std::move(c));
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < panes.size(); ++i) {
            const QChart& c = *panes[i];
            if (whole)
                images[i].fill(0);
            QPainter p(&images[i]);
            p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
            if (whole)
                FChart::paintLayer(p, *c.formulaLayer(0), c.getBegin(), c.getEnd());
            else
                FChart::repaintLastBar(p, *c.formulaLayer(0), c.getBegin(), c.getEnd());
        }
        benchmark::DoNotOptimize(images.front().constBits());
    }
}
BENCHMARK(BM_LayerImagesLastBar)
    ->Args({5000, 0})
    ->Args({5000, 1})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
