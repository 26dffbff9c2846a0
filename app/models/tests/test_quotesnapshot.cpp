// The prefetched copy of a minute series: a record flagged as continuing
// the day (value1 nonzero) is merged into the copy by minute, which stays a
// whole day a chart can take later.
#include <gtest/gtest.h>

#include <vector>

#include "models/quotesnapshot.h"

namespace {

QuoteMinPoints record(std::vector<QuoteMinPoint>& points, std::initializer_list<std::pair<int, float>> minutes,
                      int64_t flag)
{
    points.clear();
    for (const auto& m : minutes) {
        QuoteMinPoint p{};
        p.time = 1767260000LL + 60 * m.first;
        p.price = m.second;
        points.push_back(p);
    }
    QuoteMinPoints r{};
    r.price = 9.9f;
    r.value1 = flag;
    r.count = int32_t(points.size());
    r.points = points.data();
    return r;
}

}  // namespace

TEST(QuoteSnapshotMinute, ContinuationsMergeIntoTheWholeDay)
{
    const struct {
        const char* name;
        std::initializer_list<std::pair<int, float>> more;
        int64_t flag;
        std::vector<float> prices;  // minute 0, 1, ... of the copy
    } cases[] = {
        {"a new minute", {{3, 10.3f}}, 1, {10.0f, 10.1f, 10.2f, 10.3f}},
        {"the last minute moved, one more", {{2, 10.25f}, {3, 10.4f}}, 1, {10.0f, 10.1f, 10.25f, 10.4f}},
        {"a correction inside the day", {{1, 10.15f}}, 1, {10.0f, 10.15f, 10.2f}},
        {"no flag: the whole day", {{0, 10.3f}}, 0, {10.3f}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        QuoteSnapshot s;
        std::vector<QuoteMinPoint> a, b;
        s.takeMinute(record(a, {{0, 10.0f}, {1, 10.1f}, {2, 10.2f}}, 0));
        s.takeMinute(record(b, t.more, t.flag));
        const QuoteMinPoints* m = s.minute();
        ASSERT_NE(nullptr, m);
        EXPECT_EQ(0, m->value1) << "the copy is a whole day";
        std::vector<float> prices;
        for (int i = 0; i < m->count; ++i) {
            prices.push_back(m->points[i].price);
            EXPECT_EQ(1767260000LL + 60 * i, m->points[i].time);
        }
        EXPECT_EQ(t.prices, prices);
    }
}
