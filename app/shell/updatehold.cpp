#include "shell/updatehold.h"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

UpdateHold::~UpdateHold()
{
    letGo();
}

void UpdateHold::hold(QWindow* window)
{
    if (!window || holds(window))
        return;
    windows_.push_back({window, false});
    window->installEventFilter(this);
}

bool UpdateHold::holds(const QWindow* window) const
{
    for (const Held& h : windows_)
        if (h.window == window)
            return true;
    return false;
}

void UpdateHold::passNext(const QWindow* window)
{
    for (Held& h : windows_) {
        if (h.window != window)
            continue;
        h.pass = true;
        // The window asks no more while what it asked for is undrawn.
        if (h.asked)
            QCoreApplication::postEvent(h.window, new QEvent(QEvent::UpdateRequest));
    }
}

bool UpdateHold::letGo(bool drawNow)
{
    std::vector<Held> held = std::exchange(windows_, {});
    pending_ = false;
    for (const Held& h : held) {
        if (!h.window)
            continue;
        h.window->removeEventFilter(this);
        // The frame asked for meanwhile is drawn next, without the platform's
        // wait before a requested frame: it has waited already.
        if (drawNow)
            QCoreApplication::postEvent(h.window, new QEvent(QEvent::UpdateRequest), Qt::HighEventPriority);
        else if (h.asked)
            QCoreApplication::postEvent(h.window, new QEvent(QEvent::UpdateRequest));
    }
    return !held.empty();
}

// GUI thread. A frame request of a held window is taken aside.
bool UpdateHold::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::UpdateRequest)
        return QObject::eventFilter(watched, event);
    for (Held& h : windows_) {
        if (h.window != watched)
            continue;
        // Passed: this frame shows what was asked for so far.
        if (std::exchange(h.pass, false)) {
            h.asked = false;
            break;
        }
        h.asked = true;
        if (!std::exchange(pending_, true) && onPending)
            onPending();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
