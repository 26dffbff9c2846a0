#include "charts/paintthreepoint.h"

#include <QPainter>

using namespace paintcore;

CPaintThreePoint::CPaintThreePoint(const char* type) : CPaintMethodBase(type)
{
    threePoint = true;
}

void CPaintThreePoint::setChart(QChart* c)
{
    CPaintMethodBase::setChart(c);
    toSegments(&CPaintMethodBase::setChart, c);
}

void CPaintThreePoint::setPainter(QPainter* p)
{
    CPaintMethodBase::setPainter(p);
    toSegments(&CPaintMethodBase::setPainter, p);
}

void CPaintThreePoint::setColor(int c)
{
    CPaintMethodBase::setColor(c);
    toSegments(&CPaintMethodBase::setColor, c);
}

void CPaintThreePoint::setWidth(int w)
{
    CPaintMethodBase::setWidth(w);
    toSegments(&CPaintMethodBase::setWidth, w);
}

void CPaintThreePoint::setStyle(int s)
{
    CPaintMethodBase::setStyle(s);
    toSegments(&CPaintMethodBase::setStyle, s);
}

bool CPaintThreePoint::computeThreePoint()
{
    for (CPaintSegment* s : {&first_, &second_}) {
        s->rect = rect;
        s->selected = false;
        s->labelsShown = labelsShown;
    }
    first_.start = start;
    first_.end = mid;
    second_.start = mid;
    second_.end = end;
    return true;
}

bool CPaintThreePoint::hitShape(int x, int y)
{
    if (!mid.set())
        return false;
    computeThreePoint();
    return first_.hitShape(x, y) || (end.set() && second_.hitShape(x, y));
}

void CPaintThreePoint::draw()
{
    if (!start.set() || !mid.set())
        return;
    computeThreePoint();
    beginLabels();
    shareLabels(first_);
    shareLabels(second_);
    first_.draw();
    if (end.set())
        second_.draw();
    if (selected)
        drawHandles();
}

void CPaintThreePoint::anchorsChanged()
{
    first_.resolveAnchors();
    second_.resolveAnchors();
}

CPaintTrendLine::CPaintTrendLine() : CPaintThreePoint("PaintTrendLine") {}

void CPaintTrendLine::setChart(QChart* c)
{
    CPaintThreePoint::setChart(c);
    golden_.setChart(c);
}

void CPaintTrendLine::setPainter(QPainter* p)
{
    CPaintThreePoint::setPainter(p);
    golden_.setPainter(p);
}

bool CPaintTrendLine::computeThreePoint()
{
    CPaintThreePoint::computeThreePoint();
    golden_.rect = rect;
    golden_.selected = false;
    golden_.setColor(color);
    // The golden split stands on the end point with the first leg's height:
    // its far point is computed, in pixels and in price alike.
    golden_.start = end;
    golden_.end = end;
    golden_.end.y = end.y + mid.y - start.y;
    golden_.end.price = end.price + mid.price - start.price;
    return true;
}

bool CPaintTrendLine::hitShape(int x, int y)
{
    if (CPaintThreePoint::hitShape(x, y))
        return true;
    return start.set() && mid.set() && end.set() && golden_.hitShape(x, y);
}

void CPaintTrendLine::draw()
{
    CPaintThreePoint::draw();
    shareLabels(golden_);
    if (start.set() && mid.set() && end.set())
        golden_.draw();
}
