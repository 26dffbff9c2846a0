#include "models/qflowlistview.h"

#include <QDateTime>
#include <QFont>
#include <QPainter>

#include "models/core/ticklists.h"
#include "models/qdetailedmodel.h"
#include "models/qpagemodelsorter.h"
#include "shell/core/theme.h"
#include "shell/hutil.h"

QFlowListView::QFlowListView(QQuickItem* parent) : ShownPaintedItem(parent) {}

void QFlowListView::setModel(QPageModelSorter* model)
{
    model_ = model;
}
void QFlowListView::setStyle(int style)
{
    style_ = style;
}
void QFlowListView::setRowHeight(int rowHeight)
{
    rowHeight_ = rowHeight;
}

int QFlowListView::showSize(double height, int titleHeight, int rowHeight, int columns) const
{
    return detailShowSize(height, titleHeight, rowHeight, columns);
}

int QFlowListView::startAfterUpdate(int startIndex, int pageSize, int oldCount, int newCount) const
{
    return detailStartAfterUpdate(startIndex, pageSize, oldCount, newCount);
}

int QFlowListView::clampStart(int startIndex, int count, int showSize) const
{
    return detailClampStart(startIndex, count, showSize);
}

int QFlowListView::rowAt(double x, double y, double width, int columns, int titleHeight, int rowHeight, int startIndex,
                         int showSize) const
{
    return detailRowAt(x, y, width, columns, titleHeight, rowHeight, startIndex, showSize, style_);
}

// GUI thread (the scene graph's paint of a painted item runs there).
void QFlowListView::paint(QPainter* painter)
{
    if (!isVisible())
        return;
    paintList(painter, width(), height());
}

void QFlowListView::paintList(QPainter* p, double w, double h) const
{
    if (!model_ || !model_->sourceModel())
        return;
    const QAbstractItemModel* src = model_->sourceModel();
    const auto* details = qobject_cast<const QDetailedModel*>(src);
    const int decimals = details ? details->getDecimal() : 2;
    const int rh = rowHeight_;
    const FlowListGeometry g = flowListGeometry(style_, w, rh);
    const int a = g.priceWidth;
    const int b = g.volumeWidth;

    QFont font(QString::fromUtf8(theme::kFontFamily));
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    p->setFont(font);

    const QColor back =
        style_ == 0 ? QColor::fromRgba(theme::kListAltBackground) : QColor::fromRgba(theme::kBackground);
    p->fillRect(QRectF(0, 0, w, h), back);
    const QColor white(255, 255, 255);
    if (style_ == 0) {
        for (int i = 0; i < g.groups; ++i) {
            const double x = i * g.groupWidth;
            p->fillRect(QRectF(x, 0, a, rh), back);
            p->fillRect(QRectF(x + a, 0, b - 20, rh), back);
            p->fillRect(QRectF(x + g.groupWidth - 20, 0, 20, rh), back);
            p->setPen(white);
            p->drawText(QRectF(x + 5, 0, a - 5, rh), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("时间"));
            p->drawText(QRectF(x + 5, 0, a - 5, rh), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("价格"));
            p->drawText(QRectF(x + a, 0, b - 20, rh), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("成交量"));
        }
        p->setPen(QColor::fromRgba(theme::kListGridColor));
        for (int i = 1; i <= 3; ++i)
            p->drawLine(QLineF(i * g.groupWidth, 0, i * g.groupWidth, h));
        p->drawLine(QLineF(0, rh, w, rh));
    }

    const int total = src->rowCount();
    const int first = std::max(0, model_->startIndex());
    const int end = int(std::min<int64_t>(int64_t(first) + std::max(0, model_->pageSize()), total));
    if (end <= first)
        return;
    const std::vector<ListCell> cells = flowListCells(style_, w, h, rh, end - first);
    const float preClose = src->data(src->index(0, 0), QDetailedModel::PreCloseRole).toFloat();
    const QColor orange(255, 128, 0);
    QString lastTime;
    uint lastMinute = 0;
    for (int r = first; r < end; ++r) {
        const ListCell& c = cells[size_t(r - first)];
        const QModelIndex idx = src->index(r, 0);
        if (r == model_->selectIndex())
            p->fillRect(QRectF(c.x, c.y, g.groupWidth, rh), QColor::fromRgba(theme::kListSelectedColor));
        // The text changes only with the minute: formatted once per minute.
        const uint minute = src->data(idx, QDetailedModel::TimeRole).toUInt() / 60;
        const bool sameMinute = r != first && minute == lastMinute;
        if (!sameMinute || lastTime.isEmpty())
            lastTime = QDateTime::fromSecsSinceEpoch(qint64(minute) * 60).toString(QStringLiteral("HH:mm"));
        lastMinute = minute;
        if (flowListShowsTime(style_, r == first, sameMinute)) {
            p->setPen(white);
            p->drawText(QRectF(c.x + 5, c.y, a - 5, rh), Qt::AlignLeft | Qt::AlignVCenter, lastTime);
        }
        const float price = src->data(idx, QDetailedModel::PriceRole).toFloat();
        p->setPen(QColor(HUtil::priceColor(price, preClose)));
        p->drawText(QRectF(c.x + 5, c.y, a - 5, rh), Qt::AlignRight | Qt::AlignVCenter,
                    QString::number(double(price), 'f', decimals));
        p->setPen(orange);
        p->drawText(QRectF(c.x + a, c.y, b - 20, rh), Qt::AlignRight | Qt::AlignVCenter,
                    HUtil::formatVolText(src->data(idx, QDetailedModel::VolRole).toFloat()));
        const QString tag = src->data(idx, QDetailedModel::WindRole).toString();
        p->setPen(QColor(HUtil::windColor(tag)));
        p->drawText(QRectF(c.x + g.groupWidth - 20, c.y, 20, rh), Qt::AlignCenter, tag);
    }
}
