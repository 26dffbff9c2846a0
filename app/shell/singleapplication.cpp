#include "shell/singleapplication.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include "shell/instanceguard.h"

SingleApplication::SingleApplication(int& argc, char** argv, QString serverName)
    : QApplication(argc, argv), serverName_(std::move(serverName))
{
    guard_ = new InstanceGuard(serverName_, this);
    const QStringList args = arguments();
    isRunning_ = !guard_->claim(args.size() >= 2 ? args.last() : QString());
    if (!isRunning_ && guard_->server())
        connect(guard_->server(), &QLocalServer::newConnection, this, &SingleApplication::newLocalConnection);
}

SingleApplication::~SingleApplication() = default;

QString SingleApplication::startFailure() const
{
    return guard_->failure();
}

void SingleApplication::closeServer()
{
    guard_->close();
}

void SingleApplication::newLocalConnection()
{
    // What the other start sent is not interpreted. The connection is dropped
    // when it ends or after a second, without blocking this thread.
    if (QLocalSocket* socket = guard_->server()->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(1000, socket, [socket] { socket->abort(); });
    }
    if (window_) {
        const Qt::WindowFlags flags = window_->flags();
        window_->raise();
        window_->setFlags(flags | Qt::WindowStaysOnTopHint);
        window_->requestActivate();
        window_->show();
        window_->setFlags(flags);
        window_->show();
    }
    emit activated();
}
