#include "models/quotesnapshot.h"

void QuoteSnapshot::takeKLine(const QuoteKPoints& k)
{
    if (k.count <= 0 || !k.points)
        return;
    kPoints_.assign(k.points, k.points + k.count);
    kLine_ = k;
    kLine_.points = kPoints_.data();
    hasKLine_ = true;
}

void QuoteSnapshot::takeMinute(const QuoteMinPoints& m)
{
    if (m.count <= 0 || !m.points)
        return;
    minPoints_.assign(m.points, m.points + m.count);
    minute_ = m;
    minute_.points = minPoints_.data();
    if (m.axis) {
        axis_ = *m.axis;
        minute_.axis = &axis_;
    }
    hasMinute_ = true;
}

void QuoteSnapshot::takePrice(const QuoteRealTimeMarket& rt)
{
    price_ = rt;
    // A link into the library's tables is not the snapshot's to keep.
    price_.symbol = nullptr;
    hasPrice_ = true;
}
