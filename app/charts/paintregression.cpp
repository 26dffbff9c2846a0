#include "charts/paintregression.h"

#include <QPainter>

using namespace paintcore;

CPaintRegression::Lines CPaintRegression::lines() const
{
    Lines l;
    const std::vector<ChartBar>* b = bars();
    if (!b || !start.set() || !end.set())
        return l;
    const Regression r = regress(b->data(), int(b->size()), start.index, end.index);
    if (!r.ok)
        return l;
    const PaintFrame f = frame();
    l.xa = indexToX(f, r.from);
    l.xb = indexToX(f, r.from + r.n - 1);
    const float last = float(r.n - 1);
    auto line = [&](float a) { return QLine(l.xa, priceToY(f, a), l.xb, priceToY(f, a + r.k * last)); };
    l.main = line(r.a);
    l.upper = line(r.upper);
    l.lower = line(r.lower);
    l.ok = true;
    return l;
}

bool CPaintRegression::hitShape(int x, int y)
{
    if (!start.set() || !end.set())
        return false;
    if (hitSegment(x, y, start.x, start.y, end.x, end.y))
        return true;
    const Lines l = lines();
    if (!l.ok)
        return false;
    for (const QLine& q : {l.main, l.upper, l.lower}) {
        if (kind_ == Line && q != l.main)
            continue;
        if (hitSegment(x, y, q.x1(), q.y1(), q.x2(), q.y2()))
            return true;
    }
    return false;
}

void CPaintRegression::drawShape(int, int, int, int)
{
    drawRegression();
}

void CPaintRegression::drawRegression()
{
    const Lines l = lines();
    if (!l.ok)
        return;
    pen.line(l.main.p1(), l.main.p2());
    if (kind_ != Line) {
        pen.line(l.upper.p1(), l.upper.p2());
        pen.line(l.lower.p1(), l.lower.p2());
    }
    if (kind_ == Channel && l.xb != l.xa) {
        const int s = pen.style;
        pen.style = 3;
        const int right = rect.right();
        for (const QLine& q : {l.upper, l.main, l.lower}) {
            const double slope = double(q.y2() - q.y1()) / double(q.x2() - q.x1());
            pen.line(q.p2(), QPoint(right, int(q.y2() + slope * (right - q.x2()))));
        }
        pen.style = s;
    }
    if (selected) {
        pen.line(QPoint(l.xa, rect.top()), QPoint(l.xa, rect.bottom()));
        pen.line(QPoint(l.xb, rect.top()), QPoint(l.xb, rect.bottom()));
    }
}
