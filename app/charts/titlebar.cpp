#include "charts/titlebar.h"

#include <QFontMetrics>
#include <QPainter>

#include "charts/chartpaint.h"
#include "charts/chartscales.h"
#include "charts/qchart.h"

TitleBar::TitleBar(QQuickItem* parent) : ShownPaintedItem(parent)
{
    // The base's constructor placed it before this class could hear of it.
    attachToChart(qobject_cast<QChart*>(parent));
}

// GUI thread.
void TitleBar::itemChange(ItemChange change, const ItemChangeData& value)
{
    if (change == ItemParentHasChanged)
        attachToChart(qobject_cast<QChart*>(value.item));
    ShownPaintedItem::itemChange(change, value);
}

void TitleBar::setLeftPadding(int p)
{
    if (p == leftPadding_)
        return;
    leftPadding_ = p;
    emit leftPaddingChanged(p);
}

void TitleBar::paint(QPainter* painter)
{
    if (!layer_)
        return;
    const int h = int(height());
    int x = leftPadding_;                           // the text area starts after the left padding
    const int right = int(width()) - leftPadding_;  // and ends before the right one
    painter->setFont(chartpaint::chartFont(13, false));
    const QFontMetrics fm(painter->font());
    for (const auto& slot : *layer_) {
        if (!slot->bars || slot->bars->empty() || !slot->context)
            continue;
        const int count = int(slot->bars->size());
        if (curX_ >= count)
            curX_ = count - 1;
        if (curX_ < 0)
            continue;
        FMLSelectedValue values[10];
        const int n = fml_ctx_output_selected_value(slot->context, unsigned(curX_), values, 10);
        for (int i = 0; i < n; ++i) {
            const QString name = QString::fromUtf8(values[i].name ? values[i].name : "");
            const QString text = chartpaint::valid(values[i].value)
                                     ? QStringLiteral("%1: %2").arg(name, fixedText(double(values[i].value), 2))
                                     : name + QStringLiteral(": -");
            const int w = fm.horizontalAdvance(text);
            if (x + w > right)
                return;  // what does not fit whole is left out, not cut at the edge
            painter->setPen(chartpaint::wordColor(values[i].color));
            painter->drawText(QRect(x, 0, w, h), Qt::AlignCenter, text);
            x += w + 5;
        }
    }
}
