#include "shell/instanceguard.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSysInfo>
#include <QTextStream>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "shell/datadir.h"

InstanceGuard::InstanceGuard(const QString& appName, QObject* parent)
    : QObject(parent), serverName_(serverNameFor(appName))
{}

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

// True when a process of this user has the file `st` describes open: the
// owner of a lock keeps it open while it runs.
bool openedByAnyProcess(const struct stat& st)
{
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return true;
    bool open = false;
    while (!open) {
        const dirent* process = ::readdir(proc);
        if (!process)
            break;
        if (process->d_name[0] < '0' || process->d_name[0] > '9')
            continue;
        const QByteArray fdDir = QByteArray("/proc/") + process->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.constData());
        if (!fds)
            continue;  // ended, or another account's
        while (const dirent* fd = ::readdir(fds)) {
            struct stat target;
            if (fd->d_name[0] != '.' && ::stat((fdDir + '/' + fd->d_name).constData(), &target) == 0 &&
                target.st_dev == st.st_dev && target.st_ino == st.st_ino) {
                open = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return open;
}

// True when the lock's owner still runs. A lock that names its owner is
// judged by that: the same host, a pid that exists and (where the system
// says) runs a program of the lock's name. One that names nobody (empty,
// cut short, unreadable) lives while a process has it open: its owner may be
// writing it this instant.
bool ownerLives(QLockFile& lock, const struct stat& st)
{
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0)
        return openedByAnyProcess(st);
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return true;  // another machine's: not ours to judge
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    return exe.isEmpty() || app.isEmpty() || QFileInfo(exe).fileName() == QFileInfo(app).fileName();
}

// A lock whose owner is gone (a crash, a power loss, a process of another
// account, a restore that made it unreadable): Qt only removes one it can
// read and write. It is removed here, which needs only the rights on the
// folder (the user's own). True when it is gone; false when its owner lives,
// or with `failure` set when it cannot be removed.
bool removeLeftoverLock(QLockFile& lock, const QString& path, QString* failure)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) {
        if (QDir(path).removeRecursively())
            return true;
    } else {
        if (ownerLives(lock, st))
            return false;
        if (::unlink(name.constData()) == 0 || errno == ENOENT)
            return true;
    }
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    *failure = QStringLiteral("无法删除残留的锁文件 %1：%2").arg(path, reason);
    return false;
}

}  // namespace

bool InstanceGuard::claim(const QString& message)
{
    const QString path = lockPath();
    lock_ = std::make_unique<QLockFile>(path);
    lock_->setStaleLockTime(0);  // stale only when its process is gone
    bool owns = lock_->tryLock(0);
    if (!owns && lock_->error() == QLockFile::LockFailedError && removeLeftoverLock(*lock_, path, &failure_))
        owns = lock_->tryLock(0);
    if (!owns) {
        const bool reached = forward(message);
        // A live instance holds the lock: whether or not it answered in time,
        // it is running and its server name is left alone. A lock that could
        // not be removed keeps this start out.
        if (reached || lock_->error() == QLockFile::LockFailedError)
            return false;
    }
    failure_.clear();
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
