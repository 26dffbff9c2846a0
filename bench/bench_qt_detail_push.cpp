// What the GUI thread pays for one tick-detail push: 50 trades merged into a
// day of 5,000 rows (QDetailedModel), the page moved and re-filtered
// (QPageModelSorter) and the detail page painted (QFlowListView, four groups
// of 30 rows into a 1000 x 800 image). Two pushes: 50 new trades appended,
// and a resent tail of 50 that replaces the last 50 rows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstring>
#include <vector>

#include "benchapplication.h"
#include "models/core/ticklists.h"
#include "models/qdetailedmodel.h"
#include "models/qflowlistview.h"
#include "models/qpagemodelsorter.h"

namespace {

QApplication* application()
{
    return benchApplication<QApplication>("bench_qt_detail_push");
}

constexpr int kDay = 5000;
constexpr int kPush = 50;
constexpr int64_t kOpen = 1765157400;  // a morning's 09:30 (UTC+8)

std::vector<QuoteDetailPoint> trades(int first, int n)
{
    std::vector<QuoteDetailPoint> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        QuoteDetailPoint& p = v[size_t(i)];
        std::memset(&p, 0, sizeof p);
        const int k = first + i;
        p.time = kOpen + 3 * k;
        p.price = 10.0f + float(k % 9) * 0.01f - 0.04f;
        p.volume = 100 * (1 + k % 13);
        p.flag = k % 2 ? 'B' : 'S';
    }
    return v;
}

QuoteDetailPoints batch(std::vector<QuoteDetailPoint>& v, int start)
{
    QuoteDetailPoints dp;
    std::memset(&dp, 0, sizeof dp);
    dp.price = 10.0f;
    dp.count = int32_t(v.size());
    dp.entries = v.data();
    std::strcpy(dp.code_info.code, "600001");
    dp.code_info.decimal = 2;
    dp.total = start;
    return dp;
}

struct Page {
    QDetailedModel model;
    QPageModelSorter sorter;
    QFlowListView view;
    QImage image{1000, 800, QImage::Format_ARGB32_Premultiplied};
    int oldCount = 0;
    int show = detailShowSize(800, 25, 25, 4);

    Page()
    {
        sorter.setSourceModel(&model);
        sorter.setPageSize(show);
        view.setModel(&sorter);
        view.setStyle(0);
        view.setRowHeight(25);
    }
    // What the detail view does on dataUpdated, then its paint.
    void follow()
    {
        const int count = model.rowCount();
        sorter.setStartIndex(detailStartAfterUpdate(sorter.startIndex(), sorter.pageSize(), oldCount, count));
        oldCount = count;
        sorter.updateShow();
        QPainter p(&image);
        view.paintList(&p, 1000, 800);
    }
};

void BM_DetailAppend50(benchmark::State& state)
{
    application();
    Page page;
    std::vector<QuoteDetailPoint> day = trades(0, kDay - kPush);
    std::vector<QuoteDetailPoint> push = trades(kDay - kPush, kPush);
    for (auto _ : state) {
        state.PauseTiming();
        page.model.onUpdateDetail(batch(day, 0));
        page.follow();
        state.ResumeTiming();
        page.model.onUpdateDetail(batch(push, kDay - kPush));
        page.follow();
    }
    state.counters["rows"] = page.model.rowCount();
}
BENCHMARK(BM_DetailAppend50)->Unit(benchmark::kMicrosecond);

void BM_DetailResentTail50(benchmark::State& state)
{
    application();
    Page page;
    std::vector<QuoteDetailPoint> day = trades(0, kDay);
    page.model.onUpdateDetail(batch(day, 0));
    page.follow();
    std::vector<QuoteDetailPoint> tail = trades(kDay - kPush, kPush);
    for (auto _ : state) {
        page.model.onUpdateDetail(batch(tail, kDay));
        page.follow();
    }
    state.counters["rows"] = page.model.rowCount();
}
BENCHMARK(BM_DetailResentTail50)->Unit(benchmark::kMicrosecond);

}  // namespace
