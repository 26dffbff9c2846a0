#include "charts/paintmethods.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "charts/core/paintfile.h"
#include "charts/qchart.h"

using namespace paintcore;

// ---- CPaintMethodBase ----

CPaintMethodBase::CPaintMethodBase(const char* type) : type_(type) {}

CPaintMethodBase::~CPaintMethodBase() = default;

void CPaintMethodBase::setChart(QChart* c) { chart = c; }

void CPaintMethodBase::setPainter(QPainter* p)
{
    painter = p;
    pen.painter = p;
}

void CPaintMethodBase::setRect(int left, int top, int right, int bottom)
{
    rect = QRect(QPoint(left, top), QPoint(right, bottom));
}

void CPaintMethodBase::setColor(int c)
{
    color = c;
    pen.color = uint32_t(c);
}

void CPaintMethodBase::setWidth(int w)
{
    width = w;
    pen.width = w;
}

void CPaintMethodBase::setStyle(int s)
{
    style = s;
    pen.style = s;
}

PaintFrame CPaintMethodBase::frame() const
{
    PaintFrame f;
    f.left = rect.left();
    f.top = rect.top();
    f.width = rect.width();
    f.height = rect.height();
    const CTXData* slot = chart ? chart->getCTXData(0) : nullptr;
    if (!slot)
        return f;
    const CTXGeometry& g = slot->geometry;
    f.left = g.plot.left();
    f.top = g.plot.top();
    f.width = g.plot.width();
    f.height = g.plot.height();
    if (g.hasRange()) {
        f.max = g.max();
        f.min = g.min();
    }
    f.barWidth = g.barWidth;
    f.gap = g.barGap;
    f.first = chart->visibleBegin();
    f.lastVisible = chart->visibleEnd();
    return f;
}

const std::vector<ChartBar>* CPaintMethodBase::bars() const { return chart ? chart->getKData(0) : nullptr; }

void CPaintMethodBase::anchorOf(PaintPoint& p) const
{
    const PaintFrame f = frame();
    p.index = pixelToIndex(f, p.x);
    const std::vector<ChartBar>* b = bars();
    p.time = b && p.index < int(b->size()) ? (*b)[size_t(p.index)].time : 0;
    p.price = pixelToPrice(f, p.y);
}

void CPaintMethodBase::pixelOf(PaintPoint& p) const
{
    const PaintFrame f = frame();
    p.x = indexToX(f, p.index);
    p.y = priceToY(f, p.price);
    if (p.x == -1 && p.y == -1)
        p.y = -2;
}

void CPaintMethodBase::setPoint(PaintPoint& p, int x, int y)
{
    p.x = x;
    p.y = y;
    anchorOf(p);
}

void CPaintMethodBase::setStartPoint(int x, int y)
{
    setPoint(start, x, y);
    if ((immediateDraw && end.set()) || mid.set())
        relayout();
}

void CPaintMethodBase::setMidPoint(int x, int y)
{
    setPoint(mid, x, y);
    if ((immediateDraw && start.set()) || end.set())
        relayout();
}

void CPaintMethodBase::setEndPoint(int x, int y)
{
    setPoint(end, x, y);
    if ((immediateDraw && start.set()) || mid.set())
        relayout();
}

bool CPaintMethodBase::compute()
{
    if (threePoint && start.set() && mid.set() && end.set())
        return computeThreePoint();
    return computeTwoPoint();
}

void CPaintMethodBase::moveBy(int dx, int dy)
{
    for (PaintPoint* p : {&start, &end, &mid}) {
        if (!p->set())
            continue;
        p->x += dx;
        p->y += dy;
        anchorOf(*p);
    }
    pixelsAuthoritative = true;
    if (compute() && painter && immediateDraw)
        draw();
}

bool CPaintMethodBase::hitTest(int x, int y) { return hitStart(x, y) || hitEnd(x, y) || hitMid(x, y); }
bool CPaintMethodBase::hitStart(int x, int y) { return start.set() && pointNear(x, y, start.x, start.y); }
bool CPaintMethodBase::hitEnd(int x, int y) { return end.set() && pointNear(x, y, end.x, end.y); }
bool CPaintMethodBase::hitMid(int x, int y) { return mid.set() && pointNear(x, y, mid.x, mid.y); }

