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
#include "chartbench.h"
#include "formulas/formulaservice.h"

namespace {

void BM_RelayoutTenSlots(benchmark::State& state)
{
    ensureChartApplication();
    const int n = int(state.range(0));
    std::vector<QuoteKPoint> points = syntheticBars(n, false);
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
