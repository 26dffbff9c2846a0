#include "shell/framehold.h"

#include <QQuickWindow>

FrameHold::FrameHold(QQuickItem* parent) : QQuickItem(parent)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &FrameHold::release);
    hold_.onPending = [this] { emit framePendingChanged(); };
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
    if (!w || limit_ <= 0 || hold_.holds(w))
        return;
    release();
    hold_.hold(w);
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

// The view set up during the hold draws at once, before the replies queued
// meanwhile (the data that follows draws a frame of its own).
bool FrameHold::letGo()
{
    deadline_.stop();
    return hold_.letGo(true);
}

// GUI thread. Leaving the window ends its hold.
void FrameHold::itemChange(ItemChange change, const ItemChangeData& value)
{
    if (change == ItemSceneChange)
        release();
    QQuickItem::itemChange(change, value);
}
