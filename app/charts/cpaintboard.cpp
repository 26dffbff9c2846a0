#include "charts/cpaintboard.h"

#include <QColor>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

#include "charts/qchart.h"

CPaintBoard::CPaintBoard(QObject* parent) : QObject(parent) {}

CPaintBoard::~CPaintBoard()
{
    for (CPaintMethodBase* t : tools_)
        if (t != fullRect_)
            delete t;
}

QRect CPaintBoard::layerRect() const
{
    const CTXData* slot = chart_ ? chart_->getCTXData(0) : nullptr;
    return slot ? slot->geometry.plot : QRect();
}

void CPaintBoard::repaint()
{
    if (chart_)
        chart_->update();
}

void CPaintBoard::attachChart(QChart* chart)
{
    chart_ = chart;
    if (!chart || chart->getFirstKLineSize() == 0) {
        clear();
        return;
    }
    const QRect r = layerRect();
    for (CPaintMethodBase* t : tools_) {
        t->setChart(chart);
        t->setRect(r);
    }
}

void CPaintBoard::addTool(CPaintMethodBase* tool)
{
    current_ = tool;
    tool->setChart(chart_);
    tool->immediateDraw = false;
    if (std::find(tools_.begin(), tools_.end(), tool) == tools_.end())
        tools_.push_back(tool);
}

void CPaintBoard::setFullRectTool(CPaintMethodBase* tool)
{
    if (tool) {
        fullRect_ = tool;
        addTool(tool);
        return;
    }
    if (fullRect_) {
        tools_.erase(std::remove(tools_.begin(), tools_.end(), fullRect_), tools_.end());
        if (current_ == fullRect_)
            current_ = nullptr;
        if (menuTarget_ == fullRect_)
            menuTarget_ = nullptr;
    }
    fullRect_ = nullptr;
}

void CPaintBoard::clear()
{
    current_ = nullptr;
    pending_ = nullptr;
    menuTarget_ = nullptr;
    creating_ = waitThird_ = false;
    for (CPaintMethodBase* t : tools_) {
        if (t != fullRect_) {
            delete t;
            modified_ = true;
        }
    }
    tools_.clear();
    if (!foreign_.empty()) {
        foreign_.clear();
        modified_ = true;
    }
    if (fullRect_) {
        addTool(fullRect_);
        current_ = nullptr;
    } else {
        dragStart_ = dragMid_ = dragEnd_ = false;
        emit paintComplete(nullptr);
    }
    repaint();
}

void CPaintBoard::setIdentity(const QString& code, int market, int cycle)
{
    code_ = code;
    market_ = market;
    cycle_ = cycle;
}

bool CPaintBoard::hasIdentity(const QString& code, int market, int cycle) const
{
    return code_ == code && market_ == market && cycle_ == cycle;
}

void CPaintBoard::paintAll(QPainter* painter)
{
    const QRect r = layerRect();
    for (CPaintMethodBase* t : tools_) {
        t->resolveAnchors();
        t->anchorsChanged();
        t->setPainter(painter);
        t->setRect(r);
        t->relayout();
        t->draw();
        t->setPainter(nullptr);
    }
}

json_node* CPaintBoard::toJson() const
{
    json_node* root = json_make_object();
    json_node* array = json_make_array();
    if (!root || !array || json_add_pair(root, "paintArray", array) != JSON_OK) {
        json_free_tree(&array);
        json_free_tree(&root);
        return nullptr;
    }
    for (CPaintMethodBase* t : tools_) {
        json_node* o = t->toJson();
        if (o && json_add_child(array, o) != JSON_OK)
            json_free_tree(&o);
    }
    for (const std::string& text : foreign_) {
        json_node* o = nullptr;
        if (json_parse_text(text.c_str(), &o) == JSON_OK && json_add_child(array, o) == JSON_OK)
            continue;
        json_free_tree(&o);
    }
    return root;
}

namespace {

// An element's JSON text, to be written back as it was read.
std::string elementText(const json_node* e)
{
    char* text = nullptr;
    std::string out;
    if (json_to_text(e, &text) == JSON_OK && text)
        out = text;
    std::free(text);
    return out;
}

}  // namespace

