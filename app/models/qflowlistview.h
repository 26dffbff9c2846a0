// QFlowListView: the painted tick list (time, price, volume, buy/sell tag) of
// one page of a QPageModelSorter over a QDetailedModel. Style 0 draws a header
// and four column groups side by side, other styles one group without header.
#pragma once

#include <QPointer>

#include "charts/shownpainteditem.h"

class QPageModelSorter;

class QFlowListView : public ShownPaintedItem {
    Q_OBJECT
public:
    explicit QFlowListView(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;
    // The list drawn into a painter of the given size (what paint() draws).
    void paintList(QPainter* painter, double width, double height) const;

    // The detail view's paging arithmetic, for QML.
    Q_INVOKABLE int showSize(double height, int titleHeight, int rowHeight, int columns) const;
    Q_INVOKABLE int startAfterUpdate(int startIndex, int pageSize, int oldCount, int newCount) const;
    Q_INVOKABLE int clampStart(int startIndex, int count, int showSize) const;
    Q_INVOKABLE int rowAt(double x, double y, double width, int columns, int titleHeight, int rowHeight, int startIndex,
                          int showSize) const;

    int style() const { return style_; }
    int rowHeight() const { return rowHeight_; }

public slots:
    void setModel(QPageModelSorter* model);
    void setStyle(int style);
    void setRowHeight(int rowHeight);

private:
    QPointer<QPageModelSorter> model_;
    int style_ = 0;
    int rowHeight_ = 25;
};
