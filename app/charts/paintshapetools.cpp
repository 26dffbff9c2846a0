// The shape tools: text, rectangle, circle, arc, arrows, the interval
// rectangle and the composite tool.
#include "charts/paintmethods.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "charts/chartpaint.h"
#include "charts/core/paintfile.h"
#include "charts/qchart.h"

using namespace paintcore;

// ---- Text ----

// A new note writes in the charts' own text font.
CPaintText::CPaintText() : CPaintMethodBase("PaintText"), font(chartpaint::chartFont(12)) {}

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
