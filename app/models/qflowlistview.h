// QFlowListView: the painted tick list (time, price, volume, buy/sell tag) of
// one page of a QPageModelSorter over a QDetailedModel. Style 0 draws a header
// and four column groups side by side, other styles one group without header.
#pragma once

#include <QPointer>
#include <QQuickPaintedItem>

class QPageModelSorter;

class QFlowListView : public QQuickPaintedItem {
    Q_OBJECT
public:
    explicit QFlowListView(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) override;
    // The list drawn into a painter of the given size (what paint() draws).
    void paintList(QPainter* painter, double width, double height) const;

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
