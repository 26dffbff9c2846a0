#include "charts/core/intervalstats.h"

#include <algorithm>

namespace chartcore {

namespace {
int64_t toInt64(float v)
{
    if (!(v == v))
        return 0;
    if (v >= 9.2e18f)
        return INT64_MAX;
    if (v <= -9.2e18f)
        return INT64_MIN;
    return int64_t(v);
}
}  // namespace

IntervalStats intervalStats(const ChartBar* bars, int count, int start, int end)
{
    IntervalStats s;
    if (!bars || count <= 0)
        return s;
    start = std::max(0, start);
    end = std::min(end, count - 1);
    if (start > count - 1 || start > end)
        return s;
    s.start = start;
    s.end = end;
    s.reference = start > 0 ? start - 1 : 0;
    s.refClose = bars[s.reference].close;
    s.highest = bars[start].high;
    s.lowest = bars[start].low;
    for (int i = start; i <= end; ++i) {
        const ChartBar& b = bars[i];
        s.amount += toInt64(b.amount);
        s.volume += toInt64(b.volume);
        s.turnover += b.extra;
        s.highest = std::max(s.highest, b.high);
        s.lowest = std::min(s.lowest, b.low);
        if (b.close > b.open)
            ++s.rising;
        else if (b.close < b.open)
            ++s.falling;
        else
            ++s.flat;
    }
    s.count = end - start + 1;
    s.endClose = bars[end].close;
    s.change = s.endClose - s.refClose;
    s.hasRatios = s.refClose != 0.0f;
    if (s.hasRatios) {
        s.rise = double(s.change) / s.refClose * 100.0;
        s.amplitude = (double(s.highest) - s.lowest) / s.refClose * 100.0;
    }
    s.ok = true;
    return s;
}

}  // namespace chartcore
