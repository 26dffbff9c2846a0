#include "models/quotesnapshot.h"

namespace {

// Copies the points of `in` into store and `in` into out, pointing at store;
// false (and nothing changed) for a record without points.
template <typename Record, typename Point>
bool copyPoints(const Record& in, std::vector<Point>& store, Record& out)
{
    if (in.count <= 0 || !in.points)
        return false;
    store.assign(in.points, in.points + in.count);
    out = in;
    out.points = store.data();
    return true;
}

}  // namespace

void QuoteSnapshot::takeKLine(const QuoteKPoints& k)
{
    copyPoints(k, kPoints_, kLine_);
}

void QuoteSnapshot::takeMinute(const QuoteMinPoints& m)
{
    if (m.value1 != 0 && !minPoints_.empty() && m.count > 0 && m.points) {
        // Points that continue the day held: each replaces the held minute of
        // its time or is added in time order; the copy stays a whole day.
        std::vector<QuoteMinPoint> day;
        day.reserve(minPoints_.size() + std::size_t(m.count));
        auto a = minPoints_.cbegin();
        for (const QuoteMinPoint* p = m.points; p != m.points + m.count; ++p) {
            while (a != minPoints_.cend() && a->time < p->time)
                day.push_back(*a++);
            if (a != minPoints_.cend() && a->time == p->time)
                ++a;
            day.push_back(*p);
        }
        day.insert(day.end(), a, minPoints_.cend());
        minPoints_.swap(day);
        minute_.value1 = 0;
        minute_.count = int32_t(minPoints_.size());
        minute_.points = minPoints_.data();
        return;
    }
    if (copyPoints(m, minPoints_, minute_) && m.axis) {
        axis_ = *m.axis;
        minute_.axis = &axis_;
    }
}

void QuoteSnapshot::takePrice(const QuoteRealTimeMarket& rt)
{
    price_ = rt;
    // A link into the library's tables is not the snapshot's to keep.
    price_.symbol = nullptr;
    hasPrice_ = true;
}
