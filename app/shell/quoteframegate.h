// QuoteFrameGate: one frame for a run of quote deliveries. The replies of a
// push reach the GUI thread one delivery after another (each while the engine
// thread waits), and a view that changes at each would draw a frame between
// them. While deliveries follow one another the gate holds the frame requests
// of the program's windows; once no delivery has begun for quietMs after the
// last one ended, or longestMs after the run began, each window that asked
// draws its frame, once. A frame a window asks for after the user's input
// (a key, a click, the wheel) is not held: the user sees it at once, and the
// window is held again for the rest of the run.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "shell/updatehold.h"

#include <vector>

class QuoteFrameGate : public QObject {
    Q_OBJECT
public:
    explicit QuoteFrameGate(QObject* parent = nullptr);

    // Any thread: queue begin() and end() to the gate's thread, in order
    // with the deliveries posted between them.
    void postBegin();
    void postEnd();

    // GUI thread. A delivery begins: the windows are held, the wait for the
    // run's end stops.
    void begin();
    // GUI thread. A delivery ended: the run ends once quietMs pass without
    // another.
    void end();
    // GUI thread. Lets the windows go and forgets the deliveries under way
    // (shutdown: their ends may never come).
    void reset();
    // GUI thread, during a delivery: it brings what the user asked for (the
    // first rows of a new page, order or list), so the windows draw as soon
    // as the run's deliveries have ended, without waiting for a quiet spell.
    // Outside a delivery it does nothing.
    void answersInput();

    bool holding() const { return hold_.holding(); }
    // A held window asked for a frame.
    bool framePending() const { return hold_.pending(); }
    int quietMs() const { return quiet_.interval(); }
    int longestMs() const { return longest_.interval(); }
    // GUI thread. The two waits (a frame interval at most by default).
    void setWaits(int quietMs, int longestMs);

signals:
    // A held window asked for a frame (once a run).
    void frameHeld();
    // The run ended and the windows were let go.
    void released();

protected:
    // GUI thread, on the application: marks windows given input and lets
    // their next frame request through.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // GUI thread.
    void release();

    UpdateHold hold_;
    QTimer quiet_;                          // from the last delivery's end
    QTimer longest_;                        // from the run's first delivery
    int open_ = 0;                          // deliveries begun and not ended
    bool answer_ = false;                   // the run brings what the user asked for: it ends with its deliveries
    bool watching_ = false;                 // the application's events are filtered
    std::vector<QPointer<QWindow>> input_;  // given input since their last frame request
};
