#include "charts/paintshapes.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "charts/core/paintfile.h"

using namespace paintcore;

bool CPaintRect::hitShape(int x, int y)
{
    return start.set() && end.set() && hitRect(x, y, start.x, start.y, end.x, end.y);
}

void CPaintRect::drawShape(int x1, int y1, int x2, int y2)
{
    pen.rect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))), false);
}

void CPaintRect::drawLabels(int x1, int y1, int x2, int y2)
{
    label(QPoint(std::min(x1, x2), std::min(y1, y2) - 18),
          QString::fromStdString(formatLabel("W:%d,H:%d", std::abs(x2 - x1), std::abs(y2 - y1))));
}

namespace {
json_node* shapeJson(const CPaintMethodBase& t, const PaintPoint& s, const PaintPoint& e, const double* r)
{
    json_node* o = CPaintMethodBase::newObject(t.typeName());
    if (!o)
        return nullptr;
    CPaintMethodBase::writePoint(o, "kstart_time", "kstart_price", s);
    CPaintMethodBase::writePoint(o, "kend_time", "kend_price", e);
    if (r)
        addField(o, "m_dR", paramText(*r));
    addField(o, "m_color", colourText(int32_t(t.pen.color)));
    addField(o, "m_size", std::to_string(t.pen.width));
    addField(o, "m_style", std::to_string(t.pen.style));
    return o;
}
}  // namespace

json_node* CPaintRect::toJson() const
{
    return shapeJson(*this, start, end, nullptr);
}

void CPaintRect::loadJson(const json_node* o)
{
    CPaintMethodBase::loadJson(o);
}

bool CPaintEllipse::computeTwoPoint()
{
    r = std::hypot(double(end.x - start.x), double(end.y - start.y));
    return true;
}

bool CPaintEllipse::hitShape(int x, int y)
{
    return start.set() && end.set() && hitCircle(x, y, start.x, start.y, r);
}

void CPaintEllipse::drawShape(int x1, int y1, int, int)
{
    const int rr = int(r);
    pen.ellipse(QRect(x1 - rr, y1 - rr, 2 * rr, 2 * rr));
}

void CPaintEllipse::drawLabels(int x1, int y1, int, int)
{
    label(QPoint(x1 + 4, y1 - 9), QString::fromStdString(formatLabel("R:%4.0f'", r)));
}

json_node* CPaintEllipse::toJson() const
{
    const QPoint a = storedPixel(start), e = storedPixel(end);
    const double stored = std::hypot(double(e.x() - a.x()), double(e.y() - a.y()));
    return shapeJson(*this, start, end, &stored);
}

void CPaintEllipse::loadJson(const json_node* o)
{
    std::string v;
    if (readField(o, "m_dR", &v))
        r = parseDouble(v);
    CPaintMethodBase::loadJson(o);
}

bool CPaintArcEllipse::hitShape(int x, int y)
{
    return start.set() && end.set() && hitArc(x, y, start.x, start.y, end.x, end.y);
}

void CPaintArcEllipse::drawShape(int x1, int y1, int x2, int y2)
{
    const int rx = std::abs(x2 - x1), ry = std::abs(y2 - y1);
    pen.arc(QRect(x2 - rx, y1 - ry, 2 * rx, 2 * ry), y1, y2, 1);
}

json_node* CPaintArcEllipse::toJson() const
{
    return shapeJson(*this, start, end, nullptr);
}

void CPaintArcEllipse::loadJson(const json_node* o)
{
    CPaintMethodBase::loadJson(o);
}
