#include "models/qstocktipview.h"

#include <QDateTime>
#include <QFont>
#include <QPainter>

#include "models/core/ticklists.h"
#include "models/qstocktipmodel.h"
#include "shell/core/theme.h"

QStockTipView::QStockTipView(QQuickItem* parent) : ShownPaintedItem(parent) {}

void QStockTipView::setModel(QStockTipModel* model)
{
    if (model_) {
        disconnect(model_, &QStockTipModel::dataUpdated, this, &QStockTipView::onDataUpdated);
        disconnect(model_, &QStockTipModel::selectIndexChanged, this, &QStockTipView::onSelectIndexChanged);
    }
    model_ = model;
    if (model_) {
        connect(model_, &QStockTipModel::dataUpdated, this, &QStockTipView::onDataUpdated);
        connect(model_, &QStockTipModel::selectIndexChanged, this, &QStockTipView::onSelectIndexChanged);
    }
    update();
}

void QStockTipView::onDataUpdated(int)
{
    update();
}
void QStockTipView::onSelectIndexChanged(int)
{
    update();
}

// GUI thread.
void QStockTipView::paint(QPainter* painter)
{
    if (!isVisible())
        return;
    paintList(painter, width(), height());
}

void QStockTipView::paintList(QPainter* p, double w, double h) const
{
    const int rh = rowHeight_;
    const TipListGeometry g = tipListGeometry(style_, w, rh);
    const int u = g.unit;
    QFont font(QString::fromUtf8(theme::kFontFamily));
    font.setPointSize(11);
    font.setWeight(QFont::Normal);
    p->setFont(font);
    const QColor white = QColor::fromRgba(theme::kTextColor);
    if (style_ != 0) {
        p->fillRect(QRectF(0, 0, w, h), QColor::fromRgba(theme::kBackground));
    } else {
        p->fillRect(QRectF(0, 0, w, h), QColor::fromRgba(theme::kListAltBackground));
        p->setPen(white);
        for (int i = 0; i < g.columns; ++i) {
            const double x = i * g.columnWidth;
            p->drawText(QRectF(x, 0, u, rh), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("时间"));
            p->drawText(QRectF(x + u, 0, 2 * u, rh), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("名称"));
            p->drawText(QRectF(x + 3 * u, 0, 2 * u, rh), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("类型"));
            p->drawText(QRectF(x + 5 * u, 0, u, rh), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("值"));
        }
        p->setPen(QColor::fromRgba(theme::kListGridColor));
        for (int i = 1; i <= 3; ++i)
            p->drawLine(QLineF(i * g.columnWidth, 0, i * g.columnWidth, h));
        p->drawLine(QLineF(0, rh, w, rh));
    }
    if (!model_)
        return;
    const auto& rows = model_->rows();
    const std::vector<ListCell> cells = tipListCells(style_, w, h, rh, int(rows.size()));
    const QColor nameColor = QColor::fromRgba(theme::kCyanTextColor);
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        const ListCell& c = cells[i];
        if (c.y >= h && style_ != 0)
            break;  // the rest lies below the item
        if (int(i) == model_->selectIndex())
            p->fillRect(QRectF(c.x, c.y, g.columnWidth, rh), QColor::fromRgba(theme::kListSelectedColor));
        p->setPen(white);
        p->drawText(QRectF(c.x, c.y, u, rh), Qt::AlignLeft | Qt::AlignVCenter,
                    QDateTime::fromSecsSinceEpoch(r.time).toString(QStringLiteral("HH:mm")));
        p->setPen(nameColor);
        p->drawText(QRectF(c.x + u, c.y, 2 * u, rh), Qt::AlignLeft | Qt::AlignVCenter, r.name);
        const QColor colour(r.textColor);
        p->setPen(colour);
        p->drawText(QRectF(c.x + 3 * u, c.y, 2 * u, rh), Qt::AlignLeft | Qt::AlignVCenter, r.tip);
        p->drawText(QRectF(c.x + 5 * u, c.y, u, rh), Qt::AlignRight | Qt::AlignVCenter, r.val);
    }
}
