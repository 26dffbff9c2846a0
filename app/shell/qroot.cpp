#include "shell/qroot.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QFile>
#include <QScreen>

#include "platform/process.h"
#include "shell/singleapplication.h"

QRoot* QRoot::instance()
{
    static QRoot root;
    return &root;
}

void QRoot::setWindow(QObject* root)
{
    QObject::disconnect(closed_);
    window_ = qobject_cast<QQuickWindow*>(root);
    if (!window_)
        return;
    // A closed window is hidden; the last-window rule would wait for every
    // other top-level window (the pop-up notice, a news page) as well.
    closed_ = connect(window_, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible && app_)
            QCoreApplication::quit();
    });
}

void QRoot::setRect(float x, float y, float w, float h)
{
    if (!(w > 600.0f || h > 480.0f) || !window_)
        return;
    if (x != static_cast<float>(window_->x()) || y != static_cast<float>(window_->y()) ||
        w != static_cast<float>(window_->width()) || h != static_cast<float>(window_->height()))
        window_->setGeometry(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h));
}

QPoint QRoot::getScreenRightBottom(int w, int h)
{
    QScreen* screen = window_ ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return QPoint();
    const QRect area = screen->availableGeometry();
    return QPoint(area.right() - w, area.bottom() - h);
}

void QRoot::restartApp()
{
    if (!app_)
        return;
    app_->closeServer();
    // The new program inherits none of our descriptors: the web engine's
    // helper processes end when their sockets to this process close, which
    // they would not while the new program held them open.
    platform::start_detached(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(), {}, {});
    QCoreApplication::exit(0);
}
