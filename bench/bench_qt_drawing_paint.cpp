// One frame of a 1920 x 600 K-line pane over 5,000 bars (300 in view), plain
// and carrying 50 drawing tools of eleven kinds drawn through the chart's
// mouse slots. The tools go into one off-screen image blitted over the plot.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cstring>
#include <memory>
#include <vector>

#include "charts/cpaintboard.h"
#include "charts/paintfan.h"
#include "charts/paintfibonacci.h"
#include "charts/paintratioline.h"
#include "charts/paintregression.h"
#include "charts/paintsegment.h"
#include "charts/paintshapes.h"
#include "charts/paintvelmora.h"
#include "charts/fchart.h"
#include "charts/qchart.h"
#include "chartbench.h"

namespace {

struct Pane {
    std::vector<QuoteKPoint> points;
    QuoteKPoints record{};
    QChart chart;

    explicit Pane(int tools)
    {
        ensureChartApplication();
        points = syntheticBars(5000, true);
        record.count = int32_t(points.size());
        record.period = 33;
        record.points = points.data();
        std::strncpy(record.code_info.code, "600001", sizeof record.code_info.code - 1);
        record.code_info.decimal = 2;
        chart.setSize(QSizeF(1920, 600));
        chart.setLineType("kline");
        chart.appendFormula(0, "KLINE", "KSCALES", "KCROSSHAIR", 0);
        chart.appendFormula(0, "MA", "", "", 0);
        chart.onUpdateKLine(&record, 0);
        chart.setkShowNumber(300);
        chart.setPaintBoardActive(true);
        const char* kinds[] = {"CPaintSegment",           "CPaintLine",       "CPaintGannLine",
                               "CPaintGoldenSplit",       "CPaintPercentage", "CPaintLinerRegressionBand",
                               "CPaintRegressionChannel", "CPaintRect",       "CPaintEllipse",
                               "CPaintFibonacci",         "CPaintVelmora"};
        const QRect plot = chart.getCTXData(0)->geometry.plot;
        for (int i = 0; i < tools; ++i) {
            chart.setPaintBoardQChart(kinds[i % 11]);
            const int x = plot.left() + 20 + (i * 37) % (plot.width() - 200);
            const int y = plot.top() + 30 + (i * 53) % (plot.height() - 120);
            chart.onLButtonDown(0, x, y);
            chart.onMousePaintBoard(Qt::LeftButton, x + 60 + i % 5 * 20, y + 40 + i % 3 * 15);
            chart.onLButtonUp(0, x + 60 + i % 5 * 20, y + 40 + i % 3 * 15);
        }
    }
};

void paintFrame(benchmark::State& state, int tools)
{
    Pane pane(tools);
    if (int(pane.chart.paintBoard()->tools().size()) != tools)
        state.SkipWithError("tools not drawn");
    QImage frame(1920, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p;
        beginFrame(p, frame);
        paintPane(p, pane.chart);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}

void BM_PlainKLineFrame(benchmark::State& state)
{
    paintFrame(state, 0);
}
void BM_KLineFrameWith50Tools(benchmark::State& state)
{
    paintFrame(state, 50);
}
BENCHMARK(BM_PlainKLineFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KLineFrameWith50Tools)->Unit(benchmark::kMillisecond);

}  // namespace
