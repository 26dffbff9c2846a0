#include "charts/shownpainteditem.h"

ShownPaintedItem::ShownPaintedItem(QQuickItem* parent) : QQuickPaintedItem(parent) {}

// GUI thread (the scene graph's sync step).
QSGNode* ShownPaintedItem::updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData* data)
{
    if (!isVisible()) {
        pending_ = true;
        return oldNode;
    }
    pending_ = false;
    return QQuickPaintedItem::updatePaintNode(oldNode, data);
}

// GUI thread. Shown again (itself or an ancestor): what was asked for while
// hidden is painted now.
void ShownPaintedItem::itemChange(ItemChange change, const ItemChangeData& value)
{
    if (change == ItemVisibleHasChanged && value.boolValue && pending_)
        update();
    QQuickPaintedItem::itemChange(change, value);
}
