#include "shell/framehold.h"

#include <QCoreApplication>
#include <QEvent>
#include <QQuickWindow>

#include <utility>

FrameHold::FrameHold(QQuickItem* parent) : QQuickItem(parent)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &FrameHold::release);
}

FrameHold::~FrameHold()
{
    letGo();
}

void FrameHold::setLimit(int ms)
{
    if (ms == limit_)
        return;
    limit_ = ms;
    emit limitChanged();
}

// GUI thread. A hold under way keeps its deadline: switches in quick
// succession (a key held down) never keep the window from drawing longer.
void FrameHold::hold()
{
    QQuickWindow* w = window();
    if (!w || limit_ <= 0 || window_ == w)
        return;
    release();
    window_ = w;
    w->installEventFilter(this);
    deadline_.start(limit_);
    emit holdingChanged();
}

// GUI thread.
void FrameHold::release()
{
    if (!letGo())
        return;
    emit holdingChanged();
    emit framePendingChanged();
    emit released();
}

bool FrameHold::letGo()
{
    deadline_.stop();
    QQuickWindow* w = window_;
    window_ = nullptr;
    const bool pending = std::exchange(pending_, false);
    if (!w)
        return false;
    w->removeEventFilter(this);
    // The frame asked for meanwhile is drawn next, without the platform's
    // wait before a requested frame: it has waited already.
    if (pending)
        QCoreApplication::postEvent(w, new QEvent(QEvent::UpdateRequest));
    return true;
}

// GUI thread. A frame request of the held window is taken aside.
bool FrameHold::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::UpdateRequest && watched == window_) {
        if (!pending_) {
            pending_ = true;
            emit framePendingChanged();
        }
        return true;
    }
    return QQuickItem::eventFilter(watched, event);
}

// GUI thread. Leaving the window ends its hold.
void FrameHold::itemChange(ItemChange change, const ItemChangeData& value)
{
    if (change == ItemSceneChange)
        release();
    QQuickItem::itemChange(change, value);
}
