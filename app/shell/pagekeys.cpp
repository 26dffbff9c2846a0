#include "shell/pagekeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QQuickItem>
#include <QQuickWindow>

namespace {

// The web page (a WebEngineView) holding item below area, or null.
QQuickItem* pageOf(QQuickItem* item, QQuickItem* area)
{
    for (QQuickItem* it = item; it && it != area; it = it->parentItem())
        if (it->inherits("QQuickWebEngineView"))
            return it;
    return nullptr;
}

bool inside(QQuickItem* item, QQuickItem* area)
{
    for (QQuickItem* it = item; it; it = it->parentItem())
        if (it == area)
            return true;
    return false;
}

}  // namespace

PageKeys::PageKeys(QObject* parent) : QObject(parent) {}

PageKeys::~PageKeys()
{
    if (window_)
        window_->removeEventFilter(this);
}

QQuickItem* PageKeys::area() const
{
    return area_;
}

void PageKeys::setArea(QQuickItem* area)
{
    if (area_ == area)
        return;
    if (area_)
        disconnect(area_, nullptr, this, nullptr);
    area_ = area;
    if (area_)
        connect(area_, &QQuickItem::windowChanged, this, &PageKeys::watchWindow);
    watchWindow();
    emit areaChanged();
}

void PageKeys::watchWindow()
{
    QQuickWindow* w = area_ ? area_->window() : nullptr;
    if (w == window_)
        return;
    if (window_)
        window_->removeEventFilter(this);
    window_ = w;
    if (window_)
        window_->installEventFilter(this);
}

bool PageKeys::tabAreaTakes(int key, Qt::KeyboardModifiers modifiers, const QString& text, bool editable)
{
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    if (key == Qt::Key_Escape)
        return true;
    if (ctrl && !alt && (key == Qt::Key_W || key == Qt::Key_Tab || key == Qt::Key_Backtab))
        return true;
    if (ctrl || alt || editable || text.size() != 1)
        return false;
    const QChar c = text.at(0);
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// GUI thread.
bool PageKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_ || event->type() != QEvent::KeyPress || !area_)
        return false;
    QQuickItem* focus = window_->activeFocusItem();
    if (!focus || !inside(focus, area_))
        return false;
    QQuickItem* page = pageOf(focus, area_);
    if (!page)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool editable =
        (focus->flags() & QQuickItem::ItemAcceptsInputMethod) || focus->inputMethodQuery(Qt::ImEnabled).toBool();
    if (!tabAreaTakes(key->key(), key->modifiers(), key->text(), editable))
        return false;
    // Up from the page's parent, as an unused key travels from a focused item.
    for (QQuickItem* it = page->parentItem(); it; it = it->parentItem()) {
        key->accept();
        QCoreApplication::sendEvent(it, key);
        if (key->isAccepted())
            return true;
        if (it == area_)
            break;
    }
    key->ignore();
    return false;
}
