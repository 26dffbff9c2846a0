#include "charts/painttext.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>

#include "charts/chartpaint.h"
#include "charts/core/paintfile.h"
#include "charts/qchart.h"

using namespace paintcore;

// A new note writes in the charts' own text font.
CPaintText::CPaintText() : CPaintMethodBase("PaintText"), font(chartpaint::chartFont(12)) {}

void CPaintText::setStartPoint(int x, int y)
{
    setPoint(start, x, y);
    if (text.isEmpty())
        setPoint(end, x, y);
    relayout();
}

bool CPaintText::hitShape(int x, int y)
{
    return textRect.contains(x, y);
}

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
        chart->requestTextDialog(
            editId_, text.isEmpty() ? QStringLiteral("请输入文字") : text,
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
