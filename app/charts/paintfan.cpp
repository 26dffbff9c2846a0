#include "charts/paintfan.h"

#include <QPainter>

#include <cmath>

using namespace paintcore;

std::vector<FanLine> CPaintFan::lines() const
{
    return gann_ ? gannLines(start.x, start.y, end.x, end.y) : speedLines(start.x, start.y, end.x, end.y);
}

bool CPaintFan::hitShape(int x, int y)
{
    if (!start.set() || !end.set())
        return false;
    if (start.x != end.x && x > start.x)
        return hitFan(x, y, start.x, start.y, lines());
    return !gann_ && std::abs(x - start.x) <= 3;
}

void CPaintFan::drawShape(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        return;
    const int right = rect.right();
    for (const FanLine& l : lines()) {
        const int s = pen.style;
        pen.style = l.style == 3 ? 3 : s;
        pen.line(QPoint(x1, y1), QPoint(right, int(y1 + l.slope * (right - x1))));
        pen.style = s;
    }
    if (gann_) {
        pen.line(QPoint(x1, y1), QPoint(x1, y2 > y1 ? rect.bottom() : rect.top()));
        pen.line(QPoint(x1, y1), QPoint(right, y1));
    }
}

void CPaintFan::drawLabels(int x1, int y1, int x2, int y2)
{
    if (x2 < x1)
        return;
    if (gann_)
        label(QPoint(x2 + 4, y2 - 9 - (y2 > y1 ? 20 : 0)),
              QString::fromStdString(formatLabel("D:%3.2f'", labelAngle(x1, y1, x2, y2))));
    else
        label(QPoint(x2 + 4, y2 - 9), QString::fromStdString(formatLabel("D:%3.0f'", labelAngle(x1, y1, x2, y2))));
}
