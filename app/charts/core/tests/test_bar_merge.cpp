// Merging bar series, previous closes, overlay alignment and the visible
// range after new data, against hand-built series.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charts/core/barchanges.h"
#include "charts/core/barmerge.h"

namespace {

// Bars at the given time stamps; close = time + tag / 10 tells sources apart.
std::vector<ChartBar> bars(std::initializer_list<int> times, int tag)
{
    std::vector<ChartBar> v;
    for (int t : times) {
        ChartBar b;
        b.time = t;
        b.close = float(t) + float(tag) / 10.0f;
        v.push_back(b);
    }
    return v;
}

std::string describe(const std::vector<ChartBar>& v)
{
    std::string s;
    for (const ChartBar& b : v)
        s += std::to_string(b.time) + ":" + std::to_string(int((b.close - float(b.time)) * 10.0f + 0.5f)) + " ";
    return s;
}

}  // namespace

TEST(BarMerge, Cases)
{
    struct Case {
        const char* what;
        std::vector<ChartBar> held, incoming;
        const char* expected;  // time:source (1 held, 2 new)
    } cases[] = {
        {"empty takes all", {}, bars({1, 2}, 2), "1:2 2:2 "},
        {"newer appended", bars({1, 2}, 1), bars({3, 4}, 2), "1:1 2:1 3:2 4:2 "},
        {"same last stamp, one bar overwrites", bars({1, 2, 3}, 1), bars({3}, 2), "1:1 2:1 3:2 "},
        {"same last stamp, more replace the last", bars({1, 2, 3}, 1), bars({3, 4, 5}, 2), "1:1 2:1 3:2 4:2 5:2 "},
        {"older history in front", bars({5, 6}, 1), bars({1, 2, 3}, 2), "1:2 2:2 3:2 5:1 6:1 "},
        {"history ending on the first bar", bars({5, 6}, 1), bars({3, 4, 5}, 2), "3:2 4:2 5:2 6:1 "},
        {"one bar on the first stamp overwrites", bars({5, 6}, 1), bars({5}, 2), "5:2 6:1 "},
        {"overlap merged in order", bars({2, 4, 6, 8}, 1), bars({1, 4, 5, 7}, 2), "1:2 2:1 4:2 5:2 6:1 7:2 8:1 "},
        {"nothing new", bars({1, 2}, 1), {}, "1:1 2:1 "},
    };
    for (Case& c : cases) {
        std::vector<ChartBar> e = c.held;
        mergeBars(e, std::move(c.incoming));
        EXPECT_EQ(c.expected, describe(e)) << c.what;
    }
}

// A few new bars inside a long held series (a pushed correction): bars on
// held time stamps replace them, others go in between, a repeated time
// stamp keeps both new bars, as the ordered merge has it.
TEST(BarMerge, FewBarsInsideALongSeries)
{
    std::vector<int> even;
    for (int t = 2; t <= 400; t += 2)
        even.push_back(t);  // 200 bars
    auto held = [&even] {
        std::vector<ChartBar> v;
        for (int t : even)
            v.push_back(bars({t}, 1).front());
        return v;
    };
    struct Case {
        const char* what;
        std::vector<ChartBar> incoming;
        std::size_t size;
        const char* news;  // the new bars in the result, time:index
    } cases[] = {
        {"one held bar replaced", bars({100}, 2), 200, "100:49 "},
        {"two held bars replaced", bars({100, 300}, 2), 200, "100:49 300:149 "},
        {"the bar before the last replaced", bars({398}, 2), 200, "398:198 "},
        {"a new time stamp in between", bars({101}, 2), 201, "101:50 "},
        {"a held and a new time stamp", bars({100, 101}, 2), 201, "100:49 101:50 "},
        {"the same time stamp twice", bars({100, 100}, 2), 201, "100:49 100:50 "},
    };
    for (Case& c : cases) {
        std::vector<ChartBar> e = held();
        mergeBars(e, std::move(c.incoming));
        std::string news;
        bool ordered = true;
        for (std::size_t i = 0; i < e.size(); ++i) {
            if (int((e[i].close - float(e[i].time)) * 10.0f + 0.5f) == 2)
                news += std::to_string(e[i].time) + ":" + std::to_string(i) + " ";
            ordered = ordered && (i == 0 || e[i - 1].time <= e[i].time);
        }
        EXPECT_EQ(c.size, e.size()) << c.what;
        EXPECT_EQ(c.news, news) << c.what;
        EXPECT_TRUE(ordered) << c.what;
    }
}

TEST(BarMerge, PreviousCloseFollowsTheBarBefore)
{
    std::vector<ChartBar> v = bars({10, 20, 30}, 0);
    recomputePreviousClose(v);
    EXPECT_FLOAT_EQ(10.0f, v[0].preClose);
    EXPECT_FLOAT_EQ(10.0f, v[1].preClose);
    EXPECT_FLOAT_EQ(20.0f, v[2].preClose);
    std::vector<ChartBar> none;
    recomputePreviousClose(none);
    EXPECT_TRUE(none.empty());
}

