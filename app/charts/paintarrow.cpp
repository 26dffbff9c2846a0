#include "charts/paintarrow.h"

#include <QPainter>

using namespace paintcore;

CPaintArrow::CPaintArrow(const char* type, bool up) : CPaintOnePoint(type), up_(up)
{
    setColor(up ? 0xFF0000 : 0x00FF00);
}

bool CPaintArrow::hitShape(int x, int y)
{
    return end.set() && x >= end.x - 5 && x <= end.x + 5 && y >= end.y - 7 && y <= end.y + 6;
}

void CPaintArrow::drawShape(int x, int y, int, int)
{
    const std::vector<IntPoint> pts = up_ ? upArrow(x, y) : downArrow(x, y);
    QPoint q[7];
    for (int i = 0; i < 7; ++i)
        q[i] = QPoint(pts[size_t(i)].x, pts[size_t(i)].y);
    pen.path(q, 7, true);
}
