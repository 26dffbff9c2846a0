#include "installjournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace updater {

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool existsOrLink(const QString& path)
{
    struct stat st;
    return ::lstat(encoded(path).constData(), &st) == 0;
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa, sb;
    return ::lstat(encoded(a).constData(), &sa) == 0 && ::lstat(encoded(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Removes a file or link; a folder of that name is not ours and stays. False
// when the file could not be removed.
bool removeFile(const QString& path)
{
    struct stat st;
    if (::lstat(encoded(path).constData(), &st) != 0)
        return errno == ENOENT;
    if (S_ISDIR(st.st_mode))
        return true;
    return ::unlink(encoded(path).constData()) == 0 || errno == ENOENT;
}

bool renamePath(const QString& from, const QString& to)
{
    return std::rename(encoded(from).constData(), encoded(to).constData()) == 0;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

}  // namespace

InstallJournal::InstallJournal(const QString& root) : root_(root), path_(root + QLatin1Char('/') + fileName()) {}

InstallJournal::~InstallJournal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString InstallJournal::fileName()
{
    return QStringLiteral("update.journal");
}

QString InstallJournal::stagedPath(const QString& file)
{
    return file + QStringLiteral(".update-new");
}

QString InstallJournal::backupPath(const QString& file)
{
    return file + QStringLiteral(".update-old");
}

void InstallJournal::syncFoldersOf(const QStringList& paths)
{
    QSet<QString> done;
    for (const QString& path : paths) {
        const QString dir = QFileInfo(path).path();
        if (done.contains(dir))
            continue;
        done.insert(dir);
        const int fd = ::open(encoded(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}

// Opens the journal and takes its lock. A journal another process holds sets
// busy_; one removed or replaced while we waited for nothing is opened again.
bool InstallJournal::open(bool create, QString* error)
{
    busy_ = false;
    for (int tries = 0; tries < 3; ++tries) {
        const int fd = ::open(encoded(path_).constData(), O_RDWR | O_APPEND | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
        if (fd < 0) {
            if (!create && errno == ENOENT)
                return false;
            *error = QStringLiteral("无法写入更新记录:") + path_;
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            busy_ = true;
            *error = QStringLiteral("另一个更新正在进行");
            return false;
        }
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(encoded(path_).constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            fd_ = fd;
            return true;
        }
        ::close(fd);
        if (!create)
            return false;
    }
    *error = QStringLiteral("无法写入更新记录:") + path_;
    return false;
}

bool InstallJournal::begin(QString* error)
{
    if (fd_ >= 0)
        return true;
    if (!open(true, error))
        return false;
    struct stat st;
    if (::fstat(fd_, &st) == 0 && st.st_size > 0 && !replay(false, error))
        return false;
    if (::ftruncate(fd_, 0) != 0 || ::fdatasync(fd_) != 0) {
        *error = QStringLiteral("无法写入更新记录:") + path_;
        return false;
    }
    return true;
}

bool InstallJournal::note(const QString& step, const QString& path)
{
    if (fd_ < 0)
        return false;
    QJsonArray line{step};
    if (!path.isEmpty())
        line.append(QDir(root_).relativeFilePath(path));
    return writeAll(fd_, QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n') && ::fdatasync(fd_) == 0;
}

// Reads the journal and does what it says. A line cut short by a kill was
// never acted on: reading stops there.
bool InstallJournal::replay(bool undo, QString* error)
{
    QByteArray text;
    char buf[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd_, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QStringLiteral("无法读取更新记录:") + path_;
            return false;
        }
        if (n == 0)
            break;
        text.append(buf, int(n));
        at += n;
    }
    QStringList folders, files, replaced;
    bool committed = false, rolledBack = false;
    for (const QByteArray& line : text.split('\n')) {
        const QJsonArray step = QJsonDocument::fromJson(line).array();
        if (step.isEmpty())
            break;
        const QString kind = step.at(0).toString();
        const QString relative = step.at(1).toString();
        const QString path = relative.isEmpty() ? QString() : QDir::cleanPath(root_ + QLatin1Char('/') + relative);
        if (!path.isEmpty() && !path.startsWith(root_ + QLatin1Char('/')))
            continue;  // not a path of ours
        if (kind == QLatin1String("folder") && !path.isEmpty())
            folders << path;
        else if ((kind == QLatin1String("new") || kind == QLatin1String("replace")) && !path.isEmpty()) {
            files << path;
            if (kind == QLatin1String("replace"))
                replaced << path;
        } else if (kind == QLatin1String("commit"))
            committed = true;
        else if (kind == QLatin1String("rollback"))
            rolledBack = true;
    }

    if (committed && !rolledBack && !undo) {
        // Every staged file is whole and every backup made: finish.
        for (const QString& file : files) {
            const QString staged = stagedPath(file);
            if (existsOrLink(staged) && !renamePath(staged, file)) {
                *error = QStringLiteral("替换文件错误:") + file;
                return false;
            }
        }
        syncFoldersOf(QStringList(files) << path_);
        for (const QString& file : files)
            removeFile(backupPath(file));
        return true;
    }
    // Undo, newest first: each replaced file gets its backup back, each new
    // one goes, then the staged copies and the folders made.
    for (int i = files.size() - 1; i >= 0; --i) {
        const QString& file = files.at(i);
        const QString backup = backupPath(file);
        if (replaced.contains(file)) {
            if (existsOrLink(backup)) {
                // A backup still linked to the file it was made from is only dropped.
                const bool ok = sameFile(backup, file) ? removeFile(backup) : renamePath(backup, file);
                if (!ok) {
                    *error = QStringLiteral("无法恢复文件:") + file;
                    return false;
                }
            }
        } else if (!removeFile(file)) {
            *error = QStringLiteral("无法删除文件:") + file;
            return false;
        }
        removeFile(stagedPath(file));
    }
    for (int i = folders.size() - 1; i >= 0; --i)
        QDir().rmdir(folders.at(i));
    syncFoldersOf(QStringList(files) << path_);
    return true;
}

bool InstallJournal::settle(QString* error, bool undo)
{
    if (fd_ < 0)
        return true;
    if (!replay(undo, error))
        return false;
    const bool removed = ::unlink(encoded(path_).constData()) == 0 || errno == ENOENT;
    ::close(fd_);
    fd_ = -1;
    if (!removed)
        *error = QStringLiteral("无法删除更新记录:") + path_;
    return removed;
}

bool recoverInstall(const QString& root, QString* error)
{
    InstallJournal journal(root);
    if (!journal.open(false, error))
        return journal.busy_ || !existsOrLink(journal.path_);
    return journal.settle(error);
}

}  // namespace updater
