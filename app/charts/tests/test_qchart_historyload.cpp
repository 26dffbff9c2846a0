// Older bars of a load-more over long histories are evaluated off the GUI
// thread (HistoryLoad): meanwhile the panes show and update the bars held;
// at the end every pane of the view shows the longer bars with the outputs a
// view given the whole series at once shows, bit for bit, pushes of meanwhile
// included. A switch, a second load or a pane that goes meanwhile drops the
// worker's result without harm.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThreadPool>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "chartfixtures.h"
#include "charts/historyload.h"
#include "charts/qchart.h"

namespace {

using Days = std::vector<std::pair<int, float>>;

// Closes walking from 20 by steps of a fixed seed, one a day, the last
// ones in 2026 (the bars' times are 32-bit).
Days walk(int n, unsigned seed)
{
    const int first = 300 - n;
    std::mt19937 rng(seed);
    std::normal_distribution<float> step(0.0f, 0.2f);
    Days days;
    float p = 20.0f;
    for (int d = 0; d < n; ++d)
        days.push_back({first + d, p += step(rng)});
    return days;
}

Days slice(const Days& days, std::size_t from, std::size_t to)
{
    return Days(days.begin() + std::ptrdiff_t(from), days.begin() + std::ptrdiff_t(to));
}

// The stock view's default panes.
struct View {
    std::vector<std::unique_ptr<QChart>> panes = defaultLayoutPanes({{800, 300}, {800, 300}, {800, 300}});

