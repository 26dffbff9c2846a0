// QRoot: gives the QML side its main window's geometry, a corner position for
// pop-ups, and a restart. Context property "QRoot" of the main engine.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QQuickWindow>

class SingleApplication;

class QRoot : public QObject {
    Q_OBJECT
public:
    // GUI thread. Created on first use; lives until process exit.
    static QRoot* instance();

    void setApp(SingleApplication* app) { app_ = app; }
    QQuickWindow* window() const { return window_; }

public slots:
    // Keeps root when it is a QQuickWindow, else null. Once the program runs
    // (setApp), closing that window ends it, even while notices or browser
    // windows are still open.
    void setWindow(QObject* root);
    // Applies the geometry (truncated to integers) when w > 600 or h > 480 and
    // any of the four differs from the window's.
    void setRect(float x, float y, float w, float h);
    // Where a w x h window sits in the bottom-right corner of the available
    // geometry of the main window's screen.
    QPoint getScreenRightBottom(int w, int h);
    // Frees the single-instance name, starts the program again without
    // arguments and ends this event loop.
    void restartApp();

private:
    QRoot() = default;

    QPointer<QQuickWindow> window_;
    QMetaObject::Connection closed_;
    SingleApplication* app_ = nullptr;
};
