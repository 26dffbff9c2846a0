// Long K-line histories with the stock view's default layout: the main pane
// with the candles and the Sulvane overlay, Lumeth and KD below, the lower
// panes bound to the main pane as the view binds them. Replies come in the
// form the quote library delivers them: a one-bar push, and the older bars a
// load-more brings (with the one bar that overlaps the oldest held). Each
// case reports the GUI thread's time per delivery. BM_DefaultLayoutMemory
// reports the growth of the resident set while the panes take n bars; run it
// alone in a process per size (--benchmark_filter=BM_DefaultLayoutMemory/N),
// as the allocator keeps memory freed by earlier cases.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chartbench.h"
#include "chartfixtures.h"

namespace {

void ensureOwnCatalogue()
{
    ensureChartApplication();
    ensureProgramCatalogue();
}

// n one-minute bars ending now-ish, on a slow wave with noise of its own.
std::vector<QuoteKPoint> minuteBars(int n)
{
    std::vector<QuoteKPoint> v = syntheticBars(n, true);
    for (int i = 0; i < n; ++i) {
        v[std::size_t(i)].time = 1764000000LL + int64_t(i) * 60;
        v[std::size_t(i)].close += 0.05f * float((i * 7919) % 13);
        v[std::size_t(i)].volume += (i * 104729) % 5000;
    }
    return v;
}

long rssKb()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    std::fclose(f);
    return kb;
}

// The three panes of the default layout over a record, as the view makes them.
struct DefaultLayout {
    std::vector<std::unique_ptr<QChart>> panes = defaultLayoutPanes({{1920, 600}, {1920, 240}, {1920, 240}});
    explicit DefaultLayout(const QuoteKPoints& record) { deliver(record); }
    void deliver(const QuoteKPoints& record) { panes.front()->onUpdateKLine(&record, 0); }
};

QuoteKPoints recordOf(std::vector<QuoteKPoint>& points, std::size_t from, std::size_t count)
{
    QuoteKPoints r{};
    r.count = int(count);
    r.points = points.data() + from;
    std::strncpy(r.code_info.code, "600001", sizeof r.code_info.code - 1);
    r.code_info.decimal = 2;
    return r;
}