    QChart& main() const { return *panes.front(); }
    void deliver(const KRecord& r) const { main().onUpdateKLine(r.get(), 0); }
    bool loading() const { return main().barLayer(0) && main().barLayer(0)->loading; }
    // Shows the newest kHeld bars of days, then takes the older ones from
    // bar `from` on (with the one overlapping the oldest held) as a load-more.
    void startLoad(const Days& days, std::size_t from = 0) const;
    // Every pane shows n bars and no load is under way.
    bool shows(int n) const
    {
        for (const auto& c : panes)
            if (c->getFirstKLineSize() != n)
                return false;
        return !loading();
    }
};

// Waits until view shows n bars; says what it saw when it gives up.
::testing::AssertionResult waitShown(const View& view, int n)
{
    if (QTest::qWaitFor([&view, n]() { return view.shows(n); }, 120000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "waited for " << n << " bars in every pane; the main pane shows "
                                         << view.main().getFirstKLineSize()
                                         << (view.loading() ? ", a load under way" : "");
}

// The workers are done and the event loop went round once more: a result
// still to come would have been taken by now.
void drainWorkers()
{
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Each pane of kept shows what the same pane of a view given all at once
// shows over the same visible range: the bars and every output, bit for bit.
void expectSameAsWholeSeries(const View& kept, const KRecord& all, const std::string& where,
                             const std::function<void(View&)>& sameFormulas = {})
{
    View fresh;
    if (sameFormulas)
        sameFormulas(fresh);
    fresh.deliver(all);
    ASSERT_FALSE(fresh.loading()) << where << ": a first record is no load";
    for (std::size_t i = 0; i < kept.panes.size(); ++i) {
        QChart& a = *kept.panes[i];
        QChart& b = *fresh.panes[i];
        b.setVisibleRange(a.getBegin(), a.getEnd());
        b.relayout();
        ASSERT_EQ(a.getFirstKLineSize(), b.getFirstKLineSize()) << where << " pane " << i;
        const std::vector<ChartBar>& x = *a.getKData(0);
        const std::vector<ChartBar>& y = *b.getKData(0);
        ASSERT_EQ(std::memcmp(x.data(), y.data(), x.size() * sizeof(ChartBar)), 0) << where << " bars of pane " << i;
        const std::vector<float> u = drawn(a, 0), v = drawn(b, 0);
        ASSERT_EQ(u.size(), v.size()) << where << " pane " << i;
        ASSERT_GT(u.size(), x.size()) << where << " pane " << i << " draws";
        for (std::size_t k = 0; k < u.size(); ++k)
            ASSERT_EQ(std::memcmp(&u[k], &v[k], sizeof(float)), 0)
                << where << " pane " << i << " value " << k << ": loaded " << u[k] << ", whole series " << v[k];
    }
}

constexpr int kBars = 9000;
constexpr int kHeld = 5000;

void View::startLoad(const Days& days, std::size_t from) const
{
    deliver(KRecord(slice(days, days.size() - kHeld, days.size())));
    deliver(KRecord(slice(days, from, days.size() - kHeld + 1)));
}

TEST(QChartHistoryLoad, OlderBarsShowWhatTheWholeSeriesShows)
{
    const Days days = walk(kBars, 7);
    View view;
    view.deliver(KRecord(slice(days, kBars - kHeld, kBars)));
    ASSERT_TRUE(view.shows(kHeld));
    // The times of the first and last bar each pane shows.
    auto shownTimes = [&view]() {
        std::vector<std::pair<int32_t, int32_t>> t;
        for (const auto& c : view.panes)
            t.push_back({c->getKData(0)->at(std::size_t(c->getBegin())).time,
                         c->getKData(0)->at(std::size_t(c->getEnd())).time});
        return t;
    };
    const auto shownBefore = shownTimes();
    std::vector<std::vector<float>> before;
    for (const auto& c : view.panes)
        before.push_back(drawn(*c, 0));

    // The older bars with the one overlapping the oldest held, as the reply brings them.
    view.deliver(KRecord(slice(days, 0, kBars - kHeld + 1)));
    ASSERT_TRUE(view.loading()) << "older bars over " << kBars << " bars are evaluated off the GUI thread";
    for (std::size_t i = 0; i < view.panes.size(); ++i) {
        EXPECT_EQ(view.panes[i]->getFirstKLineSize(), kHeld) << "pane " << i << " keeps the bars held meanwhile";
        EXPECT_TRUE(drawn(*view.panes[i], 0) == before[i]) << "pane " << i << " keeps its outputs meanwhile";
    }

    ASSERT_TRUE(waitShown(view, kBars));
    EXPECT_TRUE(shownTimes() == shownBefore) << "every pane stays on the bars it showed";
    EXPECT_EQ(view.main().getEnd() - view.main().getBegin(), 299);
    expectSameAsWholeSeries(view, KRecord(days), "after the load");

    // The kept series go on from there: a push evaluates as on any chart.
    Days more = days;
    more.push_back({more.back().first + 1, more.back().second + 0.3f});
    view.deliver(KRecord(slice(more, kBars, kBars + 1)));
    ASSERT_TRUE(view.shows(kBars + 1));
    expectSameAsWholeSeries(view, KRecord(more), "a push after the load");
}

TEST(QChartHistoryLoad, ShortHistoriesAreTakenAtOnce)
{
    const Days days = walk(HistoryLoad::kOffThreadBars - 100, 8);
    View view;
    view.deliver(KRecord(slice(days, 1000, days.size())));
    view.deliver(KRecord(slice(days, 0, 1001)));
    EXPECT_FALSE(view.loading());
    ASSERT_TRUE(view.shows(int(days.size())));
    expectSameAsWholeSeries(view, KRecord(days), "short history");
}

// Pushes that come while the worker runs (the last bar changes, new bars
// come) are shown at once on the bars held, and are all there after the end.
TEST(QChartHistoryLoad, PushesOfMeanwhileAreKept)
{
    Days days = walk(kBars, 9);
    View view;
    view.startLoad(days);
    ASSERT_TRUE(view.loading());

    Days all = days;
    all.back().second += 0.25f;  // the last bar's close moves
    view.deliver(KRecord(slice(all, kBars - 1, kBars)));
    EXPECT_FLOAT_EQ(view.main().getKData(0)->back().close, all.back().second) << "a push shows at once";
    for (int k = 0; k < 3; ++k) {  // new bars
        all.push_back({all.back().first + 1, all.back().second - 0.1f});
        view.deliver(KRecord(slice(all, all.size() - 1, all.size())));
    }
    all.back().second += 0.5f;
    view.deliver(KRecord(slice(all, all.size() - 1, all.size())));
    // One older bar corrected in place.
    all[std::size_t(kBars - 10)].second += 1.0f;
    view.deliver(KRecord(slice(all, std::size_t(kBars - 10), std::size_t(kBars - 9))));
    ASSERT_TRUE(view.loading()) << "the pushes went to the bars held";
    for (const auto& c : view.panes)
        EXPECT_EQ(c->getFirstKLineSize(), kHeld + 3) << "every pane shows the new bars meanwhile";

    ASSERT_TRUE(waitShown(view, kBars + 3));
    expectSameAsWholeSeries(view, KRecord(all), "pushes of meanwhile");
}

// What happens while the worker runs, and what the view shows in the end.
struct DuringLoad {
    const char* what;
    std::function<void(View&, const Days&)> act;
    std::function<Days(const Days&)> shown;
};

TEST(QChartHistoryLoad, WhatComesMeanwhileWins)
{
    const Days other = walk(300, 11);
    const DuringLoad cases[] = {
        {"another stock's whole series replaces the bars",
         [&other](View& v, const Days&) { v.main().onReplaceKLine(KRecord(other, "600002").get(), 0); },
         [&other](const Days&) { return other; }},
        {"the panes are emptied for another stock",
         [&other](View& v, const Days&) {
             for (std::size_t i = 1; i < v.panes.size(); ++i)
                 v.panes[i]->clearKData();
             v.main().clearKData();
             for (std::size_t i = 1; i < v.panes.size(); ++i)
                 v.panes[i]->setKData(&v.main(), 0);
             v.deliver(KRecord(other, "600002"));
         },
         [&other](const Days&) { return other; }},
        {"the main pane's formulas go for another cycle",
         [&other](View& v, const Days&) {
             v.main().clearFormula(false);
             v.main().appendFormula(0, "KLINE", "KSCALES", "NO", 0);
             v.main().appendFormula(0, "Sulvane", "NO", "NO", 0);
             for (std::size_t i = 1; i < v.panes.size(); ++i) {
                 v.panes[i]->clearKData();
                 v.panes[i]->setKData(&v.main(), 0);
             }
             v.main().resetBeginEndState(true);
             v.deliver(KRecord(other, "600002"));
         },
         [&other](const Days&) { return other; }},
        {"a second load-more brings still older bars",
         [](View& v, const Days& days) { v.deliver(KRecord(slice(days, 0, 1001))); },
         [](const Days& days) { return days; }},
    };
    for (const DuringLoad& c : cases) {
        const Days days = walk(kBars, 12);
        View view;
        view.startLoad(days, 1000);
        ASSERT_TRUE(view.loading()) << c.what;
        c.act(view, days);
        const Days expected = c.shown(days);
        ASSERT_TRUE(waitShown(view, int(expected.size()))) << c.what;
        drainWorkers();
        ASSERT_TRUE(view.shows(int(expected.size()))) << c.what << ": a dropped result came after all";
        expectSameAsWholeSeries(view, KRecord(expected, expected.size() == days.size() ? "600001" : "600002"), c.what);
    }
}

// A pane whose formulas change meanwhile evaluates its own formulas at the end.
TEST(QChartHistoryLoad, FormulasChangedMeanwhileAreEvaluatedAtTheEnd)
{
    const Days days = walk(kBars, 13);
    View view;
    view.startLoad(days);
    ASSERT_TRUE(view.loading());
    auto edit = [](View& v) {
        v.main().appendFormula(0, "MA", "NO", "NO", 0);
        v.panes[2]->replaceFormula("KD", "Lumeth");
    };
    edit(view);
    ASSERT_TRUE(waitShown(view, kBars));
    expectSameAsWholeSeries(view, KRecord(days), "formulas changed meanwhile", edit);
}

// Panes destroyed while the worker runs: the others end the load without
// them; with all gone nothing is left to take the result.
TEST(QChartHistoryLoad, PanesThatGoMeanwhileAreLeftOut)
{
    const Days days = walk(kBars, 14);
    struct Going {
        const char* what;
        std::function<void(View&)> drop;
        bool sameAsWholeSeries;  // a view without that pane can take the whole series
    };
    const Going cases[] = {
        {"a lower pane", [](View& v) { v.panes.pop_back(); }, true},
        {"the main pane (the lower ones hold the store)", [](View& v) { v.panes.erase(v.panes.begin()); }, false},
    };
    for (const Going& c : cases) {
        View view;
        view.startLoad(days);
        ASSERT_TRUE(view.loading()) << c.what;
        c.drop(view);
        ASSERT_TRUE(waitShown(view, kBars)) << c.what << " gone: the panes left end the load";
        if (c.sameAsWholeSeries)
            expectSameAsWholeSeries(view, KRecord(days), c.what, c.drop);
    }
    {
        auto view = std::make_unique<View>();
        view->startLoad(days);
        ASSERT_TRUE(view->loading());
        view.reset();
        drainWorkers();  // the workers finish over their own copies; nothing takes their results
    }
}

}  // namespace