void CPaintMethodBase::placeFromAnchors()
{
    for (PaintPoint* p : {&start, &end, &mid})
        if (p->set())
            pixelOf(*p);
}

void CPaintMethodBase::relayout()
{
    if (!pixelsAuthoritative)
        placeFromAnchors();
    pixelsAuthoritative = false;
    if (compute() && painter && immediateDraw)
        draw();
}

void CPaintMethodBase::clearPoints()
{
    start = PaintPoint();
    end = PaintPoint();
    mid = PaintPoint();
}

void CPaintMethodBase::draw()
{
    if (!start.set())
        return;
    const PaintPoint& other = end.set() ? end : mid;
    if (!other.set())
        return;
    drawShape(start.x, start.y, other.x, other.y);
    if (labelsShown)
        drawLabels(start.x, start.y, other.x, other.y);
    if (selected)
        drawHandles();
}

void CPaintMethodBase::drawHandles()
{
    if (!painter)
        return;
    const QColor c{QRgb(uint32_t(handleColor))};
    for (const PaintPoint* p : {&start, &end, &mid})
        if (p->set())
            painter->fillRect(QRect(p->x - 3, p->y - 3, 6, 6), c);
}

void CPaintMethodBase::resolveAnchors()
{
    const std::vector<ChartBar>* b = bars();
    if (!b)
        return;
    for (PaintPoint* p : {&start, &end, &mid})
        if (p->set())
            p->index = resolveByTime(b->data(), int(b->size()), p->index, p->time);
}

QPoint CPaintMethodBase::storedPixel(const PaintPoint& p) const
{
    PaintPoint q = p;
    q.price = float(parseDouble(priceText(p.price)));
    pixelOf(q);
    return QPoint(q.x, q.y);
}

void CPaintMethodBase::label(const QPoint& at, const QString& text) { pen.printText(at, text); }

namespace {
void writePoint(json_node* o, const char* t, const char* pr, const PaintPoint& p)
{
    addField(o, t, std::to_string(p.set() ? p.time : 0));
    addField(o, pr, priceText(p.set() ? p.price : 0.0f));
}

bool readPoint(const json_node* o, const char* t, const char* pr, PaintPoint& p)
{
    std::string time, price;
    const bool hasTime = readField(o, t, &time);
    const bool hasPrice = readField(o, pr, &price);
    if (!hasTime && !hasPrice)
        return false;
    if (hasTime)
        p.time = parseInt(time);
    if (hasPrice)
        p.price = float(parseDouble(price));
    // A point the tool never had is written with time 0.
    if (p.time == 0)
        return false;
    p.x = 0;
    p.y = 0;
    return true;
}

json_node* newObject(const char* type)
{
    json_node* o = json_make_object();
    if (o)
        addField(o, "type", type);
    return o;
}
}  // namespace

json_node* CPaintMethodBase::writeCommon() const
{
    json_node* o = newObject(type_);
    if (!o)
        return nullptr;
    writePoint(o, "kstart_time", "kstart_price", start);
    writePoint(o, "kend_time", "kend_price", end);
    writePoint(o, "kmid_time", "kmid_price", mid);
    addField(o, "m_color", colourText(int32_t(pen.color)));
    addField(o, "m_size", std::to_string(pen.width));
    addField(o, "m_style", std::to_string(pen.style));
    return o;
}

json_node* CPaintMethodBase::toJson() const { return writeCommon(); }

void CPaintMethodBase::readPoints(const json_node* o)
{
    start = PaintPoint();
    end = PaintPoint();
    mid = PaintPoint();
    readPoint(o, "kstart_time", "kstart_price", start);
    readPoint(o, "kend_time", "kend_price", end);
    readPoint(o, "kmid_time", "kmid_price", mid);
}

