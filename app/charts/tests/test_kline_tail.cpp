// A live K-line record that repeats the held series: only its last bar is
// updated or appended in place, and the result equals converting the whole
// record; anything else leaves the held bars to the merge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "charts/chartrecords.h"
#include "charts/core/barmerge.h"

namespace {

std::vector<QuoteKPoint> days(int n)
{
    std::vector<QuoteKPoint> v(std::size_t(n), QuoteKPoint{});
    for (int i = 0; i < n; ++i) {
        QuoteKPoint& p = v[std::size_t(i)];
        p.time = 1767225600LL + int64_t(i) * 86400;
        p.close = 10.0f + 0.25f * float(i % 5);
        p.open = p.close - 0.1f;
        p.high = p.close + 0.3f;
        p.low = p.close - 0.4f;
        p.volume = 1000 + i;
        p.amount = 12345.5 * i;
        p.extra = 0.5f * float(i);
    }
    return v;
}

std::vector<ChartBar> whole(const std::vector<QuoteKPoint>& p)
{
    std::vector<ChartBar> b = barsFromKPoints(p.data(), int(p.size()));
    recomputePreviousClose(b);
    return b;
}

bool same(const std::vector<ChartBar>& a, const std::vector<ChartBar>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(ChartBar)) == 0;
}

TEST(KLineTail, LastBarChangedOrAppendedEqualsWholeConversion)
{
    std::vector<QuoteKPoint> p = days(30);
    std::vector<ChartBar> held = whole(p);
    p.back().close += 0.07f;
    p.back().high += 0.5f;
    p.back().volume += 300;
    ASSERT_TRUE(updateKLineTail(held, p.data(), int(p.size())));
    EXPECT_TRUE(same(held, whole(p))) << "last bar changed";

    QuoteKPoint next = p.back();
    next.time += 86400;
    next.close = 11.5f;
    p.push_back(next);
    ASSERT_TRUE(updateKLineTail(held, p.data(), int(p.size())));
    EXPECT_TRUE(same(held, whole(p))) << "a new bar appended";
    EXPECT_FLOAT_EQ(p[p.size() - 2].close, held.back().preClose);

    std::vector<QuoteKPoint> one = days(1);
    std::vector<ChartBar> single = whole(one);
    one[0].close = 3.0f;
    ASSERT_TRUE(updateKLineTail(single, one.data(), 1));
    EXPECT_TRUE(same(single, whole(one))) << "a single bar";
}

TEST(KLineTail, AnythingElseLeavesHeldBarsToTheMerge)
{
    const std::vector<QuoteKPoint> base = days(150);  // bars are checked in blocks of 64
    const std::vector<ChartBar> original = whole(base);
    struct Case {
        const char* what;
        void (*change)(std::vector<QuoteKPoint>&);
    } cases[] = {
        {"an older bar changed", [](std::vector<QuoteKPoint>& p) { p[10].close += 0.01f; }},
        {"a bar of the third block", [](std::vector<QuoteKPoint>& p) { p[130].high += 0.01f; }},
        {"an open", [](std::vector<QuoteKPoint>& p) { p[64].open += 0.01f; }},
        {"a low", [](std::vector<QuoteKPoint>& p) { p[63].low -= 0.01f; }},
        {"an extra price", [](std::vector<QuoteKPoint>& p) { p[1].extra += 0.01f; }},
        {"an amount", [](std::vector<QuoteKPoint>& p) { p[147].amount += 1000; }},
        {"an extra of -0 for 0 (equal numbers, other bits)", [](std::vector<QuoteKPoint>& p) { p[0].extra = -0.0f; }},
        {"the first bar changed", [](std::vector<QuoteKPoint>& p) { p[0].volume += 1; }},
        {"the last bar's time changed", [](std::vector<QuoteKPoint>& p) { p.back().time += 60; }},
        {"two bars more", [](std::vector<QuoteKPoint>& p) {
             p.push_back(p.back());
             p.back().time += 86400;
             p.push_back(p.back());
             p.back().time += 86400;
         }},
        {"one bar fewer", [](std::vector<QuoteKPoint>& p) { p.pop_back(); }},
        {"an appended bar out of order", [](std::vector<QuoteKPoint>& p) {
             p.push_back(p.back());
             p.back().time -= 86400 * 3;
         }},
    };
    for (const Case& c : cases) {
        std::vector<QuoteKPoint> p = base;
        c.change(p);
        std::vector<ChartBar> held = original;
        EXPECT_FALSE(updateKLineTail(held, p.data(), int(p.size()))) << c.what;
        EXPECT_TRUE(same(held, original)) << c.what << ": held bars were touched";
    }
    std::vector<ChartBar> empty;
    EXPECT_FALSE(updateKLineTail(empty, base.data(), int(base.size()))) << "nothing held";
}

}  // namespace

