#include "charts/paintfullrect.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>

using namespace paintcore;

bool CPaintFullRect::hitShape(int x, int y)
{
    if (!start.set() || !end.set())
        return false;
    return x >= std::min(start.x, end.x) && x <= std::max(start.x, end.x) && y >= rect.top() && y <= rect.bottom();
}

void CPaintFullRect::drawShape(int x1, int, int x2, int)
{
    if (!painter)
        return;
    const QRect r(QPoint(std::min(x1, x2), rect.top()), QPoint(std::max(x1, x2), rect.bottom()));
    painter->fillRect(r, QColor::fromRgba(0x80FFFFFFu));
    const QPen old = painter->pen();
    painter->setPen(QPen(QColor::fromRgba(0x80FFFFFFu)));
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->setPen(old);
}

void CPaintFullRect::drawLabels(int x1, int, int x2, int)
{
    const std::vector<ChartBar>* b = bars();
    if (!b)
        return;
    auto text = [&](const PaintPoint& p) {
        if (p.index < 0 || p.index >= int(b->size()))
            return QString();
        return QDateTime::fromSecsSinceEpoch((*b)[size_t(p.index)].time).toString("yyyy-MM-dd HH:mm");
    };
    const uint32_t keep = pen.color;
    pen.color = 0xFFFFFF;
    label(QPoint(std::min(x1, x2) + 2, rect.top() + 2), text(x1 <= x2 ? start : end));
    label(QPoint(std::max(x1, x2) + 2, rect.top() + 20), text(x1 <= x2 ? end : start));
    pen.color = keep;
}

void CPaintFullRect::reset()
{
    clearPoints();
}

void CPaintFullRect::setBars(int a, int b)
{
    const std::vector<ChartBar>* bs = bars();
    const PaintFrame f = frame();
    for (auto pr : {std::make_pair(&start, a), std::make_pair(&end, b)}) {
        PaintPoint& p = *pr.first;
        p.index = pr.second;
        p.time = bs && p.index >= 0 && p.index < int(bs->size()) ? (*bs)[size_t(p.index)].time : 0;
        p.price = f.max;
        pixelOf(p);
    }
}
