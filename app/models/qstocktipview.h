// QStockTipView: the painted list of a QStockTipModel (time, name, tip and
// value of each tip). Style 0 draws four columns under a header row, other
// styles one column.
#pragma once

#include <QPointer>
#include <QVariant>

#include "charts/shownpainteditem.h"

class QStockTipModel;

class QStockTipView : public ShownPaintedItem {
    Q_OBJECT
public:
    explicit QStockTipView(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;
    // The list drawn into a painter of the given size (what paint() draws).
    void paintList(QPainter* painter, double width, double height) const;

    Q_INVOKABLE void setModel(QStockTipModel* model);
    Q_INVOKABLE void setStyle(int style)
    {
        style_ = style;
        update();
    }
    Q_INVOKABLE void setRowHeight(int rowHeight)
    {
        rowHeight_ = rowHeight;
        update();
    }
    Q_INVOKABLE QVariant getRowHeight() const { return rowHeight_; }

public slots:
    void onDataUpdated(int sIndex);
    void onSelectIndexChanged(int sIndex);

private:
    QPointer<QStockTipModel> model_;
    int style_ = 1;
    int rowHeight_ = 25;
};
