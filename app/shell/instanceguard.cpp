#include "shell/instanceguard.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTextStream>

#include <unistd.h>

#include "shell/datadir.h"

InstanceGuard::InstanceGuard(const QString& appName, QObject* parent)
    : QObject(parent), serverName_(serverNameFor(appName))
{
}

InstanceGuard::~InstanceGuard() = default;

QString InstanceGuard::serverNameFor(const QString& appName)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + "/" + appName;
    return appName + "-" + QString::number(::getuid());
}

QString InstanceGuard::lockPath()
{
    return dataDirectory() + "/instance.lock";
}

namespace {

// A lock left by a power loss or a crash: empty, garbage or a directory.
// Qt only ever sees a lock as stale when it can read its owner, so one that
// cannot be read would keep every later start out. Such a lock is removed;
// a live owner holds a native lock on its file, so removeStaleLockFile()
// refuses to take that one away.
void dropUnreadableLock(QLockFile& lock, const QString& path)
{
    qint64 pid = 0;
    QString host, app;
    if (lock.getLockInfo(&pid, &host, &app) && pid > 0)
        return;  // readable: Qt judges whether its owner lives
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        QDir(path).removeRecursively();
        return;
    }
    lock.removeStaleLockFile();
}

}  // namespace

bool InstanceGuard::claim(const QString& message)
{
    const QString path = lockPath();
    lock_ = std::make_unique<QLockFile>(path);
    lock_->setStaleLockTime(0);  // stale only when its process is gone
    bool owns = lock_->tryLock(0);
    if (!owns && lock_->error() == QLockFile::LockFailedError) {
        dropUnreadableLock(*lock_, path);
        owns = lock_->tryLock(0);
    }
    if (!owns) {
        const bool reached = forward(message);
        // A live instance holds the lock: whether or not it answered in time,
        // it is running and its server name is left alone.
        if (reached || lock_->error() == QLockFile::LockFailedError)
            return false;
    }
    listen(owns);
    return true;
}

bool InstanceGuard::forward(const QString& message)
{
    QLocalSocket socket;
    socket.connectToServer(serverName_, QIODevice::ReadWrite);
    if (!socket.waitForConnected(500))
        return false;
    QTextStream out(&socket);
    out << message;
    out.flush();
    socket.waitForBytesWritten(30000);
    return true;
}

void InstanceGuard::listen(bool ownsLock)
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(serverName_))
        return;
    // A name left by a killed instance: remove it, but only when the lock says
    // nobody else is alive.
    if (ownsLock && server_->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(serverName_);
        server_->listen(serverName_);
    }
}

void InstanceGuard::close()
{
    if (server_) {
        server_->close();
        QLocalServer::removeServer(serverName_);
    }
    if (lock_)
        lock_->unlock();
}
