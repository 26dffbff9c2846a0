#include "charts/core/paintgeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace paintcore {

namespace {
double pitch(const PaintFrame& f)
{
    return double(f.gap) + double(f.barWidth);
}

int toInt(double v)
{
    if (!(v == v))
        return 0;
    if (v > 2.0e9)
        return 2000000000;
    if (v < -2.0e9)
        return -2000000000;
    return int(v);
}
}  // namespace

int pixelToIndex(const PaintFrame& f, int x)
{
    const double p = pitch(f);
    const int steps = p > 0 ? toInt((x - f.left) / p) : 0;
    return std::max(0, std::min(f.lastVisible, f.first + steps));
}

float pixelToPrice(const PaintFrame& f, int y)
{
    return float(f.max - (y - f.top) / f.scale());
}

int indexToX(const PaintFrame& f, int index)
{
    return toInt(pitch(f) * (index - f.first) + f.left + f.barWidth * 0.5);
}

int priceToY(const PaintFrame& f, float price)
{
    return toInt((double(f.max) - price) * f.scale() + f.top);
}

int snapX(const PaintFrame& f, int x)
{
    const double p = pitch(f);
    if (p <= 0)
        return x;
    return toInt(p * toInt((x - f.left) / p) + f.left + f.barWidth * 0.5);
}

int resolveByTime(const ChartBar* bars, int count, int index, int32_t time)
{
    if (index >= 0 && index < count && bars[index].time == time)
        return index;
    for (int i = 0; i < count; ++i)
        if (bars[i].time == time)
            return i;
    return index;
}

const RatioTable& ratioTable(RatioTool t)
{
    static const RatioTable golden{{0, 0.236, 0.382, 0.5, 0.618, 1}, {0, 3, 3, 3, 3, 0}, true, false};
    static const RatioTable price{
        {0.618, 0.809, 1, 1.191, 1.382, 1.5, 1.618, 1.809, 2}, {3, 3, 0, 3, 3, 3, 3, 3, 3}, true, false};
    static const RatioTable band{{0, 0.25, 0.33, 0.5, 1}, {0, 3, 3, 3, 0}, true, false};
    static const RatioTable percent{{0, 0.125, 0.25, 1.0 / 3, 0.375, 0.5, 0.625, 2.0 / 3, 0.75, 0.875, 1},
                                    {0, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0},
                                    true,
                                    false};
    static const RatioTable cycle{{1}, {0}, false, true};
    switch (t) {
    case RatioTool::GoldenSplit:
        return golden;
    case RatioTool::GoldenPrice:
        return price;
    case RatioTool::BandLine:
        return band;
    case RatioTool::Percentage:
        return percent;
    case RatioTool::CycleLine:
        break;
    }
    return cycle;
}

std::vector<int> ratioLineYs(const RatioTable& t, int y1, int y2)
{
    std::vector<int> ys;
    ys.reserve(t.ratios.size());
    const double interval = double(y2) - y1;
    for (double r : t.ratios)
        ys.push_back(toInt(y1 + interval * r));
    return ys;
}

std::vector<int> cycleLineXs(const PaintFrame& f, int x1, int x2)
{
    std::vector<int> xs;
    const int interval = x2 - x1;
    if (interval == 0)
        return xs;
    long k = 0;
    if (x1 < 0)
        k = std::labs(long(x1 / interval)) + 1;
    for (int guard = 0; guard < 100000; ++guard, ++k) {
        const long x = long(x1) + k * interval;
        if (x < 0 || x > f.right())
            break;
        xs.push_back(snapX(f, int(x)));
    }
    return xs;
}

double screenSlope(int x1, int y1, int x2, int y2)
{
    return x1 == x2 ? 0.0 : double(y1 - y2) / double(x1 - x2);
}

double labelAngle(int x1, int y1, int x2, int y2)
{
    const double a = -std::atan(screenSlope(x1, y1, x2, y2)) * 180.0 / 3.14;
    return a == 0.0 ? 0.0 : a;  // no "-0"
}

std::vector<FanLine> gannLines(int x1, int y1, int x2, int y2)
{
    const double dx = double(x1) - x2, dy = double(y1) - y2;
    std::vector<FanLine> out;
    if (dx == 0) {
        for (int i = 0; i < 9; ++i)
            out.push_back({0.0, i == 4 ? 0 : 3});
        return out;
    }
    for (double r : {0.125, 0.25, 0.33, 0.5})
        out.push_back({dy / (dx * r), 3});
    out.push_back({dy / dx, 0});
    for (double r : {0.5, 0.33, 0.25, 0.125})
        out.push_back({dy * r / dx, 3});
    return out;
}

std::vector<FanLine> speedLines(int x1, int y1, int x2, int y2)
{
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    if (dx == 0)
        return {{0.0, 0}, {0.0, 3}, {0.0, 3}};
    return {{dy / dx, 0}, {dy * 2.0 / 3.0 / dx, 3}, {dy / 3.0 / dx, 3}};
}

