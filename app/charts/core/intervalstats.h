// Interval statistics over a span of bars: counts of rising, falling and flat
// bars, the reference and end closes, extremes, change, rise, amplitude and the
// sums of volume, amount and turnover.
#pragma once

#include <cstdint>

#include "charts/core/chartbar.h"

namespace chartcore {

struct IntervalStats {
    bool ok = false;
    int start = 0, end = 0, reference = 0;
    int count = 0, rising = 0, falling = 0, flat = 0;
    float refClose = 0, endClose = 0, highest = 0, lowest = 0, change = 0;
    bool hasRatios = false;  // false for a zero reference close
    double rise = 0, amplitude = 0;
    int64_t volume = 0, amount = 0;
    // The bars' extra field is the turnover rate in percent; the sum is too.
    double turnover = 0;
};

// Span [start, end] with the end cut to the last bar and the start at least 0;
// nothing (ok false) when there are no bars, the start lies beyond the last
// bar or after the end. The reference bar is the one before the start (bar 0
// for a span starting there).
IntervalStats intervalStats(const ChartBar* bars, int count, int start, int end);

}  // namespace chartcore