bool CPaintBoard::loadJson(const json_node* root)
{
    const json_node* label = root && root->kind == JSON_OBJECT ? json_find_label(root, "paintArray") : nullptr;
    const json_node* array = label ? label->firstChild : nullptr;
    if (!array || array->kind != JSON_ARRAY)
        return false;
    const QRect r = layerRect();
    for (const json_node* e = array->firstChild; e; e = e->next) {
        const json_node* typeLabel = e->kind == JSON_OBJECT ? json_find_label(e, "type") : nullptr;
        const json_node* type = typeLabel ? typeLabel->firstChild : nullptr;
        const bool named = type && type->kind == JSON_STRING && type->text;
        const QString name = named ? QString::fromUtf8(type->text) : QString();
        // The interval rectangle is never stored; a stray one is dropped.
        if (name == "PaintFullRect")
            continue;
        std::unique_ptr<CPaintMethodBase> t = createPaintTool(name);
        if (!t) {
            const std::string text = elementText(e);
            if (!text.empty())
                foreign_.push_back(text);
            continue;
        }
        t->setChart(chart_);
        t->setRect(r);
        t->loadJson(e);
        t->selected = false;
        t->selectionChanged();
        addTool(t.release());
    }
    current_ = nullptr;
    return true;
}

int CPaintBoard::snapX(int x, int y)
{
    raw_ = QPoint(x, y);
    const CTXData* slot = chart_ ? chart_->getCTXData(0) : nullptr;
    if (!slot)
        return x;
    paintcore::PaintFrame f;
    f.left = slot->geometry.plot.left();
    f.barWidth = slot->geometry.barWidth;
    f.gap = slot->geometry.barGap;
    return paintcore::snapX(f, x);
}

bool CPaintBoard::inPlot(const CPaintMethodBase* t, int x, int y) const
{
    QRect r = t ? t->rect : QRect();
    if (r.isEmpty())
        r = layerRect();
    return r.contains(x, y);
}

void CPaintBoard::select(CPaintMethodBase* t, bool on)
{
    t->selected = on;
    t->selectionChanged();
}

void CPaintBoard::finish()
{
    if (current_ && current_ != fullRect_)
        modified_ = true;
    emit paintComplete(current_);
    pending_ = nullptr;
}

bool CPaintBoard::mouseDown(uint flags, int x, int y)
{
    pressed_ = press(flags, x, y);
    return pressed_;
}

bool CPaintBoard::press(uint, int x, int y)
{
    if (!active_ || (!tools_.empty() && !inPlot(tools_.front(), x, y)))
        return false;
    if (current_ && current_->threePoint && !creating_ && waitThird_) {
        waitThird_ = false;
        last_ = QPoint(-1, -1);
        dragged_ = true;  // the release finishes the tool
        repaint();
        return true;
    }
    dragStart_ = dragMid_ = dragEnd_ = false;
    dragged_ = false;
    // The hovered tool is only dragged by a press on one of its handles or
    // on its shape; a press elsewhere leaves it where it is.
    if (current_ && !current_->hitTest(raw_.x(), raw_.y()) && !current_->hitShape(raw_.x(), raw_.y())) {
        select(current_, false);
        current_ = nullptr;
    }
    if (current_) {
        last_ = QPoint(x, y);
        dragStart_ = current_->hitStart(raw_.x(), raw_.y());
        if (dragStart_)
            return true;
        dragEnd_ = current_->hitEnd(raw_.x(), raw_.y());
        if (!dragEnd_)
            dragMid_ = current_->hitMid(raw_.x(), raw_.y());
        return true;
    }
    // A press the board does not take leaves no press point behind.
    last_ = QPoint(-1, -1);
    CPaintMethodBase* tool = nullptr;
    if (!pending_ || menuTarget_) {
        if (!fullRect_ || fullRect_->end.set())
            return false;
        tool = fullRect_;
        last_ = QPoint(x, y);
        addTool(tool);
        tool->setRect(layerRect());
        tool->setStartPoint(x, y);
    } else {
        std::unique_ptr<CPaintMethodBase> made = pending_();
        if (!made)
            return false;
        tool = made.release();
        last_ = QPoint(x, y);
        addTool(tool);
        tool->setRect(layerRect());
        tool->setStartPoint(x, y);
        if (tool->end.set()) {
            // Finished by its press: the release that follows finishes nothing.
            finish();
            select(tool, false);
            current_ = nullptr;
            repaint();
            return true;
        }
    }
    creating_ = true;
    dragMid_ = tool->threePoint;
    dragEnd_ = !tool->threePoint;
    repaint();
    return true;
}

