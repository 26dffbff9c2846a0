// The line tools: segment, line, fans, ratio lines, three points and trend,
// regression and Fibonacci.
#include "charts/paintmethods.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "charts/core/paintfile.h"
#include "charts/qchart.h"

using namespace paintcore;

// ---- Segment and line ----

bool CPaintSegment::hitShape(int x, int y)
{
    return start.set() && end.set() && hitSegment(x, y, start.x, start.y, end.x, end.y);
}

void CPaintSegment::drawShape(int x1, int y1, int x2, int y2) { pen.line(QPoint(x1, y1), QPoint(x2, y2)); }

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

// ---- Fans ----

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

// ---- Ratio lines ----

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

// ---- Three points and trend ----

CPaintThreePoint::CPaintThreePoint(const char* type) : CPaintMethodBase(type) { threePoint = true; }

void CPaintThreePoint::setChart(QChart* c)
{
    CPaintMethodBase::setChart(c);
    first_.setChart(c);
    second_.setChart(c);
}

void CPaintThreePoint::setPainter(QPainter* p)
{
    CPaintMethodBase::setPainter(p);
    first_.setPainter(p);
    second_.setPainter(p);
}

void CPaintThreePoint::setColor(int c)
{
    CPaintMethodBase::setColor(c);
    first_.setColor(c);
    second_.setColor(c);
}

void CPaintThreePoint::setWidth(int w)
{
    CPaintMethodBase::setWidth(w);
    first_.setWidth(w);
    second_.setWidth(w);
}

void CPaintThreePoint::setStyle(int s)
{
    CPaintMethodBase::setStyle(s);
    first_.setStyle(s);
    second_.setStyle(s);
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
    golden_.start = end;
    golden_.end = end;
    golden_.end.y = end.y + mid.y - start.y;
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
    if (start.set() && mid.set() && end.set())
        golden_.draw();
}

// ---- Regression ----

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

void CPaintRegression::drawShape(int, int, int, int) { drawRegression(); }

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

// ---- Fibonacci ----

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
