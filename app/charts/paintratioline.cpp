#include "charts/paintratioline.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace paintcore;

bool CPaintRatioLine::hitShape(int x, int y)
{
    if (!start.set() || !end.set())
        return false;
    const RatioTable& t = ratioTable(tool_);
    if (!t.horizontal) {
        for (int lx : cycleLineXs(frame(), start.x, end.x))
            if (std::abs(x - lx) <= 3)
                return true;
        return false;
    }
    if (tool_ == RatioTool::GoldenPrice && hitStart(x, y))
        return true;
    for (int ly : ratioLineYs(t, start.y, end.y))
        if (std::abs(y - ly) <= 3)
            return true;
    return false;
}

void CPaintRatioLine::drawShape(int x1, int y1, int x2, int)
{
    const RatioTable& t = ratioTable(tool_);
    const int s = pen.style;
    if (!t.horizontal) {
        for (int x : cycleLineXs(frame(), x1, x2))
            pen.line(QPoint(x, rect.top()), QPoint(x, rect.bottom()));
        return;
    }
    const std::vector<int> ys = ratioLineYs(t, y1, end.set() ? end.y : y1);
    for (size_t i = 0; i < ys.size(); ++i) {
        pen.style = t.styles[i] == 3 ? 3 : s;
        pen.line(QPoint(rect.left(), ys[i]), QPoint(rect.right(), ys[i]));
    }
    pen.style = s;
}

void CPaintRatioLine::drawLabels(int x1, int y1, int x2, int y2)
{
    const RatioTable& t = ratioTable(tool_);
    if (!t.horizontal) {
        const PaintFrame f = frame();
        const double pitch = double(f.barWidth) + f.gap;
        const int bars = pitch > 0 ? int(std::lround((x2 - x1) / pitch)) : 0;
        label(QPoint(x1 + 2, rect.bottom() - 30), QString::number(bars));
        return;
    }
    const std::vector<int> ys = ratioLineYs(t, y1, y2);
    // Each label's price is the ratio of the anchors' prices, not the price
    // at the line's whole-pixel row (up to a pixel's worth off).
    const double p1 = start.price;
    const double p2 = end.set() ? end.price : (mid.set() ? mid.price : start.price);
    // Labels sit above their lines at the tool's left end, inside the plot.
    const int lx = std::max(rect.left(), std::min(x1, x2)) + 4;
    for (size_t i = 0; i < ys.size(); ++i) {
        if (ys[i] < rect.top() || ys[i] > rect.bottom())
            continue;  // the line is outside the plot
        const std::string s = chart ? formatLabel("%3.1f%%,  %3.2f", t.ratios[i] * 100.0, p1 + (p2 - p1) * t.ratios[i])
                                    : formatLabel("%3.1f%%", t.ratios[i] * 100.0);
        label(QPoint(lx, std::max(rect.top(), ys[i] - 18)), QString::fromStdString(s));
    }
}
