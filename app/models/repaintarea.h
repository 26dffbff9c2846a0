// RepaintArea: an item that draws nothing and, when told, marks its whole
// area for the next frame. The software renderer keeps what changed in a
// frame as a region of rectangles and intersects that region with every item
// it draws; a table page that changes hundreds of cell texts at once makes
// it hundreds of small rectangles, and the frame's bookkeeping then costs
// more than its painting. Marked over a table when its rows change, the
// region is the table's one rectangle. Other back ends draw whole frames:
// there the item has no node.
#pragma once

#include <QQuickItem>

class RepaintArea : public QQuickItem {
    Q_OBJECT
public:
    explicit RepaintArea(QQuickItem* parent = nullptr);

    // GUI thread. The next frame repaints the whole area.
    Q_INVOKABLE void markAll();

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;

private:
    bool marked_ = false;
};