void CPaintMethodBase::readPen(const json_node* o)
{
    std::string v;
    if (readField(o, "m_color", &v))
        setColor(parseColour(v));
    if (readField(o, "m_size", &v))
        setWidth(std::max(1, std::min(parseInt(v), 20)));
    if (readField(o, "m_style", &v)) {
        const int s = parseInt(v);
        setStyle(s >= 1 && s <= 5 ? s : 1);
    }
}

void CPaintMethodBase::finishLoad()
{
    resolveAnchors();
    anchorsChanged();
    placeFromAnchors();
    compute();
}

void CPaintMethodBase::loadJson(const json_node* o)
{
    readPoints(o);
    readPen(o);
    finishLoad();
}

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
    const PaintFrame f = frame();
    // Labels sit above their lines at the tool's left end, inside the plot.
    const int lx = std::max(rect.left(), std::min(x1, x2)) + 4;
    for (size_t i = 0; i < ys.size(); ++i) {
        if (ys[i] < rect.top() || ys[i] > rect.bottom())
            continue;  // the line is outside the plot
        const std::string s = chart ? formatLabel("%3.1f%%,  %3.2f", t.ratios[i] * 100.0, double(pixelToPrice(f, ys[i])))
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
    auto line = [&](float a) { return QLine(l.xa, regressionY(f, a), l.xb, regressionY(f, a + r.k * last)); };
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

void CPaintFibonacci::setStartPoint(int x, int y)
{
    setPoint(start, x, y);
    setPoint(end, x, y);
    relayout();
}

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

void CPaintFibonacci::draw()
{
    if (!end.set())
        return;
    drawShape(end.x, end.y, end.x, end.y);
    if (selected)
        drawHandles();
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

// ---- Text ----

CPaintText::CPaintText() : CPaintMethodBase("PaintText")
{
    font.setFamily(QStringLiteral("宋体"));
    font.setPixelSize(12);
    font.setWeight(50);
    font.setStyle(QFont::StyleNormal);
}

void CPaintText::setStartPoint(int x, int y)
{
    setPoint(start, x, y);
    if (text.isEmpty())
        setPoint(end, x, y);
    relayout();
}

bool CPaintText::hitShape(int x, int y) { return textRect.contains(x, y); }

void CPaintText::drawShape(int x1, int y1, int, int)
{
    if (text.isEmpty())
        return;
    textRect = pen.drawMultiLineText(QPoint(x1, y1), text, &font);
}

json_node* CPaintText::toJson() const
{
    if (text.isEmpty())
        return nullptr;
    json_node* o = json_make_object();
    if (!o)
        return nullptr;
    addField(o, "type", typeName());
    addField(o, "text", text.toStdString());
    addField(o, "font", font.toString().toStdString());
    json_node* common = writeCommon();
    if (common) {
        // The common fields after "type".
        for (json_node* label = common->firstChild ? common->firstChild->next : nullptr; label;) {
            json_node* next = label->next;
            json_node* value = label->firstChild;
            std::string key = label->text;
            std::string v = value && value->text ? value->text : "";
            json_node* copy = json_make_string(v.c_str());
            if (copy && json_add_pair(o, key.c_str(), copy) != JSON_OK)
                json_free_tree(&copy);
            label = next;
        }
        json_free_tree(&common);
    }
    return o;
}

void CPaintText::loadJson(const json_node* o)
{
    std::string v;
    if (readField(o, "text", &v))
        text = QString::fromStdString(v);
    if (readField(o, "font", &v)) {
        QFont f;
        if (f.fromString(QString::fromStdString(v)))
            font = f;
    }
    CPaintMethodBase::loadJson(o);
}

void CPaintText::openEditor()
{
    // Ids only grow, so two editors opened within one second differ.
    static uint last = 0;
    const uint now = uint(QDateTime::currentSecsSinceEpoch());
    last = std::max(now, last + 1);
    editId_ = last;
    if (chart)
        chart->requestTextDialog(editId_, text.isEmpty() ? QStringLiteral("请输入文字") : text,
                                 QStringLiteral("#") + QString::number(uint32_t(color) & 0xFFFFFF, 16).rightJustified(6, '0'),
                                 font.toString());
}

void CPaintText::setEditText(const QString& t, const QFont& f)
{
    text = t;
    font = f;
    if (!text.isEmpty() && end.set())
        end = start;
}

// ---- Rectangle, circle, arc ----

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
    json_node* o = newObject(t.typeName());
    if (!o)
        return nullptr;
    writePoint(o, "kstart_time", "kstart_price", s);
    writePoint(o, "kend_time", "kend_price", e);
    if (r)
        addField(o, "m_dR", paramText(*r));
    addField(o, "m_color", colourText(int32_t(t.pen.color)));
    addField(o, "m_size", std::to_string(t.pen.width));
    addField(o, "m_style", std::to_string(t.pen.style));
    return o;
}
}  // namespace

