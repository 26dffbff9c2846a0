#include "charts/paintmethods.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "charts/core/paintfile.h"
#include "charts/qchart.h"

using namespace paintcore;

// ---- CPaintMethodBase ----

CPaintMethodBase::CPaintMethodBase(const char* type) : type_(type) {}

CPaintMethodBase::~CPaintMethodBase() = default;

void CPaintMethodBase::setChart(QChart* c)
{
    chart = c;
}

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

const std::vector<ChartBar>* CPaintMethodBase::bars() const
{
    return chart ? chart->getKData(0) : nullptr;
}

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

bool CPaintMethodBase::hitTest(int x, int y)
{
    return hitStart(x, y) || hitEnd(x, y) || hitMid(x, y);
}
bool CPaintMethodBase::hitStart(int x, int y)
{
    return start.set() && pointNear(x, y, start.x, start.y);
}
bool CPaintMethodBase::hitEnd(int x, int y)
{
    return end.set() && pointNear(x, y, end.x, end.y);
}
bool CPaintMethodBase::hitMid(int x, int y)
{
    return mid.set() && pointNear(x, y, mid.x, mid.y);
}

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
    beginLabels();
    drawShape(start.x, start.y, other.x, other.y);
    if (labelsShown)
        drawLabels(start.x, start.y, other.x, other.y);
    if (selected)
        drawHandles();
}

void CPaintOnePoint::setStartPoint(int x, int y)
{
    setPoint(start, x, y);
    setPoint(end, x, y);
    relayout();
}

void CPaintOnePoint::draw()
{
    if (!end.set())
        return;
    beginLabels();
    drawShape(end.x, end.y, end.x, end.y);
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

void CPaintMethodBase::label(const QPoint& at, const QString& text)
{
    std::vector<QRect>& placed = labelsPlaced ? *labelsPlaced : ownLabels_;
    // The pen centres a text in 18 px; a taller font takes its own height.
    const QFontMetrics fm = pen.painter ? pen.painter->fontMetrics() : QFontMetrics(QFont());
    const int h = std::max(18, fm.height());
    QRect r(at.x(), at.y() + 9 - h / 2, fm.horizontalAdvance(text.left(128)), h);
    // The free place nearest to the wanted one, inside the plot: there, or
    // next to a label already placed on the side the label's line is (so
    // the labels keep the order of their lines); else below them all.
    const int want = r.top();
    int lowest = want;
    std::vector<int> tops{want};
    for (const QRect& other : placed) {
        tops.push_back(want >= other.top() ? other.bottom() + 1 : other.top() - h);
        lowest = std::max(lowest, other.bottom() + 1);
    }
    std::stable_sort(tops.begin(), tops.end(),
                     [want](int a, int b) { return std::abs(a - want) < std::abs(b - want); });
    tops.push_back(lowest);
    for (int top : tops) {
        r.moveTop(top);
        const bool inside = rect.isEmpty() || top >= rect.top() || top == lowest;
        if (inside && std::none_of(placed.begin(), placed.end(), [&r](const QRect& o) { return r.intersects(o); }))
            break;
    }
    pen.printText(QPoint(r.left(), r.top() + h / 2 - 9), text);
    placed.push_back(r);
}

void CPaintMethodBase::beginLabels()
{
    if (!labelsPlaced)
        ownLabels_.clear();
}

void CPaintMethodBase::shareLabels(CPaintMethodBase& part)
{
    part.labelsPlaced = labelsPlaced ? labelsPlaced : &ownLabels_;
}

void CPaintMethodBase::writePoint(json_node* o, const char* t, const char* pr, const PaintPoint& p)
{
    addField(o, t, std::to_string(p.set() ? p.time : 0));
    addField(o, pr, priceText(p.set() ? p.price : 0.0f));
}

bool CPaintMethodBase::readPoint(const json_node* o, const char* t, const char* pr, PaintPoint& p)
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

json_node* CPaintMethodBase::newObject(const char* type)
{
    json_node* o = json_make_object();
    if (o)
        addField(o, "type", type);
    return o;
}

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

json_node* CPaintMethodBase::toJson() const
{
    return writeCommon();
}

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
