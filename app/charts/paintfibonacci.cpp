#include "charts/paintfibonacci.h"

#include <QPainter>

#include <cmath>

using namespace paintcore;

std::vector<int> CPaintFibonacci::lineXs() const
{
    std::vector<int> xs;
    if (!end.set())
        return xs;
    const PaintFrame f = frame();
    for (int n : fibonacciNumbers()) {
        const int x = indexToX(f, end.index + n - 1);
        if (x >= rect.right())
            break;
        xs.push_back(x);
    }
    return xs;
}

bool CPaintFibonacci::hitShape(int x, int)
{
    for (int lx : lineXs())
        if (std::abs(x - lx) <= 3)
            return true;
    return false;
}

void CPaintFibonacci::drawShape(int, int, int, int)
{
    int last = INT32_MIN;
    for (int x : lineXs()) {
        if (x == last)
            continue;
        pen.line(QPoint(x, rect.top()), QPoint(x, rect.bottom()));
        last = x;
    }
}
