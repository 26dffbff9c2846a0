#include "shell/quoteframegate.h"

#include <QGuiApplication>
#include <QQuickWindow>

#include <algorithm>
#include <utility>

QuoteFrameGate::QuoteFrameGate(QObject* parent) : QObject(parent)
{
    hold_.onPending = [this] { emit frameHeld(); };
    quiet_.setSingleShot(true);
    quiet_.setTimerType(Qt::PreciseTimer);
    longest_.setSingleShot(true);
    longest_.setTimerType(Qt::PreciseTimer);
    // The engine thread turns from one reply to the next in microseconds;
    // a quarter frame covers a busy machine's scheduling, and a run never
    // keeps the windows from drawing longer than a frame.
    setWaits(4, 16);
    connect(&quiet_, &QTimer::timeout, this, &QuoteFrameGate::release);
    connect(&longest_, &QTimer::timeout, this, &QuoteFrameGate::release);
}

void QuoteFrameGate::setWaits(int quietMs, int longestMs)
{
    quiet_.setInterval(quietMs);
    longest_.setInterval(longestMs);
}

void QuoteFrameGate::postBegin()
{
    QMetaObject::invokeMethod(
        this, [this] { begin(); }, Qt::QueuedConnection);
}

void QuoteFrameGate::postEnd()
{
    QMetaObject::invokeMethod(
        this, [this] { end(); }, Qt::QueuedConnection);
}

void QuoteFrameGate::begin()
{
    ++open_;
    quiet_.stop();
    if (!hold_.holding())
        longest_.start();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (!std::exchange(watching_, true))
        QCoreApplication::instance()->installEventFilter(this);
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (qobject_cast<QQuickWindow*>(w) && w->isVisible())
            hold_.hold(w);
}

void QuoteFrameGate::end()
{
    if (open_ == 0)
        return;
    if (--open_ > 0)
        return;
    if (!std::exchange(answer_, false)) {
        if (hold_.holding())
            quiet_.start();
        return;
    }
    // The answer's frame may be asked for only after this (a window's frame
    // request can come a few milliseconds late): it passes as a frame after
    // input does, even when another run holds the window by then.
    input_.erase(std::remove(input_.begin(), input_.end(), nullptr), input_.end());
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (qobject_cast<QQuickWindow*>(w) && w->isVisible() &&
            std::find(input_.begin(), input_.end(), w) == input_.end())
            input_.push_back(w);
    release();
}

void QuoteFrameGate::answersInput()
{
    if (open_ > 0)
        answer_ = true;
}

void QuoteFrameGate::reset()
{
    open_ = 0;
    release();
}

bool QuoteFrameGate::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWindowType())
        return false;
    auto* window = static_cast<QWindow*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        if (hold_.holds(window)) {
            hold_.passNext(window);
        } else {
            // Not held yet: a run that begins before the input's frame lets it through.
            input_.erase(std::remove(input_.begin(), input_.end(), nullptr), input_.end());
            if (std::find(input_.begin(), input_.end(), window) == input_.end())
                input_.push_back(window);
        }
        break;
    case QEvent::UpdateRequest: {
        // Seen here before the hold's own filter on the window.
        auto it = std::find(input_.begin(), input_.end(), window);
        if (it != input_.end()) {
            input_.erase(it);
            hold_.passNext(window);
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void QuoteFrameGate::release()
{
    answer_ = false;
    quiet_.stop();
    longest_.stop();
    if (hold_.letGo())
        emit released();
}
