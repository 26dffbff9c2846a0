// ShownPaintedItem: a painted item that paints only while it is shown.
// Qt Quick asks every item marked for an update for its node whether it is
// visible or not, and the software scene graph fills and paints a whole
// image for it each time (a new one when its size changed): a hidden pane,
// panel or page would cost as much as a shown one. A hidden item keeps its
// node as it was and paints once when it is shown again.
#pragma once

#include <QQuickPaintedItem>

class ShownPaintedItem : public QQuickPaintedItem {
    Q_OBJECT
public:
    explicit ShownPaintedItem(QQuickItem* parent = nullptr);

    // True while a paint was asked for when the item was hidden.
    bool paintPending() const { return pending_; }

protected:
    QSGNode* updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData* data) override;
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    bool pending_ = false;
};
