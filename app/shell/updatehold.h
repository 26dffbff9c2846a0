// UpdateHold: takes the frame requests of the windows it holds aside until it
// lets them go; then each window that asked for a frame meanwhile draws one at
// once. Input and expose events are never held. FrameHold and the quote
// bridge's frame gate both hold windows through it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>

#include <functional>
#include <vector>

class UpdateHold : public QObject {
public:
    using QObject::QObject;
    ~UpdateHold() override;

    // GUI thread. Adds a window to the hold (nothing when held already).
    void hold(QWindow* window);
    // GUI thread. Lets every held window go; a window that asked for a frame
    // meanwhile draws it next. With drawNow every held window draws a frame
    // ahead of the events queued meanwhile (what the hold kept back shows
    // before what follows it). True when any window had been held.
    bool letGo(bool drawNow = false);

    bool holding() const { return !windows_.empty(); }
    bool holds(const QWindow* window) const;
    // GUI thread. The held window's next frame request goes through (the
    // window stays held); a request held already is made again now.
    void passNext(const QWindow* window);
    // A held window asked for a frame.
    bool pending() const { return pending_; }
    // GUI thread. Called when the first frame request of a hold is taken aside.
    std::function<void()> onPending;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Held {
        QPointer<QWindow> window;
        bool asked = false;
        bool pass = false;
    };
    std::vector<Held> windows_;
    bool pending_ = false;
};