TEST(BarMerge, OverlayAlignsToBaseWithFillers)
{
    const std::vector<ChartBar> base = bars({1, 2, 3, 5, 8}, 1);
    const std::vector<ChartBar> overlay = bars({0, 2, 4, 5, 9}, 2);  // 0, 4 and 9 have no partner
    std::vector<ChartBar> out;
    alignToBase(base, overlay, out);
    ASSERT_EQ(5u, out.size());
    const int times[] = {0, 2, 0, 5, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(times[i], out[i].time) << i;
        if (times[i] == 0) {
            EXPECT_EQ(0u, out[i].date);
            EXPECT_EQ(kChartNoValue, out[i].close);
            EXPECT_EQ(kChartNoValue, out[i].extra);
            EXPECT_FALSE(isChartValue(out[i].open));
        } else {
            EXPECT_FLOAT_EQ(float(times[i]) + 0.2f, out[i].close);
        }
    }
    alignToBase({}, overlay, out);
    EXPECT_TRUE(out.empty());
}

TEST(BarMerge, RangeFollowsNewData)
{
    ChartRange r;
    followKLineRange(r, 0, 300, true, 120);  // first record: the end of the series
    EXPECT_EQ(180, r.begin);
    EXPECT_EQ(299, r.end);
    EXPECT_EQ(299, r.crosshair);

    r = {100, 150, 120};
    followKLineRange(r, 300, 500, false, 120);  // 200 older bars in front
    EXPECT_EQ(300, r.begin);
    EXPECT_EQ(350, r.end);
    EXPECT_EQ(320, r.crosshair);

    r = {180, 299, 250};
    followKLineRange(r, 300, 300, false, 120);  // the last bar replaced: nothing moves
    EXPECT_EQ(180, r.begin);
    EXPECT_EQ(299, r.end);
    EXPECT_EQ(250, r.crosshair);

    r = {180, 299, 299};
    followKLineRange(r, 300, 301, false, 120);  // a new bar
    EXPECT_EQ(181, r.begin);
    EXPECT_EQ(300, r.end);
    EXPECT_EQ(300, r.crosshair);

    r = {0, 9, -1};
    followKLineRange(r, 10, 12, false, 120);  // the crosshair is clamped into view
    EXPECT_EQ(2, r.crosshair);

    r = {1023, 511, 600};
    followKLineRange(r, 0, 512, false, 120);  // an emptied layer filled again: its end, not 1023..511
    EXPECT_EQ(392, r.begin);
    EXPECT_EQ(511, r.end);
    EXPECT_EQ(511, r.crosshair);

    followKLineRange(r, 0, 30, true, 120);  // fewer bars than shown
    EXPECT_EQ(0, r.begin);
    EXPECT_EQ(29, r.end);

    r = {0, 0, 5};
    followMinuteRange(r, 241, 240, true);  // shown and placed: stays
    EXPECT_EQ(1, r.begin);
    EXPECT_EQ(240, r.end);
    EXPECT_EQ(5, r.crosshair);
    followMinuteRange(r, 100, 240, false);
    EXPECT_EQ(0, r.begin);
    EXPECT_EQ(99, r.end);
    EXPECT_EQ(99, r.crosshair);
    r.crosshair = -1;
    followMinuteRange(r, 0, 240, true);
    EXPECT_EQ(0, r.end);
    EXPECT_EQ(0, r.crosshair);
}

TEST(BarChanges, FirstChangedBarAndTheNotesSinceAVersion)
{
    std::vector<ChartBar> a(5);
    for (int i = 0; i < 5; ++i)
        a[std::size_t(i)].close = float(i);
    struct Case {
        const char* what;
        std::vector<ChartBar> now;
        int first;
    };
    std::vector<ChartBar> last = a, third = a, longer = a, shorter = a, negZero = a;
    last[4].close = 9.0f;
    third[2].volume = 1.0f;
    longer.push_back(ChartBar{});
    shorter.pop_back();
    negZero[0].close = -0.0f;  // equal as a number, not in bits
    const Case cases[] = {{"equal", a, 5},         {"last bar", last, 4},     {"third bar's volume", third, 2},
                          {"one more", longer, 5}, {"one fewer", shorter, 4}, {"-0 for 0", negZero, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(c.first, firstChangedBar(a, c.now)) << c.what;

    BarChanges changes;
    const unsigned start = changes.version();
    EXPECT_EQ(7, changes.since(start, 7)) << "nothing changed";
    EXPECT_EQ(0, changes.since(0, 7)) << "never read";
    changes.mark(5);
    const unsigned afterFirst = changes.version();
    changes.mark(3);
    changes.mark(6);
    EXPECT_EQ(3, changes.since(start, 7));
    EXPECT_EQ(3, changes.since(afterFirst, 7));
    EXPECT_EQ(7, changes.since(changes.version(), 7));
    EXPECT_EQ(0, changes.since(changes.version() + 1, 7)) << "a version not made yet";
    for (int i = 0; i < 40; ++i)
        changes.mark(6);
    EXPECT_EQ(0, changes.since(afterFirst, 7)) << "its notes are gone";
    EXPECT_EQ(6, changes.since(changes.version() - 3, 7));
}