const std::vector<int>& fibonacciNumbers()
{
    static const std::vector<int> numbers = [] {
        std::vector<int> v{1, 1};
        while (v.size() < 20)
            v.push_back(v[v.size() - 1] + v[v.size() - 2]);
        return v;
    }();
    return numbers;
}

Regression regress(const ChartBar* bars, int count, int index1, int index2)
{
    Regression r;
    if (!bars || count < 2)
        return r;
    int lo = std::max(0, std::min(index1, index2));
    int hi = std::min(count - 1, std::max(index1, index2));
    if (hi - lo + 1 < 2)
        return r;
    r.from = lo;
    r.n = hi - lo + 1;
    double si = 0, sc = 0, sic = 0, sii = 0;
    for (int i = 0; i < r.n; ++i) {
        const double c = bars[lo + i].close;
        si += i;
        sc += c;
        sic += i * c;
        sii += double(i) * i;
    }
    const double mi = si / r.n, mc = sc / r.n;
    const double den = sii - mi * mi * r.n;
    if (den == 0)
        return r;
    r.k = float((sic - r.n * mi * mc) / den);
    r.a = float(mc - mi * r.k);
    double up = -1e300, down = 1e300;
    for (int i = 0; i < r.n; ++i) {
        up = std::max(up, double(bars[lo + i].high) - double(i) * r.k);
        down = std::min(down, double(bars[lo + i].low) - double(i) * r.k);
    }
    r.upper = float(up);
    r.lower = float(down);
    r.ok = true;
    return r;
}

bool hitLine(int x, int y, int x1, int y1, int x2, int y2)
{
    if (x1 == x2)
        return std::abs(x - x1) <= 3;
    const double k = screenSlope(x1, y1, x2, y2);
    const double b = y1 - x1 * k;
    return std::fabs(y - (k * x + b)) <= 3.0;
}

bool hitSegment(int x, int y, int x1, int y1, int x2, int y2)
{
    if (x < std::min(x1, x2) - 3 || x > std::max(x1, x2) + 3 || y < std::min(y1, y2) - 3 || y > std::max(y1, y2) + 3)
        return false;
    return hitLine(x, y, x1, y1, x2, y2);
}

bool hitRect(int x, int y, int x1, int y1, int x2, int y2)
{
    if (y < std::min(y1, y2) - 3 || y > std::max(y1, y2) + 3)
        return false;
    const bool inX = x >= std::min(x1, x2) - 3 && x <= std::max(x1, x2) + 3;
    return std::abs(x - x1) <= 3 || std::abs(x - x2) <= 3 || (inX && (std::abs(y - y1) <= 3 || std::abs(y - y2) <= 3));
}

bool hitCircle(int x, int y, int cx, int cy, double r)
{
    return std::fabs(std::hypot(double(x - cx), double(y - cy)) - r) <= 6.0;
}

bool hitArc(int x, int y, int x1, int y1, int x2, int y2)
{
    const double w = 2.0 * std::abs(x2 - x1), h = 2.0 * std::abs(y2 - y1);
    if (w == 0 || h == 0)
        return false;
    const double cx = x2, cy = y1;
    const double v = (x - cx) * (x - cx) / (w * w) + (y - cy) * (y - cy) / (h * h);
    return v >= 0.23 && v <= 0.28 && y >= std::min(y1, y2) && y <= std::max(y1, y2);
}

bool hitFan(int x, int y, int x1, int y1, const std::vector<FanLine>& lines)
{
    if (x <= x1)
        return false;
    for (const FanLine& l : lines)
        if (std::fabs(y - (y1 + l.slope * (x - x1))) <= 3.0)
            return true;
    return false;
}

bool pointNear(int mx, int my, int px, int py)
{
    // QRect(px - 3, py - 3, 6, 6) holds px - 3 .. px + 2.
    return mx >= px - 3 && mx <= px + 2 && my >= py - 3 && my <= py + 2;
}

std::vector<IntPoint> upArrow(int x, int y)
{
    const int l = x - 5, t = y - 7, r = l + 10, b = t + 13;
    return {{l + 5, t + 1}, {l, t + 7}, {l + 2, t + 7}, {l + 2, b - 2}, {r - 2, b - 2}, {r - 2, t + 7}, {r, t + 7}};
}

std::vector<IntPoint> downArrow(int x, int y)
{
    const int l = x - 5, t = y - 7, r = l + 9, b = t + 13;
    return {{l + 5, b - 1}, {l, b - 7}, {l + 2, b - 7}, {l + 2, t + 2}, {r - 2, t + 2}, {r - 2, b - 7}, {r, b - 7}};
}

std::string formatLabel(const char* format, ...)
{
    char buf[129];
    va_list ap;
    va_start(ap, format);
    const int n = std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    return n < 0 ? std::string() : std::string(buf);
}

}  // namespace paintcore
