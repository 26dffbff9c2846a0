#include "charts/core/chartgeometry.h"

#include <algorithm>
#include <cmath>

#include "charts/core/chartbar.h"

PlotRect layerRect(double itemWidth, double itemHeight)
{
    PlotRect r;
    r.x = 60;
    r.y = 20;
    r.width = int(itemWidth) - 120;
    r.height = int(itemHeight) - 21;
    return r;
}

BarGeometry barGeometry(int rectWidth, int showNumber, int visibleCount)
{
    BarGeometry g;
    const int d = showNumber > 0 ? showNumber : visibleCount;
    if (d <= 0 || rectWidth <= 0)
        return BarGeometry{0.0f, 0.0f};
    g.gap = 1.0f;
    g.width = (float(rectWidth) - float(d) * g.gap) / float(d);
    if (g.width < 1.0f) {
        g.gap = 0.0f;
        g.width = float(rectWidth) / float(d);
    }
    g.width = std::max(0.0f, std::min(g.width, float(rectWidth / 8) - g.gap));
    return g;
}

float barCentreX(int plotLeft, const BarGeometry& g, int n)
{
    return float(n) * (g.width + g.gap) + float(plotLeft) + g.width * 0.5f;
}

namespace {
// The nearest pixel boundary, halves up; saturated far outside any image.
int pixelEdge(float v)
{
    const float r = std::floor(v + 0.5f);
    if (!(r > -1e7f))  // NaN too
        return -10000000;
    return r < 1e7f ? int(r) : 10000000;
}
}  // namespace

PixelRect stickPixels(float left, float right, float base, float end)
{
    PixelRect p;
    p.x = pixelEdge(std::min(left, right));
    p.w = std::max(1, pixelEdge(std::max(left, right)) - p.x);
    const int b = pixelEdge(base), e = pixelEdge(end);
    if (e != b) {
        p.y = std::min(b, e);
        p.h = std::abs(e - b);
    } else {
        p.y = end > base ? b : b - 1;
        p.h = 1;
    }
    return p;
}

int outlineRects(const PixelRect& r, PixelRect out[4])
{
    if (r.w <= 0 || r.h <= 0)
        return 0;
    if (r.w <= 2 || r.h <= 2) {
        out[0] = r;
        return 1;
    }
    out[0] = PixelRect{r.x, r.y, r.w, 1};
    out[1] = PixelRect{r.x, r.y + r.h - 1, r.w, 1};
    out[2] = PixelRect{r.x, r.y + 1, 1, r.h - 2};
    out[3] = PixelRect{r.x + r.w - 1, r.y + 1, 1, r.h - 2};
    return 4;
}

CandlePixels candlePixels(int x, int w, int yHigh, int yOpen, int yLow, int yClose, bool rising)
{
    CandlePixels c;
    const int top = std::min(yOpen, yClose);
    const int h = std::max(1, std::abs(yOpen - yClose));
    c.body = PixelRect{x - w / 2, top, w, h};
    c.hollow = rising && w >= 3 && h >= 3;
    if (yHigh < top)
        c.upper = PixelRect{x, yHigh, 1, top - yHigh};
    if (yLow >= top + h)
        c.lower = PixelRect{x, top + h, 1, yLow + 1 - (top + h)};
    return c;
}

void dashedLinePixels(bool across, int at, int from, int to, LineDash dash, std::vector<PixelRect>& out)
{
    static const int kDot[] = {1, 2}, kDashDot[] = {4, 2, 1, 2};
    const int* pattern = dash == LineDash::Dot ? kDot : kDashDot;
    const int steps = dash == LineDash::Dot ? 2 : 4;
    auto put = [&](int a, int n) { out.push_back(across ? PixelRect{a, at, n, 1} : PixelRect{at, a, 1, n}); };
    if (dash == LineDash::Solid) {
        if (to >= from)
            put(from, to - from + 1);
        return;
    }
    for (int a = from, k = 0; a <= to; a += pattern[k], k = (k + 1) % steps)
        if (k % 2 == 0)
            put(a, std::min(pattern[k], to - a + 1));
}

namespace {
float valueScale(const ValueRange& r, int plotHeight)
{
    const float span = r.max - r.min;
    return span != 0.0f ? float(plotHeight) / span : 1.0f;
}
}  // namespace

float valueToY(const ValueRange& r, int plotTop, int plotHeight, float v)
{
    return (r.max - v) * valueScale(r, plotHeight) + float(plotTop);
}

float yToValue(const ValueRange& r, int plotTop, int plotHeight, float y)
{
    return r.max - (y - float(plotTop)) / valueScale(r, plotHeight);
}

bool ValueRange::valid() const
{
    return std::isfinite(max) && std::isfinite(min) && max >= min && max > -3.4028235e38f && min < 3.4028235e38f;
}

void padKLineRange(ValueRange& r, int plotHeight)
{
    const float s = valueScale(r, plotHeight);
    r.max += 10.0f / s;
    r.min -= 10.0f / s;
}

void centreOnPreviousClose(ValueRange& r, float p)
{
    if (!isChartValue(p))
        return;
    const float d = std::max(std::fabs(r.max - p), std::fabs(r.min - p));
    r.max = p + d;
    r.min = p - d;
}

void openFlatRange(ValueRange& r)
{
    if (r.max != r.min)
        return;
    if (r.max >= 0.0f) {
        r.max *= 1.01f;
        r.min *= 0.99f;
    } else {
        r.max *= 0.99f;
        r.min *= 1.01f;
    }
}

float overlayBase(const float* ref, int refSize, const float* oo, int ooSize, int begin, int end)
{
    if (!ref || refSize <= 0)
        return kChartNoValue;
    auto at = [&](int i) {
        if (refSize == 1)
            return ref[0];
        return i >= 0 && i < refSize ? ref[i] : kChartNoValue;
    };
    if (oo) {
        const int stop = std::min(end, ooSize);
        for (int i = std::max(0, begin); i < stop; ++i) {
            if (isChartValue(oo[i]))
                return at(i);
        }
    }
    return at(begin);
}

void normalizeOverlayRanges(std::vector<OverlayLayer>& layers)
{
    float up = 0.0f, down = 0.0f;
    bool any = false;
    auto hasBase = [](const OverlayLayer& l) { return isChartValue(l.base) && l.base > 0.0f; };
    for (const OverlayLayer& l : layers) {
        if (!hasBase(l))
            continue;
        for (const ValueRange* r : l.ranges) {
            if (!r->valid())
                continue;
            const float u = (r->max - l.base) / l.base;
            const float d = std::fabs(l.base - r->min) / l.base;
            up = any ? std::max(up, u) : u;
            down = any ? std::max(down, d) : d;
            any = true;
        }
    }
    if (!any)
        return;
    for (OverlayLayer& l : layers) {
        if (!hasBase(l))
            continue;
        for (ValueRange* r : l.ranges) {
            if (!r->valid())
                continue;
            r->max = l.base * up + l.base;
            r->min = l.base - l.base * down;
        }
    }
}