bool CPaintBoard::mouseMove(uint buttons, int x, int y)
{
    if (tools_.empty() || !inPlot(tools_.front(), x, y) || !active_)
        return false;
    // A held button drags only what the board's own press took.
    if ((buttons & Qt::LeftButton) && current_ && pressed_) {
        if (dragStart_)
            current_->setStartPoint(x, y);
        else if (dragEnd_)
            current_->setEndPoint(x, y);
        else if (dragMid_)
            current_->setMidPoint(x, y);
        else {
            if (last_.x() >= 0)
                current_->moveBy(x - last_.x(), y - last_.y());
            last_ = QPoint(x, y);
        }
        if (current_ != fullRect_)
            modified_ = true;
        dragged_ = true;
        repaint();
        return true;
    }
    // A held button that carries no tool (a zoom or a scroll) selects none:
    // the tools it crosses stay where they are.
    if (buttons & Qt::LeftButton)
        return false;
    bool repaintNeeded = false;
    {
        if (current_ && current_->threePoint && !creating_ && waitThird_) {
            current_->setEndPoint(x, y);
            repaint();
            return true;
        }
        if (current_) {
            select(current_, false);
            repaintNeeded = true;
        }
    }
    // A tool under the cursor becomes current: by a handle first, then by its shape.
    const int rx = raw_.x(), ry = raw_.y();
    auto under = [&](bool (CPaintMethodBase::*hit)(int, int)) -> CPaintMethodBase* {
        for (CPaintMethodBase* t : tools_)
            if ((t->*hit)(rx, ry))
                return t;
        return nullptr;
    };
    CPaintMethodBase* t = under(&CPaintMethodBase::hitTest);
    if (!t)
        t = under(&CPaintMethodBase::hitShape);
    if (t) {
        current_ = t;
        select(t, true);
        repaint();
        return false;
    }
    current_ = nullptr;
    if (repaintNeeded)
        repaint();
    return false;
}

bool CPaintBoard::mouseLeave(uint, int x, int y)
{
    if (!active_ || (current_ && !inPlot(current_, x, y)))
        return false;
    dragStart_ = dragMid_ = dragEnd_ = false;
    if (current_ && current_->threePoint && creating_) {
        creating_ = false;
        waitThird_ = true;
    } else {
        // A new tool, or one whose points were dragged, is finished; a
        // chosen tool not drawn yet is given up (the mouse left the chart).
        if (creating_ || (current_ && dragged_))
            finish();
        pending_ = nullptr;
        creating_ = false;
        dragged_ = false;
    }
    repaint();
    return false;
}

bool CPaintBoard::mouseUp(uint flags, int x, int y)
{
    pressed_ = false;
    if (!active_)
        return false;
    mouseLeave(flags, x, y);
    // A three-point tool keeps following the mouse until its third press;
    // a finished tool shows its handles again when the mouse is over it.
    if (!waitThird_ && current_) {
        select(current_, false);
        current_ = nullptr;
    }
    return false;
}

bool CPaintBoard::rightButtonDown(uint, int, int)
{
    if (!active_)
        return false;
    if (tools_.empty())
        return pending_ ? (pending_ = nullptr, true) : false;
    menuTarget_ = current_;
    if (!current_ || current_ == fullRect_) {
        if (pending_) {
            pending_ = nullptr;
            return true;
        }
        return false;
    }
    CPaintMethodBase* t = current_;
    current_ = nullptr;
    if (chart_)
        emit chart_->showPaintBoardMenu(chart_, t->textEditor() ? QStringLiteral("text") : QStringLiteral("line"),
                                        raw_.x(), raw_.y());
    return true;
}

void CPaintBoard::destroy(CPaintMethodBase* t)
{
    tools_.erase(std::remove(tools_.begin(), tools_.end(), t), tools_.end());
    if (current_ == t)
        current_ = nullptr;
    if (t != fullRect_)
        delete t;
}

void CPaintBoard::styleCommand(int type, int value)
{
    CPaintMethodBase* t = menuTarget_;
    if (!t || std::find(tools_.begin(), tools_.end(), t) == tools_.end())
        return;
    switch (type) {
    case 0:
        t->setColor(value);
        menuTarget_ = nullptr;
        break;
    case 1:
        // The full-rectangle tool belongs to the chart.
        if (t == fullRect_)
            return;
        menuTarget_ = nullptr;
        creating_ = waitThird_ = false;
        destroy(t);
        break;
    case 2:
        if (IPaintTextEditor* e = t->textEditor())
            e->openEditor();
        break;
    case 4:
        t->setStyle(1);
        break;
    case 5:
        t->setStyle(3);
        break;
    case 6:
    case 7:
    case 8:
        t->setWidth(type - 5);
        break;
    default:
        return;
    }
    modified_ = true;
    repaint();
}

void CPaintBoard::setEditText(uint editId, const QString& text, const QString& color, const QString& font)
{
    if (tools_.empty() || !active_)
        return;
    for (CPaintMethodBase* t : tools_) {
        IPaintTextEditor* e = t->textEditor();
        if (!e || e->editId() != editId)
            continue;
        QFont f;
        if (!f.fromString(font))
            f = QFont();
        e->setEditText(text, f);
        // Kept with its alpha byte, as the file stores a note's colour.
        const QColor c(color);
        t->setColor(int(c.isValid() ? c.rgb() : QColor(Qt::white).rgb()));
        modified_ = true;
        repaint();
        return;
    }
}
