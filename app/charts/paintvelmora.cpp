#include "charts/paintvelmora.h"

#include <QPainter>

using namespace paintcore;

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
    beginLabels();
    for (CPaintMethodBase* part : {static_cast<CPaintMethodBase*>(&golden), static_cast<CPaintMethodBase*>(&fibonacci),
                                   static_cast<CPaintMethodBase*>(&gann)})
        shareLabels(*part);
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
    const std::pair<const char*, const CPaintMethodBase*> parts[] = {
        {"gann", &gann}, {"golden", &golden}, {"fibonacci", &fibonacci}};
    for (const auto& p : parts) {
        json_node* inner = p.second->toJson();
        if (inner && json_add_pair(o, p.first, inner) != JSON_OK)
            json_free_tree(&inner);
    }
    return o;
}

void CPaintVelmora::loadJson(const json_node* o)
{
    const std::pair<const char*, CPaintMethodBase*> parts[] = {
        {"gann", &gann}, {"golden", &golden}, {"fibonacci", &fibonacci}};
    for (const auto& p : parts) {
        const json_node* label = json_find_label(o, p.first);
        const json_node* inner = label ? label->firstChild : nullptr;
        if (inner && inner->kind == JSON_OBJECT)
            p.second->loadJson(inner);
    }
    CPaintMethodBase::loadJson(o);
    selectionChanged();
}
