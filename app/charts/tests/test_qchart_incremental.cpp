// A chart that keeps its series between evaluations (the engine hands them
// back and the chart rewrites only the bars that changed) draws, after every
// kind of update, bit for bit what a new chart draws from the same record.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "chartfixtures.h"
#include "charts/qchart.h"

namespace {

const char* const kFormulas[] = {"KLINE", "MA", "BOLL", "EXPMA", "VOL", "MACD", "KDJ", "RSI", "WR", "CCI"};

void addFormulas(QChart& c)
{
    ensureStandardCatalogue();
    c.setSize(QSizeF(800, 400));
    for (const char* name : kFormulas)
        c.appendFormula(0, name, name == std::string("KLINE") ? "KSCALES" : "", "", 0);
    c.appendFormula(1, "KLINE", "", "", 0);  // an overlay
    c.appendFormula(1, "MA", "", "", 0);
}

using Days = std::vector<std::pair<int, float>>;

// n days of closes walking from p by steps drawn from rng.
Days randomDays(std::mt19937& rng, std::normal_distribution<float>& step, int n, float p)
{
    Days days;
    for (int d = 0; d < n; ++d)
        days.push_back({d, p += step(rng)});
    return days;
}

// The library's incremental reply: the bar at index i of r alone, with the
// period and code information left zero (only count and bars are set).
struct Push {
    QuoteKPoint point;
    QuoteKPoints record{};
    Push(const KRecord& r, std::size_t i) : point(r.points.at(i))
    {
        record.count = 1;
        record.points = &point;
    }
    const QuoteKPoints* get() const { return &record; }
};

void expectSameAsNewChart(QChart& kept, const KRecord& base, const KRecord& overlay, const std::string& where)
{
    QChart fresh;
    addFormulas(fresh);
    fresh.onSyncUpdateKLine(base.get(), 0);
    fresh.onSyncUpdateKLine(overlay.get(), 1);
    fresh.setVisibleRange(kept.getBegin(), kept.getEnd());
    fresh.relayout();
    for (int layer = 0; layer < 2; ++layer) {
        ASSERT_EQ(kept.getPointCount(layer), fresh.getPointCount(layer)) << where;
        const std::vector<ChartBar>& a = *kept.getKData(uint(layer));
        const std::vector<ChartBar>& b = *fresh.getKData(uint(layer));
        ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(ChartBar)), 0) << where << " bars of " << layer;
        const std::vector<float> x = drawn(kept, layer), y = drawn(fresh, layer);
        ASSERT_EQ(x.size(), y.size()) << where << " layer " << layer;
        for (std::size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(std::memcmp(&x[i], &y[i], sizeof(float)), 0)
                << where << " layer " << layer << " value " << i << ": kept " << x[i] << ", new chart " << y[i];
    }
}

TEST(QChartIncremental, KeptSeriesDrawWhatANewChartDraws)
{
    std::mt19937 rng(36);
    std::normal_distribution<float> step(0.0f, 0.2f);
    Days days = randomDays(rng, step, 400, 20.0f);
    // The record points into its own vector, wherever the vector went.
    auto point = [](KRecord& r) {
        r.record.count = int32_t(r.points.size());
        r.record.points = r.points.data();
    };
    Days other = days;
    for (auto& d : other)
        d.second *= 0.5f;

    QChart kept;
    addFormulas(kept);
    KRecord base(days, "600001"), overlay(other, "600002");
    point(base), point(overlay);
    kept.onSyncUpdateKLine(base.get(), 0);
    kept.onSyncUpdateKLine(overlay.get(), 1);
    ASSERT_EQ(kept.formulaLayer(0)->size(), std::size(kFormulas));
    ASSERT_GT(drawn(kept, 0).size(), 400u * std::size(kFormulas)) << "every slot draws";
    expectSameAsNewChart(kept, base, overlay, "first record");
    const char* const what[] = {"tick", "tick", "new bar", "older bar", "overlay tick", "other prices", "same record"};
    for (int edit = 0; edit < 40; ++edit) {
        const int kind = edit < 7 ? edit : int(rng() % 7);
        int firstDifference = 0;
        switch (kind) {
        case 0:
        case 1:
            days.back().second += step(rng);
            break;
        case 2:
            days.push_back({days.back().first + 1, days.back().second + step(rng)});
            break;
        case 3:
            firstDifference = int(rng() % days.size());
            days[std::size_t(firstDifference)].second += 0.75f;
            break;
        case 4:
            other.back().second += step(rng);
            break;
        case 5:
            for (auto& d : days)
                d.second = 40.0f - d.second;  // another stock over the same days
            break;
        default:
            break;
        }
        base = KRecord(days, "600001");
        overlay = KRecord(other, "600002");
        point(base), point(overlay);
        // Ticks, new bars and corrections come as the library pushes them
        // (the changed bar alone) every other time, else as the whole record.
        const bool push = kind <= 4 && edit % 2 == 1;
        const KRecord& r = kind == 4 ? overlay : base;
        const std::size_t changed = kind == 3 ? std::size_t(firstDifference) : r.points.size() - 1;
        const Push one(r, changed);
        kept.onSyncUpdateKLine(push ? one.get() : r.get(), kind == 4 ? 1 : 0);
        expectSameAsNewChart(kept, base, overlay,
                             "edit " + std::to_string(edit) + " (" + what[kind] + (push ? ", pushed)" : ")"));
        if (testing::Test::HasFatalFailure())
            return;
    }
}

