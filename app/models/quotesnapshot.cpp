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
