#include "shell/windowplacer.h"

#include <QEvent>
#include <QScreen>
#include <QVariant>
#include <QWindow>
#include <private/qwindow_p.h>

#include <algorithm>

namespace {
// The window property holding where a shown window was placed, until its
// first exposure.
const char* const placedAt = "windowPlacerAt";
}  // namespace

WindowPlacer::WindowPlacer(std::function<QWindow*()> owner, QObject* parent) : QObject(parent), owner_(std::move(owner))
{}

QPoint WindowPlacer::centredOver(const QRect& owner, const QSize& size, const QRect& available)
{
    int x = owner.x() + (owner.width() - size.width()) / 2;
    int y = owner.y() + (owner.height() - size.height()) / 2;
    if (available.isValid()) {
        x = std::max(available.left(), std::min(x, available.left() + available.width() - size.width()));
        y = std::max(available.top(), std::min(y, available.top() + available.height() - size.height()));
    }
    return QPoint(x, y);
}

// GUI thread.
bool WindowPlacer::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWindowType())
        return false;
    auto* window = static_cast<QWindow*>(watched);
    // A window manager may still put the window where it puts new ones:
    // once shown, it is moved to where it was placed.
    if (event->type() == QEvent::Expose && window->isExposed()) {
        const QVariant at = window->property(placedAt);
        if (at.isValid()) {
            window->setProperty(placedAt, QVariant());
            if (window->position() != at.toPoint())
                window->setPosition(at.toPoint());
        }
        return false;
    }
    if (event->type() != QEvent::Show)
        return false;
    if (!window->isTopLevel())
        return false;
    const Qt::WindowType type = window->type();
    if (type != Qt::Window && type != Qt::Dialog && type != Qt::Tool)
        return false;
    // Only windows nobody placed: a position set by the window's own code
    // (the pop-up notice's corner, a centred sub window) stays.
    if (!QWindowPrivate::get(window)->positionAutomatic)
        return false;
    QWindow* owner = window->transientParent();
    if (!owner || !owner->isVisible())
        owner = owner_ ? owner_() : nullptr;
    if (!owner || owner == window || !owner->isVisible())
        return false;
    const QRect available = owner->screen() ? owner->screen()->availableGeometry() : QRect();
    const QPoint at = centredOver(owner->geometry(), window->size(), available);
    window->setProperty(placedAt, at);
    window->setPosition(at);
    return false;
}