// A live push (one bar, as the library's incremental reply carries it)
// changes the bars from the bar it carries: the last bar again, a newer bar
// or a corrected older one; the formulas re-evaluate from there, never from
// bar 0, and draw what a new chart draws from the whole record.
TEST(QChartIncremental, OneBarPushesChangeBarsFromTheBarTheyCarry)
{
    std::mt19937 rng(45);
    std::normal_distribution<float> step(0.0f, 0.2f);
    Days days = randomDays(rng, step, 400, 20.0f);
    const KRecord overlay(days, "600002");
    QChart kept;
    addFormulas(kept);
    kept.onSyncUpdateKLine(KRecord(days, "600001").get(), 0);
    kept.onSyncUpdateKLine(overlay.get(), 1);
    struct Case {
        const char* what;
        void (*edit)(Days&);
        int bar;   // the bar pushed, from the end (-1 the last)
        int from;  // the first changed bar, from the end of the series before
    } cases[] = {
        {"the last bar's close", [](Days& d) { d.back().second += 0.3f; }, -1, -1},
        {"the last bar unchanged (no bar changed)", [](Days&) {}, -1, 0},
        {"a new day",
         [](Days& d) {
             d.push_back({d.back().first + 1, d.back().second + 0.1f});
         },
         -1, 0},
        {"a day after a gap",
         [](Days& d) {
             d.push_back({d.back().first + 3, d.back().second - 0.2f});
         },
         -1, 0},
        {"the bar before the last", [](Days& d) { d[d.size() - 2].second -= 0.4f; }, -2, -2},
        {"an older bar", [](Days& d) { d[d.size() - 150].second += 0.6f; }, -150, -150},
    };
    for (const Case& c : cases) {
        const int before = int(days.size());
        c.edit(days);
        const KRecord whole(days, "600001");
        const Push one(whole, std::size_t(int(days.size()) + c.bar));
        const BarStore& layer = *kept.barLayer(0);
        const unsigned seen = layer.changes.version();
        kept.onSyncUpdateKLine(one.get(), 0);
        EXPECT_EQ(before + c.from, layer.changes.since(seen, int(layer.bars.size())))
            << c.what << ": first bar changed";
        expectSameAsNewChart(kept, whole, overlay, c.what);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

// A snapshot taken earlier, then the subscription's first record, whose
// window of bars has moved on since (three days dropped at the front, three
// new ones): the record replaces the snapshot's bars instead of merging with
// them, and the pane draws what a new pane draws from the record alone, over
// the same bars.
TEST(QChartIncremental, ARecordReplacingASnapshotDrawsWhatANewChartDraws)
{
    std::mt19937 rng(52);
    std::normal_distribution<float> step(0.0f, 0.2f);
    const Days days = randomDays(rng, step, 400, 20.0f);
    const KRecord overlay(days, "600002");
    QChart kept;
    addFormulas(kept);
    kept.onUpdateKLine(KRecord(days, "600001").get(), 0);
    kept.onSyncUpdateKLine(overlay.get(), 1);
    Days later(days.begin() + 3, days.end());
    for (int i = 0; i < 3; ++i)
        later.push_back({later.back().first + 1, later.back().second + step(rng)});
    const KRecord record(later, "600001");
    kept.onReplaceKLine(record.get(), 0);
    EXPECT_EQ(400, kept.getPointCount(0)) << "the snapshot's older bars stayed";
    QChart fresh;
    addFormulas(fresh);
    fresh.onUpdateKLine(record.get(), 0);
    fresh.onSyncUpdateKLine(overlay.get(), 1);
    EXPECT_EQ(fresh.getBegin(), kept.getBegin());
    EXPECT_EQ(fresh.getEnd(), kept.getEnd());
    expectSameAsNewChart(kept, record, overlay, "replaced");
}

// Minute records replace the whole day: a longer one, a shorter one and
// another stock's day all draw what a new chart draws.
TEST(QChartIncremental, MinuteRecordsOfEveryLength)
{
    ensureStandardCatalogue();
    auto setUp = [](QChart& c) {
        c.setSize(QSizeF(800, 400));
        for (const char* name : {"MLINE", "VOL", "MACD", "RSI"})
            c.appendFormula(0, name, name == std::string("MLINE") ? "MSCALES" : "", "", 0);
    };
    QChart kept;
    setUp(kept);
    const std::vector<std::vector<float>> days = {
        {10.0f, 10.2f, 10.1f, 10.4f, 10.3f, 10.6f},
        {10.0f, 10.2f, 10.1f, 10.4f, 10.3f, 10.6f, 10.5f},
        {10.0f, 10.2f, 10.1f, 10.4f, 10.3f, 10.6f, 10.9f},
        {10.0f, 10.2f, 10.1f},
        {30.0f, 30.5f, 29.5f, 31.0f, 30.0f},
    };
    for (std::size_t k = 0; k < days.size(); ++k) {
        MinuteRecord m({}, days[k].front());
        for (std::size_t i = 0; i < days[k].size(); ++i) {
            MinuteRecord one({days[k][i]}, days[k].front());
            one.points.front().time += 60 * int64_t(i);
            m.points.push_back(one.points.front());
        }
        m.record.count = int32_t(m.points.size());
        m.record.points = m.points.data();
        kept.onSyncUpdateMinute(&m.record, 0);
        QChart fresh;
        setUp(fresh);
        fresh.onSyncUpdateMinute(&m.record, 0);
        const std::vector<float> x = drawn(kept, 0), y = drawn(fresh, 0);
        ASSERT_EQ(kept.formulaLayer(0)->size(), 4u);
        ASSERT_GT(x.size(), days[k].size() * 4) << "record " << k;
        ASSERT_EQ(x.size(), y.size()) << "record " << k;
        EXPECT_EQ(std::memcmp(x.data(), y.data(), x.size() * sizeof(float)), 0) << "record " << k;
    }
}

}  // namespace

namespace {

// Lower panes bound to the main pane hold the store it took each record into; after ticks, new bars, a corrected older bar, a record of other
// prices and a record given to a lower pane directly, every pane holds and
// draws what a new chart makes of the record.
TEST(QChartIncremental, LowerPanesFollowTheMainPane)
{
    ensureStandardCatalogue();
    auto setUp = [](QChart& c, const char* first, const char* second) {
        c.setSize(QSizeF(800, 300));
        c.appendFormula(0, first, "KSCALES", "", 0);
        c.appendFormula(0, second, "", "", 0);
    };
    QChart main, vol, macd;
    setUp(main, "KLINE", "MA");
    setUp(vol, "VOL", "RSI");
    setUp(macd, "MACD", "KDJ");
    vol.bindSyncDataSignal(&main, 0);
    macd.bindSyncDataSignal(&main, 0);
    std::mt19937 rng(7);
    std::normal_distribution<float> step(0.0f, 0.2f);
    Days days = randomDays(rng, step, 300, 15.0f);
    const char* const what[] = {"tick", "new bar", "older bar", "other prices", "direct to a lower pane"};
    for (int edit = 0; edit < 30; ++edit) {
        const int kind = edit == 0 ? -1 : edit <= 5 ? edit - 1 : int(rng() % 5);
        int corrected = 0;
        switch (kind) {
        case 0:
            days.back().second += step(rng);
            break;
        case 1:
            days.push_back({days.back().first + 1, days.back().second});
            break;
        case 2:
            corrected = int(rng() % days.size());
            days[std::size_t(corrected)].second += 0.5f;
            break;
        case 3:
            for (auto& d : days)
                d.second = 30.0f - d.second;
            break;
        default:
            break;
        }
        KRecord r(days, "600001");
        if (kind == 4) {
            // A lower pane gets a record of its own first; then the view catches up.
            r.points.back().close += 1.0f;
            days.back().second = r.points.back().close;
            vol.onSyncUpdateKLine(&r.record, 0);
        }
        // Ticks, new bars and corrections come every other time as the
        // library pushes them: the changed bar alone.
        const bool push = kind >= 0 && kind != 3 && edit % 2 == 0;
        const Push one(r, kind == 2 ? std::size_t(corrected) : r.points.size() - 1);
        main.onUpdateKLine(push ? one.get() : &r.record, 0);
        const std::string where = std::string("edit ") + std::to_string(edit) + " (" +
                                  (kind < 0 ? "first" : what[kind]) + (push ? ", pushed)" : ")");
        // One copy of the bars for the view: the lower panes hold the main pane's store.
        ASSERT_EQ(main.barLayer(0), vol.barLayer(0)) << where;
        ASSERT_EQ(main.barLayer(0), macd.barLayer(0)) << where;
        for (QChart* pane : {&main, &vol, &macd}) {
            QChart fresh;
            setUp(fresh, pane->getCTXData(0)->name.toUtf8().constData(),
                  pane->getCTXData(1)->name.toUtf8().constData());
            fresh.onUpdateKLine(&r.record, 0);
            ASSERT_EQ(pane->getPointCount(0), fresh.getPointCount(0)) << where;
            ASSERT_EQ(std::memcmp(pane->getKData(0)->data(), fresh.getKData(0)->data(),
                                  fresh.getKData(0)->size() * sizeof(ChartBar)),
                      0)
                << where << " bars of " << pane->getCTXData(0)->name.toStdString();
            fresh.setVisibleRange(pane->getBegin(), pane->getEnd());
            fresh.relayout();
            const std::vector<float> x = drawn(*pane, 0), y = drawn(fresh, 0);
            ASSERT_EQ(x.size(), y.size()) << where;
            ASSERT_EQ(std::memcmp(x.data(), y.data(), x.size() * sizeof(float)), 0)
                << where << " outputs of " << pane->getCTXData(0)->name.toStdString();
        }
    }
}

}  // namespace
