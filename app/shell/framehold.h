// FrameHold: keeps its window from drawing a frame for a short while, so that
// a view which is being set up anew and waits for its data does not show a
// frame of empty panes first. While held, the window's frame requests are
// taken aside; release() (or the end of `limit` milliseconds) lets the window
// draw again, at once if a frame was asked for meanwhile. Input and expose
// events are never held.
#pragma once

#include <QQuickItem>
#include <QTimer>

#include "shell/updatehold.h"

class FrameHold : public QQuickItem {
    Q_OBJECT
    // The longest a hold lasts (ms); 0 or less: hold() does nothing.
    Q_PROPERTY(int limit READ limit WRITE setLimit NOTIFY limitChanged)
    Q_PROPERTY(bool holding READ holding NOTIFY holdingChanged)
    // A frame was asked for during the hold.
    Q_PROPERTY(bool framePending READ framePending NOTIFY framePendingChanged)
public:
    explicit FrameHold(QQuickItem* parent = nullptr);
    ~FrameHold() override;

    int limit() const { return limit_; }
    void setLimit(int ms);
    bool holding() const { return hold_.holding(); }
    bool framePending() const { return hold_.pending(); }

    // GUI thread. Starts a hold of the item's window (a hold under way keeps
    // its limit).
    Q_INVOKABLE void hold();
    // GUI thread. Ends the hold (nothing when none).
    Q_INVOKABLE void release();

signals:
    void limitChanged();
    void holdingChanged();
    void framePendingChanged();
    // The hold ended (by release() or its limit).
    void released();

protected:
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    // Lets the window go; true when it had been held.
    bool letGo();

    int limit_ = 100;
    UpdateHold hold_;  // holds the item's window, or nothing
    QTimer deadline_;
};