json_node* CPaintRect::toJson() const { return shapeJson(*this, start, end, nullptr); }

void CPaintRect::loadJson(const json_node* o) { CPaintMethodBase::loadJson(o); }

bool CPaintEllipse::computeTwoPoint()
{
    r = std::hypot(double(end.x - start.x), double(end.y - start.y));
    return true;
}

bool CPaintEllipse::hitShape(int x, int y) { return start.set() && end.set() && hitCircle(x, y, start.x, start.y, r); }

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

json_node* CPaintArcEllipse::toJson() const { return shapeJson(*this, start, end, nullptr); }

void CPaintArcEllipse::loadJson(const json_node* o) { CPaintMethodBase::loadJson(o); }

// ---- Arrows ----

CPaintArrow::CPaintArrow(const char* type, bool up) : CPaintMethodBase(type), up_(up)
{
    setColor(up ? 0xFF0000 : 0x00FF00);
}

void CPaintArrow::setStartPoint(int x, int y)
{
    setPoint(start, x, y);
    setPoint(end, x, y);
    relayout();
}

bool CPaintArrow::hitShape(int x, int y)
{
    return end.set() && x >= end.x - 5 && x <= end.x + 5 && y >= end.y - 7 && y <= end.y + 6;
}

void CPaintArrow::draw()
{
    if (!end.set())
        return;
    drawShape(end.x, end.y, end.x, end.y);
    if (selected)
        drawHandles();
}

void CPaintArrow::drawShape(int x, int y, int, int)
{
    const std::vector<IntPoint> pts = up_ ? upArrow(x, y) : downArrow(x, y);
    QPoint q[7];
    for (int i = 0; i < 7; ++i)
        q[i] = QPoint(pts[size_t(i)].x, pts[size_t(i)].y);
    pen.path(q, 7, true);
}

// ---- Full rectangle ----

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
    painter->fillRect(r, QColor::fromRgba(0x40FFFFFFu));
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

void CPaintFullRect::reset() { clearPoints(); }

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

// ---- Composite ----

CPaintVelmora::CPaintVelmora() : CPaintMethodBase("PaintVelmora")
{
    gann.setColor(0x8900FF);
    gann.setWidth(2);
    golden.setColor(0x00FF00);
    fibonacci.setColor(0xD66B6B);
}

void CPaintVelmora::setChart(QChart* c)
{
    CPaintMethodBase::setChart(c);
    for (CPaintMethodBase* t : std::initializer_list<CPaintMethodBase*>{&gann, &golden, &fibonacci})
        t->setChart(c);
}

void CPaintVelmora::setPainter(QPainter* p)
{
    CPaintMethodBase::setPainter(p);
    for (CPaintMethodBase* t : std::initializer_list<CPaintMethodBase*>{&gann, &golden, &fibonacci})
        t->setPainter(p);
}

void CPaintVelmora::syncInner() const
{
    for (CPaintMethodBase* t : std::initializer_list<CPaintMethodBase*>{&gann, &golden, &fibonacci}) {
        t->rect = rect;
        t->start = start;
        t->end = end;
        t->labelsShown = labelsShown;
    }
}

bool CPaintVelmora::computeTwoPoint()
{
    syncInner();
    return true;
}

