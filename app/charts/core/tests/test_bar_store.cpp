// The one rule by which a record of bars joins the bars held: the last bar
// replaced, newer bars appended, older ones merged from their own time, the
// previous closes as over the whole series, and the first bar that changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charts/core/barstore.h"

namespace {

struct TC {
    int32_t time;
    float close;
};

std::vector<ChartBar> bars(const std::vector<TC>& v)
{
    std::vector<ChartBar> out;
    for (const TC& x : v) {
        ChartBar b;
        b.time = x.time;
        b.date = uint32_t(x.time);
        b.open = b.high = b.low = b.close = x.close;
        b.volume = 100.0f;
        b.preClose = -1.0f;  // a record's own previous closes are not kept
        out.push_back(b);
    }
    return out;
}

// Held: times 10..40, closes 10..13, previous closes as the rule gives them.
std::vector<ChartBar> held4()
{
    std::vector<ChartBar> h = bars({{10, 10}, {20, 11}, {30, 12}, {40, 13}});
    const float pre[] = {10, 10, 11, 12};
    for (std::size_t i = 0; i < h.size(); ++i)
        h[i].preClose = pre[i];
    return h;
}

std::string describe(const std::vector<ChartBar>& v)
{
    std::string s;
    for (const ChartBar& b : v)
        s += std::to_string(b.time) + ":" + std::to_string(int(b.close)) + "/" + std::to_string(int(b.preClose)) + " ";
    return s;
}

TEST(BarStore, OnePushRuleForEveryRecord)
{
    struct Case {
        const char* what;
        bool emptyHeld;
        std::vector<TC> record;
        std::vector<int32_t> times;
        std::vector<float> closes, preCloses;
        int changedFrom;
    } cases[] = {
        {"nothing held", true, {{10, 10}, {20, 11}}, {10, 20}, {10, 11}, {10, 10}, 0},
        {"the last bar, another close", false, {{40, 14}}, {10, 20, 30, 40}, {10, 11, 12, 14}, {10, 10, 11, 12}, 3},
        {"the last bar, unchanged", false, {{40, 13}}, {10, 20, 30, 40}, {10, 11, 12, 13}, {10, 10, 11, 12}, 4},
        {"a newer bar", false, {{50, 9}}, {10, 20, 30, 40, 50}, {10, 11, 12, 13, 9}, {10, 10, 11, 12, 13}, 4},
        {"the last bar and a newer one",
         false,
         {{40, 14}, {50, 15}},
         {10, 20, 30, 40, 50},
         {10, 11, 12, 14, 15},
         {10, 10, 11, 12, 14},
         3},
        {"an older bar corrected", false, {{20, 20}}, {10, 20, 30, 40}, {10, 20, 12, 13}, {10, 10, 20, 12}, 1},
        {"the first bar corrected", false, {{10, 5}}, {10, 20, 30, 40}, {5, 11, 12, 13}, {5, 5, 11, 12}, 0},
        {"an older bar, unchanged", false, {{20, 11}}, {10, 20, 30, 40}, {10, 11, 12, 13}, {10, 10, 11, 12}, 4},
        {"two older bars corrected",
         false,
         {{20, 21}, {30, 22}},
         {10, 20, 30, 40},
         {10, 21, 22, 13},
         {10, 10, 21, 22},
         1},
        {"a missing bar put in its place",
         false,
         {{25, 50}},
         {10, 20, 25, 30, 40},
         {10, 11, 50, 12, 13},
         {10, 10, 11, 50, 12},
         2},
        {"an older bar and a newer one",
         false,
         {{30, 22}, {50, 15}},
         {10, 20, 30, 40, 50},
         {10, 11, 22, 13, 15},
         {10, 10, 11, 22, 13},
         2},
        {"history in front",
         false,
         {{-10, 7}, {0, 8}},
         {-10, 0, 10, 20, 30, 40},
         {7, 8, 10, 11, 12, 13},
         {7, 7, 8, 10, 11, 12},
         0},
        {"history in front ending on the first bar",
         false,
         {{0, 8}, {10, 9}},
         {0, 10, 20, 30, 40},
         {8, 9, 11, 12, 13},
         {8, 8, 9, 11, 12},
         0},
        {"the whole series again, the last changed",
         false,
         {{10, 10}, {20, 11}, {30, 12}, {40, 15}},
         {10, 20, 30, 40},
         {10, 11, 12, 15},
         {10, 10, 11, 12},
         3},
        {"no bars", false, {}, {10, 20, 30, 40}, {10, 11, 12, 13}, {10, 10, 11, 12}, 4},
    };
    for (const Case& c : cases) {
        std::vector<ChartBar> held = c.emptyHeld ? std::vector<ChartBar>{} : held4();
        const int from = pushBars(held, bars(c.record));
        EXPECT_EQ(c.changedFrom, from) << c.what;
        std::vector<ChartBar> want = bars({});
        for (std::size_t i = 0; i < c.times.size(); ++i) {
            want.push_back(bars({{c.times[i], c.closes[i]}}).front());
            want.back().preClose = c.preCloses[i];
        }
        EXPECT_EQ(describe(want), describe(held)) << c.what;
    }
}

// Records longer than a correction take the ordered merge: a refresh that
// repeats 40 bars with the last one changed, and 30 older bars in front.
TEST(BarStore, LongRecordsMergeFromTheirFirstTime)
{
    std::vector<TC> series;
    for (int i = 0; i < 40; ++i)
        series.push_back({10 * (i + 1), float(i + 1)});
    std::vector<ChartBar> held;
    ASSERT_EQ(0, pushBars(held, bars(series)));
    EXPECT_EQ(1.0f, held[0].preClose);
    EXPECT_EQ(39.0f, held[39].preClose);

    std::vector<TC> again = series;
    again.back().close = 99;
    EXPECT_EQ(39, pushBars(held, bars(again)));
    EXPECT_EQ(99.0f, held[39].close);
    EXPECT_EQ(39.0f, held[39].preClose);
    EXPECT_EQ(40, pushBars(held, bars(again))) << "the same refresh again changes nothing";

    std::vector<TC> older;
    for (int i = 0; i < 30; ++i)
        older.push_back({-300 + 10 * i, 50.0f + float(i)});
    EXPECT_EQ(0, pushBars(held, bars(older)));
    ASSERT_EQ(70u, held.size());
    EXPECT_EQ(-300, held[0].time);
    EXPECT_EQ(50.0f, held[0].preClose);
    EXPECT_EQ(79.0f, held[30].preClose) << "the first held bar follows the last older one";
    EXPECT_EQ(10, held[30].time);
    EXPECT_EQ(99.0f, held[69].close);
}

TEST(BarStore, AVersionPerChangeAndTheBarItChangedFrom)
{
    BarStore store;
    const unsigned start = store.changes.version();
    EXPECT_EQ(0, store.push(bars({{10, 10}, {20, 11}, {30, 12}})));
    const unsigned loaded = store.changes.version();
    EXPECT_NE(start, loaded);
    EXPECT_EQ(3, store.push(bars({{30, 12}}))) << "the last bar again, unchanged";
    EXPECT_EQ(loaded, store.changes.version()) << "nothing changed: the version stays";
    EXPECT_EQ(2, store.push(bars({{30, 13}})));
    EXPECT_EQ(3, store.push(bars({{40, 14}})));
    EXPECT_EQ(2, store.changes.since(loaded, 4)) << "a pane that evaluated the loaded bars";

    BarStore other;
    EXPECT_EQ(0, other.changes.since(loaded, 4)) << "another store's version is no version of this one";
}

}  // namespace