// A one-bar push over n bars: arg 1 = 0 the last bar's close changed, 1 a new bar.
void BM_DefaultLayoutPush(benchmark::State& state)
{
    ensureOwnCatalogue();
    const int n = int(state.range(0));
    const bool newBar = state.range(1) != 0;
    std::vector<QuoteKPoint> points = minuteBars(n);
    points.reserve(points.size() + 100000);
    DefaultLayout view(recordOf(points, 0, points.size()));
    if (view.panes.front()->getFirstKLineSize() != n)
        state.SkipWithError("bars not taken");
    float delta = 0.01f;
    for (auto _ : state) {
        QuoteKPoint p = points.back();
        if (newBar) {
            p.time += 60;
            points.push_back(p);
        } else {
            p.close += delta;
            delta = -delta;
            points.back() = p;
        }
        QuoteKPoint one = p;
        QuoteKPoints push{};
        push.count = 1;
        push.points = &one;
        view.deliver(push);
        benchmark::DoNotOptimize(view.panes.back()->getCTXData(0)->geometry.range.max);
    }
}
BENCHMARK(BM_DefaultLayoutPush)
    ->ArgsProduct({{512, 10066, 31998, 70958, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_DefaultLayoutMemory(benchmark::State& state)
{
    ensureOwnCatalogue();
    const int n = int(state.range(0));
    std::vector<QuoteKPoint> points = minuteBars(n);
    for (auto _ : state) {
        const long before = rssKb();
        DefaultLayout view(recordOf(points, 0, points.size()));
        state.counters["rss_mb"] = double(rssKb() - before) / 1024.0;
        benchmark::DoNotOptimize(view.panes.back()->getFirstKLineSize());
    }
}
BENCHMARK(BM_DefaultLayoutMemory)->Arg(512)->Arg(10066)->Arg(31998)->Arg(70958)->Arg(100000)->Iterations(1);

// The load-more of a zoom step: the panes hold the newest held bars of n, and
// the older ones arrive as one record (with the bar overlapping the oldest
// held). Timed (gui_ms): that delivery. Long histories are evaluated off the
// GUI thread after it; end_ms is the longest step the event loop takes until
// every pane shows n bars (the panes taking the evaluated formulas), load_ms
// the wall time from the delivery until then.
void BM_DefaultLayoutLoadMore(benchmark::State& state)
{
    ensureOwnCatalogue();
    const int n = int(state.range(0));
    const int held = int(state.range(1));
    std::vector<QuoteKPoint> points = minuteBars(n);
    double heldMs = 0, endMs = 0, loadMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<DefaultLayout>(recordOf(points, std::size_t(n - held), std::size_t(held)));
        const QuoteKPoints older = recordOf(points, 0, std::size_t(n - held + 1));
        QElapsedTimer t;
        state.ResumeTiming();
        t.start();
        view->deliver(older);
        heldMs += double(t.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        auto shown = [&view, n]() {
            for (const auto& c : view->panes)
                if (c->getFirstKLineSize() != n)
                    return false;
            return true;
        };
        double longest = 0;
        while (!shown() && t.elapsed() < 120000) {
            QElapsedTimer step;
            step.start();
            QCoreApplication::processEvents();
            longest = std::max(longest, double(step.nsecsElapsed()) / 1e6);
            QThread::yieldCurrentThread();
        }
        loadMs += double(t.nsecsElapsed()) / 1e6;
        endMs = std::max(endMs, longest);
        if (!shown())
            state.SkipWithError("older bars not taken");
        view.reset();
        state.ResumeTiming();
    }
    const double runs = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["gui_ms"] = heldMs / runs;
    state.counters["end_ms"] = endMs;
    state.counters["load_ms"] = loadMs / runs;
}
BENCHMARK(BM_DefaultLayoutLoadMore)
    ->Args({10066, 512})
    ->Args({31998, 10066})
    ->Args({70958, 31998})
    ->Args({100000, 70958})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// A one-bar push (a new bar) while the older bars of a load-more are
// evaluated off the GUI thread: the panes take it into the bars they show.
// Timed: the push, with the workers running (arg 2 = 0) or done before it
// (1: the GUI thread alone); then the load is let end (untimed). Arg 2 = 2:
// the same first push after the held bars, without a load (the reference).
void BM_DefaultLayoutPushDuringLoad(benchmark::State& state)
{
    ensureOwnCatalogue();
    const int n = int(state.range(0));
    const int held = int(state.range(1));
    std::vector<QuoteKPoint> points = minuteBars(n);
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<DefaultLayout>(recordOf(points, std::size_t(n - held), std::size_t(held)));
        const bool load = state.range(2) != 2;
        if (load)
            view->deliver(recordOf(points, 0, std::size_t(n - held + 1)));
        QuoteKPoint one = points.back();
        one.time += 60;
        QuoteKPoints push{};
        push.count = 1;
        push.points = &one;
        if (state.range(2) == 1)
            QThreadPool::globalInstance()->waitForDone();  // the workers done, their results not yet taken
        state.ResumeTiming();
        view->deliver(push);
        state.PauseTiming();
        if (view->panes.front()->getFirstKLineSize() != held + 1)
            state.SkipWithError("the push was not shown at once");
        QElapsedTimer t;
        t.start();
        const int shown = load ? n + 1 : held + 1;
        while (view->panes.back()->getFirstKLineSize() != shown && t.elapsed() < 120000) {
            QCoreApplication::processEvents();
            QThread::yieldCurrentThread();
        }
        if (view->panes.back()->getFirstKLineSize() != shown)
            state.SkipWithError("the load did not end with the push");
        view.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DefaultLayoutPushDuringLoad)
    ->ArgsProduct({{10066}, {512}, {0, 1, 2}})
    ->ArgsProduct({{31998}, {10066}, {0, 1, 2}})
    ->ArgsProduct({{70958}, {31998}, {0, 1, 2}})
    ->ArgsProduct({{100000}, {70958}, {0, 1, 2}})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
