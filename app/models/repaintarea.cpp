#include "models/repaintarea.h"

#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSGRenderNode>

#include <utility>

namespace {

// Covers a rectangle and paints nothing in it.
class EmptyAreaNode : public QSGRenderNode {
public:
    QRectF area;
    void render(const RenderState*) override {}
    StateFlags changedStates() const override { return {}; }
    RenderingFlags flags() const override { return BoundedRectRendering; }
    QRectF rect() const override { return area; }
};

}  // namespace

RepaintArea::RepaintArea(QQuickItem* parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
}

void RepaintArea::markAll()
{
    marked_ = true;
    update();
}

QSGNode* RepaintArea::updatePaintNode(QSGNode* old, UpdatePaintNodeData*)
{
    const QSGRendererInterface* ri = window() ? window()->rendererInterface() : nullptr;
    if (!ri || ri->graphicsApi() != QSGRendererInterface::Software) {
        delete old;
        return nullptr;
    }
    auto* node = old ? static_cast<EmptyAreaNode*>(old) : new EmptyAreaNode;
    if (std::exchange(marked_, false)) {
        node->area = boundingRect();
        node->markDirty(QSGNode::DirtyMaterial);
    }
    return node;
}