bool CPaintVelmora::hitShape(int x, int y)
{
    computeTwoPoint();
    return gann.hitShape(x, y) || golden.hitShape(x, y) || fibonacci.hitShape(x, y);
}

void CPaintVelmora::draw()
{
    if (!start.set() || !end.set())
        return;
    computeTwoPoint();
    golden.draw();
    fibonacci.draw();
    gann.draw();
}

void CPaintVelmora::selectionChanged()
{
    gann.selected = selected;
    golden.selected = false;
    fibonacci.selected = false;
}

void CPaintVelmora::anchorsChanged()
{
    gann.resolveAnchors();
    golden.resolveAnchors();
    fibonacci.resolveAnchors();
}

json_node* CPaintVelmora::toJson() const
{
    syncInner();
    json_node* o = writeCommon();
    if (!o)
        return nullptr;
    const std::pair<const char*, const CPaintMethodBase*> parts[] = {{"gann", &gann}, {"golden", &golden},
                                                                     {"fibonacci", &fibonacci}};
    for (const auto& p : parts) {
        json_node* inner = p.second->toJson();
        if (inner && json_add_pair(o, p.first, inner) != JSON_OK)
            json_free_tree(&inner);
    }
    return o;
}

void CPaintVelmora::loadJson(const json_node* o)
{
    const std::pair<const char*, CPaintMethodBase*> parts[] = {{"gann", &gann}, {"golden", &golden},
                                                               {"fibonacci", &fibonacci}};
    for (const auto& p : parts) {
        const json_node* label = json_find_label(o, p.first);
        const json_node* inner = label ? label->firstChild : nullptr;
        if (inner && inner->kind == JSON_OBJECT)
            p.second->loadJson(inner);
    }
    CPaintMethodBase::loadJson(o);
    selectionChanged();
}

// ---- Factory ----

namespace {
using Maker = std::function<std::unique_ptr<CPaintMethodBase>()>;
template <class T>
Maker maker()
{
    return [] { return std::unique_ptr<CPaintMethodBase>(new T); };
}

const std::map<QString, Maker>& makers()
{
    static const std::map<QString, Maker> m = {
        {"PaintSegment", maker<CPaintSegment>()},
        {"PaintLine", maker<CPaintLine>()},
        {"PaintSpeedBlock", maker<CPaintSpeedBlock>()},
        {"PaintGannLine", maker<CPaintGannLine>()},
        {"PaintGoldenSplit", maker<CPaintGoldenSplit>()},
        {"PaintGoldenPrice", maker<CPaintGoldenPrice>()},
        {"PaintBandLine", maker<CPaintBandLine>()},
        {"PaintPercentage", maker<CPaintPercentage>()},
        {"PaintTrendLine", maker<CPaintTrendLine>()},
        {"PaintLinerRegression", maker<CPaintLinerRegression>()},
        {"PaintLinerRegressionBand", maker<CPaintLinerRegressionBand>()},
        {"PaintRegressionChannel", maker<CPaintRegressionChannel>()},
        {"PaintCycleLine", maker<CPaintCycleLine>()},
        {"PaintFibonacci", maker<CPaintFibonacci>()},
        {"PaintText", maker<CPaintText>()},
        {"PaintRect", maker<CPaintRect>()},
        {"PaintEllipse", maker<CPaintEllipse>()},
        {"PaintArcEllipse", maker<CPaintArcEllipse>()},
        {"PaintUpArrow", maker<CPaintUpArrow>()},
        {"PaintDownArrow", maker<CPaintDownArrow>()},
        {"PaintThreePoint", maker<CPaintThreePoint>()},
        {"PaintFullRect", maker<CPaintFullRect>()},
        {"PaintVelmora", maker<CPaintVelmora>()},
    };
    return m;
}

QString typeOf(const QString& name) { return name.startsWith("CPaint") ? name.mid(1) : name; }
}  // namespace

std::unique_ptr<CPaintMethodBase> createPaintTool(const QString& name)
{
    auto it = makers().find(typeOf(name));
    return it == makers().end() ? nullptr : it->second();
}

bool isPaintToolName(const QString& name) { return makers().count(typeOf(name)) != 0; }
