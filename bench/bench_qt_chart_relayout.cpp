// One relayout of a chart item (every slot evaluated over all bars, then
// geometry, ranges and overlay scales) with ten formula slots, over 5,000 and
// 100,000 K-line bars. The program's frame budget is 16 ms.

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "charts/qchart.h"
#include "formulas/formulaservice.h"

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "bench_qt_chart_relayout";
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
        p.open = c - 0.1f;
        p.high = c + 0.4f;
        p.low = c - 0.5f;
        p.volume = 100000 + i % 50 * 1000;
        p.amount = p.volume * 20;
    }
    return v;
}

void BM_RelayoutTenSlots(benchmark::State& state)
{
    ensureApplication();
    const int n = int(state.range(0));
    std::vector<QuoteKPoint> points = syntheticBars(n);
    QuoteKPoints record{};
    record.count = n;
    record.points = points.data();
    std::strncpy(record.code_info.code, "600001", sizeof record.code_info.code - 1);

    QChart chart;
    chart.setSize(QSizeF(1200, 600));
    for (const char* name : {"KLINE", "MA", "BOLL", "VOL", "MACD", "KDJ", "RSI", "WR", "BIAS", "CCI"})
        chart.appendFormula(0, name, name == std::string("KLINE") ? "KSCALES" : "", "", 0);
    chart.onUpdateKLine(&record, 0);
    if (chart.formulaLayer(0)->size() != 10 || chart.getFirstKLineSize() != n)
        state.SkipWithError("chart not set up");
    for (auto _ : state) {
        chart.relayout();
        benchmark::DoNotOptimize(chart.getCTXData(0)->geometry.range.max);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n) * 10);
}
BENCHMARK(BM_RelayoutTenSlots)->Arg(5000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
