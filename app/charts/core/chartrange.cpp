#include "charts/core/chartrange.h"

#include <algorithm>
#include <cmath>

int barAtX(double x, int plotLeft, float pitch, int begin, int end)
{
    if (end < begin)
        return begin;
    const double steps = pitch > 0 ? std::floor((x - plotLeft) / pitch) : 0.0;
    const double i = double(begin) + steps;
    return int(std::min<double>(end, std::max<double>(begin, i)));
}

void scrollToPosition(ChartRange& r, int pos, int m, int last, bool kline)
{
    int b = r.begin, e = r.end;
    if (pos < r.begin) {
        if (pos < 0) {
            b = 0;
            e = m - 1;
        } else if (r.end - pos < m) {
            b = pos;
        } else {
            b = pos;
            e = r.end - (r.begin - pos);
        }
    } else if (pos > r.end) {
        if (pos < last) {
            e = pos;
            b = r.begin + (pos - r.end);
        } else {
            if (kline)
                b = std::min(last, r.begin + pos - last);
            e = last;
        }
    }
    b = std::max(0, b);
    e = std::max(b, std::min(e, last));
    r.begin = b;
    r.end = e;
    r.crosshair = std::min(e, std::max(b, pos));
}

ZoomResult zoomRange(int n, int count, int crosshair, bool crosshairShown)
{
    ZoomResult z;
    n = std::max(1, n);
    const int last = std::max(0, count - 1);
    z.showNumber = n;
    if (count < n) {
        z.showNumber = count;
        z.begin = 0;
        z.end = last;
    } else {
        const int anchor = crosshairShown ? n / 2 + crosshair : last;
        z.end = std::max(0, std::min(last, anchor));
        z.begin = std::max(0, z.end - n + 1);
        // Fewer than n fit: show exactly the bars laid out.
        if (z.end - z.begin + 1 < n)
            z.showNumber = z.end - z.begin + 1;
    }
    if (z.showNumber < 2)
        z.showNumber = 1;
    z.crosshair = std::max(crosshair, z.begin);
    return z;
}

ZoomResult zoomSelection(int b, int e, int count)
{
    ZoomResult z;
    if (e < b)
        std::swap(b, e);
    e = std::min(e, std::max(0, count - 1));
    b = std::max(0, std::min(b, e));
    if (e - b + 1 < 9) {
        // Widen to the right first, then to the left where the series ends.
        e = std::min(std::max(0, count - 1), b + 8);
        b = std::max(0, e - 8);
    }
    z.begin = b;
    z.end = e;
    z.showNumber = e - b + 1;
    z.crosshair = b + z.showNumber / 2;
    return z;
}

std::vector<int> timeBarIndices(int begin, int end, int n)
{
    if (n <= 1)
        return {begin};
    std::vector<int> out;
    out.reserve(std::size_t(n));
    const double step = double(end - begin) / double(n - 1);
    for (int i = 0; i < n; ++i)
        out.push_back(begin + int(i * step));
    return out;
}