namespace {

// A live push (the newest bars only, as the library's incremental reply
// carries them) gives the bars a merge of the push and a recomputation of
// the previous closes would give, converted from the whole series the push
// makes: the held bars with the last replaced or the new ones appended.
TEST(KLinePush, NewestBarsReplaceOrAppendAsTheWholeSeriesConverts)
{
    const std::vector<QuoteKPoint> base = days(70);
    auto at = [&base](std::size_t i, float close) {
        QuoteKPoint p = base[std::min(i, base.size() - 1)];
        p.time = base.front().time + int64_t(i) * 86400;
        p.close = close;
        p.high = close + 1.0f;
        return p;
    };
    struct Case {
        const char* what;
        std::vector<QuoteKPoint> push;
        std::size_t keep;  // base bars the series keeps before the pushed ones
        int changedFrom;
    } cases[] = {
        {"the last bar again, another close", {at(69, 12.5f)}, 69, 69},
        {"the last bar again, unchanged", {base.back()}, 69, 69},
        {"a newer bar", {at(70, 9.75f)}, 70, 70},
        {"a bar two days on", {at(72, 9.5f)}, 70, 70},
        {"the last bar and a new one", {at(69, 11.0f), at(70, 11.25f)}, 69, 69},
        {"two new bars", {at(70, 8.0f), at(71, 8.5f)}, 70, 70},
    };
    for (const Case& c : cases) {
        std::vector<ChartBar> held = whole(base);
        std::vector<QuoteKPoint> series(base.begin(), base.begin() + std::ptrdiff_t(c.keep));
        series.insert(series.end(), c.push.begin(), c.push.end());
        ASSERT_EQ(c.changedFrom, applyKLinePush(held, c.push.data(), int(c.push.size()))) << c.what;
        EXPECT_TRUE(same(held, whole(series))) << c.what;
    }
}

TEST(KLinePush, OlderBarsOrNothingHeldLeaveTheBarsToTheMerge)
{
    const std::vector<QuoteKPoint> base = days(20);
    const std::vector<ChartBar> original = whole(base);
    struct Case {
        const char* what;
        std::vector<QuoteKPoint> push;
    } cases[] = {
        {"the bar before the last", {base[18]}},
        {"the first bar", {base[0]}},
        {"older history in front", {[&] { QuoteKPoint p = base[0]; p.time -= 86400; return p; }()}},
        {"an older bar then the last", {base[17], base[19]}},
    };
    for (const Case& c : cases) {
        std::vector<ChartBar> held = original;
        EXPECT_EQ(-1, applyKLinePush(held, c.push.data(), int(c.push.size()))) << c.what;
        EXPECT_TRUE(same(held, original)) << c.what << ": held bars were touched";
    }
    std::vector<ChartBar> empty;
    EXPECT_EQ(-1, applyKLinePush(empty, base.data(), 1)) << "nothing held";
    EXPECT_TRUE(empty.empty());
    std::vector<ChartBar> held = original;
    EXPECT_EQ(-1, applyKLinePush(held, base.data(), 0)) << "no point";
}

}  // namespace
