// What the GUI thread pays per real-time push of a 5,000-row quote table: the
// table model rebuilds its rows and the four column proxies of a table view
// (fixed and scrolling cells and headers) follow the model reset. Measured
// with every row changed (worst case) and with one row in ten changed.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <vector>

#include "benchapplication.h"
#include "models/qtablemodelproxy.h"
#include "models/tablemodel.h"

namespace {

QApplication* application()
{
    return benchApplication<QApplication>("bench_qt_table_push");
}

constexpr int kRows = 5000;

std::vector<QuoteRealTimeMarket> records()
{
    std::vector<QuoteRealTimeMarket> v(kRows);
    for (int i = 0; i < kRows; ++i) {
        QuoteRealTimeMarket& r = v[size_t(i)];
        std::memset(&r, 0, sizeof r);
        std::snprintf(r.code_info.code, sizeof r.code_info.code, "%06d", 600000 + i);
        std::snprintf(r.code_info.name, sizeof r.code_info.name, "股票%d", i);
        r.code_info.market = 1;
        r.code_info.decimal = 2;
        r.code_info.type = 2;
        r.pre_close = 10.0f + i % 50;
        r.close = r.pre_close * 1.01f;
        r.open = r.high = r.low = r.pre_close;
        r.vol = 1000000 + i;
        r.cur_vol = 100 + i;
        r.sum = 1.0e8 + i;
        r.rf_rate = 0.01f;
        r.rf_value = r.pre_close * 0.01f;
        r.vol_rate = 1.2f;
        r.swap = 0.02f;
        r.amplitude = 0.03f;
        r.committee = 0.1f;
        r.red_vol = 400000;
        r.green_vol = 600000;
    }
    return v;
}

struct Table {
    TableModel model;
    QTableModelProxy left, right, leftHead, rightHead;
    Table()
    {
        model.initHeader(0);
        model.setFixedColumn(2);
        for (QTableModelProxy* p : {&left, &right, &leftHead, &rightHead})
            p->setSourceModel(&model);
        left.setEndColumn(1);
        leftHead.setEndColumn(1);
        leftHead.setStyle(1);
        right.setStartColumn(2);
        right.setEndColumn(22);
        rightHead.setStartColumn(2);
        rightHead.setEndColumn(22);
        rightHead.setStyle(1);
    }
    // What the views read after a reset: the row counts and one visible page.
    void read()
    {
        benchmark::DoNotOptimize(left.rowCount() + right.rowCount() + leftHead.rowCount() + rightHead.rowCount());
        for (int r = 0; r < 30; ++r)
            benchmark::DoNotOptimize(right.data(right.index(r, 3), 0));
    }
};

void push(benchmark::State& state, int every)
{
    application();
    Table t;
    std::vector<QuoteRealTimeMarket> recs = records();
    QuoteReply reply{0, QUOTE_REPLY_REALTIME, t.model.context(), kRows, recs.data()};
    t.model.onQuotePeroidRealTime(&reply);
    int tick = 0;
    for (auto _ : state) {
        ++tick;
        for (int i = tick % every; i < kRows; i += every)
            recs[size_t(i)].close += 0.01f;
        t.model.onQuotePeroidRealTime(&reply);
        t.read();
    }
    state.counters["rows"] = t.model.rowCount();
}

void BM_PushAllRowsChanged(benchmark::State& state)
{
    push(state, 1);
}
void BM_PushOneRowInTenChanged(benchmark::State& state)
{
    push(state, 10);
}

}  // namespace

BENCHMARK(BM_PushAllRowsChanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PushOneRowInTenChanged)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
