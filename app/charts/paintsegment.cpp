#include "charts/paintsegment.h"

#include <QPainter>

#include "charts/core/paintfile.h"

using namespace paintcore;

bool CPaintSegment::hitShape(int x, int y)
{
    return start.set() && end.set() && hitSegment(x, y, start.x, start.y, end.x, end.y);
}

void CPaintSegment::drawShape(int x1, int y1, int x2, int y2)
{
    pen.line(QPoint(x1, y1), QPoint(x2, y2));
}

void CPaintSegment::drawLabels(int x1, int y1, int x2, int y2)
{
    label(QPoint(x2 + 4, y2 - 9), QString::fromStdString(formatLabel("D:%3.0f'", labelAngle(x1, y1, x2, y2))));
}

bool CPaintLine::computeTwoPoint()
{
    k = screenSlope(start.x, start.y, end.x, end.y);
    b = start.y - start.x * k;
    return true;
}

bool CPaintLine::hitShape(int x, int y)
{
    return start.set() && end.set() && hitLine(x, y, start.x, start.y, end.x, end.y);
}

void CPaintLine::drawShape(int x1, int y1, int x2, int y2)
{
    const double top = rect.top(), bottom = rect.bottom();
    if (x1 == x2) {
        pen.line(QPoint(x1, int(top)), QPoint(x1, int(bottom)));
        return;
    }
    const double kk = double(y1 - y2) / double(x1 - x2), bb = y1 - x1 * kk;
    double xa = rect.left(), xb = rect.right();
    double ya = kk * xa + bb, yb = kk * xb + bb;
    // Ends beyond the top or bottom move to the crossing with that edge.
    auto clip = [&](double& x, double& y) {
        if (kk == 0)
            return;
        if (y < top) {
            y = top;
            x = (top - bb) / kk;
        } else if (y > bottom) {
            y = bottom;
            x = (bottom - bb) / kk;
        }
    };
    clip(xa, ya);
    clip(xb, yb);
    pen.line(QPoint(int(xa), int(ya)), QPoint(int(xb), int(yb)));
}

void CPaintLine::drawLabels(int x1, int y1, int x2, int y2)
{
    label(QPoint(x2 + 4, y2 - 9), QString::fromStdString(formatLabel("D:%3.0f'", labelAngle(x1, y1, x2, y2))));
}

json_node* CPaintLine::toJson() const
{
    json_node* o = newObject(typeName());
    if (!o)
        return nullptr;
    writePoint(o, "kstart_time", "kstart_price", start);
    writePoint(o, "kend_time", "kend_price", end);
    const QPoint a = storedPixel(start), e = storedPixel(end);
    const double kk = screenSlope(a.x(), a.y(), e.x(), e.y());
    addField(o, "m_dB", paramText(a.y() - a.x() * kk));
    addField(o, "m_dK", paramText(kk));
    addField(o, "m_color", colourText(int32_t(pen.color)));
    addField(o, "m_size", std::to_string(pen.width));
    addField(o, "m_style", std::to_string(pen.style));
    return o;
}

void CPaintLine::loadJson(const json_node* o)
{
    readPoints(o);
    std::string v;
    if (readField(o, "m_dK", &v))
        k = parseDouble(v);
    if (readField(o, "m_dB", &v))
        b = parseDouble(v);
    readPen(o);
    finishLoad();
}
