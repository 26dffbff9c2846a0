// One frame of a 1920 x 1080 chart view: three panes (K-lines with the MA
// lines, VOL, MACD), 300 bars in view out of 5,000, each pane relaid out and
// its outputs, scale and crosshair painted. Target: under 8 ms per frame.

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
#include "formulas/formulaservice.h"

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "bench_qt_chart_paint";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    auto& service = formula::FormulaService::instance();
    if (!service.find("KLINE"))
        formula::registerStandardFormulas(service);
}

std::vector<QuoteKPoint> syntheticBars(int n)
{
    std::vector<QuoteKPoint> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        QuoteKPoint& p = v[std::size_t(i)];
        const float c = 20.0f + 3.0f * std::sin(float(i) * 0.013f) + 0.2f * float(i % 9);
        p.time = 946684800LL + int64_t(i) * 86400;
        p.close = c;
        p.open = c - 0.1f + 0.2f * float(i % 2);
        p.high = c + 0.4f;
        p.low = c - 0.5f;
        p.volume = 100000 + i % 50 * 1000;
        p.amount = p.volume * 20;
    }
    return v;
}

void BM_PaintThreePaneFrame(benchmark::State& state)
{
    ensureApplication();
    const int n = 5000;
    std::vector<QuoteKPoint> points = syntheticBars(n);
    QuoteKPoints record{};
    record.count = n;
    record.period = 33;
    record.points = points.data();
    std::strncpy(record.code_info.code, "600001", sizeof record.code_info.code - 1);
    record.code_info.decimal = 2;

    struct Pane {
        std::unique_ptr<QChart> chart;
        int top;
    };
    std::vector<Pane> panes;
    const int heights[] = {600, 240, 240};
    int top = 0;
    for (int i = 0; i < 3; ++i) {
        auto c = std::make_unique<QChart>();
        c->setSize(QSizeF(1920, heights[i]));
        c->setLineType("kline");
        if (i == 0) {
            c->appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
            c->appendFormula(0, "MA", "", "", 0);
        } else {
            c->appendFormula(0, i == 1 ? "VOL" : "MACD", "KSCALES", "KCROSSHAIR", 0);
        }
        c->onUpdateKLine(&record, 0);
        c->setkShowNumber(300);
        c->setShowCrosshairLine(true);
        c->updateMousePoint(c.get(), 960, heights[i] / 2);
        panes.push_back({std::move(c), top});
        top += heights[i];
    }
    if (panes[0].chart->getEnd() - panes[0].chart->getBegin() + 1 != 300)
        state.SkipWithError("range not set up");
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        frame.fill(Qt::black);
        QPainter p(&frame);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        for (Pane& pane : panes) {
            QChart& c = *pane.chart;
            c.relayout();
            p.save();
            p.translate(0, pane.top);
            FChart::paintLayer(p, *c.formulaLayer(0), c.getBegin(), c.getEnd());
            c.paint(&p);
            p.restore();
        }
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_PaintThreePaneFrame)->Unit(benchmark::kMillisecond);

}  // namespace
