#include "installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QVector>

#include <cstdio>

#include "installfiles.h"
#include "platform/savefile.h"
#include "ziparchive.h"

namespace updater {

namespace {

bool renamePath(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool existsOrLink(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

Installer::Installer(const QString& root)
    : root_(root)
    , realRoot_(QFileInfo(root).canonicalFilePath())
{
}

Installer::~Installer()
{
    if (!committed_)
        rollBack(0);
}

QStringList Installer::stagedPaths() const
{
    QStringList out;
    for (const Item& item : items_) {
        if (!item.staged.isEmpty())
            out << item.staged;
    }
    return out;
}

// Makes `dir` (the root or a folder under it) and its missing parents. The
// deepest part that exists already must really lie inside the root: a link
// in the installation pointing elsewhere is not followed.
bool Installer::makeFolder(const QString& dir, QString* error)
{
    const QString prefix = root_ + QLatin1Char('/');
    if (realRoot_.isEmpty() || (dir != root_ && !dir.startsWith(prefix))) {
        *error = QStringLiteral("无法创建文件夹:") + dir;
        return false;
    }
    QStringList missing;
    QString existing = dir;
    while (existing != root_ && !existsOrLink(existing)) {
        missing.prepend(existing);
        existing = QFileInfo(existing).path();
    }
    const QFileInfo base(existing);
    const QString real = base.canonicalFilePath();
    if (base.exists() && !base.isDir() && !base.isSymLink()) {
        *error = QStringLiteral("无法创建文件夹:") + QDir(root_).relativeFilePath(existing);
        return false;
    }
    if (!base.isDir() || real.isEmpty() || (real != realRoot_ && !real.startsWith(realRoot_ + QLatin1Char('/')))) {
        *error = QStringLiteral("路径指向安装目录之外:") + QDir(root_).relativeFilePath(existing);
        return false;
    }
    for (const QString& part : missing) {
        if (!QDir().mkdir(part)) {
            *error = QStringLiteral("无法创建文件夹:") + part;
            return false;
        }
        madeFolders_ << part;
    }
    return true;
}

bool Installer::stage(const QString& dest, const std::function<bool(QFileDevice&)>& fill,
                      QFileDevice::Permissions newPermissions, QString* error)
{
    if (!makeFolder(QFileInfo(dest).path(), error))
        return false;
    const QFileInfo old(dest);
    if (old.isDir() && !old.isSymLink()) {
        *error = QStringLiteral("目标是文件夹:") + dest;
        return false;
    }
    const QFileDevice::Permissions permissions =
        old.exists() && !old.isSymLink() ? old.permissions() : newPermissions;
    QTemporaryFile tmp(dest + QStringLiteral(".XXXXXX"));
    if (!tmp.open()) {
        *error = QStringLiteral("无法创建文件:") + dest;
        return false;
    }
    // On the disk before the rename: a full disk fails here, not later.
    if (!fill(tmp) || !tmp.flush() || platform::sync_to_disk(tmp.handle()) != 0 || !tmp.setPermissions(permissions)) {
        if (error->isEmpty())
            *error = QStringLiteral("写入文件错误:") + dest;
        return false;
    }
    tmp.close();
    tmp.setAutoRemove(false);
    items_.push_back(Item{dest, tmp.fileName(), QString()});
    return true;
}

bool Installer::stageCopy(const QString& source, const QString& dest, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取文件:") + source;
        return false;
    }
    return stage(
        dest,
        [&in](QFileDevice& out) {
            char buf[65536];
            for (;;) {
                const qint64 n = in.read(buf, sizeof buf);
                if (n < 0)
                    return false;
                if (n == 0)
                    return in.atEnd();
                if (out.write(buf, n) != n)
                    return false;
            }
        },
        in.permissions(), error);
}

bool Installer::stageZip(const QString& zipPath, const QString& destDir,
                         const std::function<void(const QString&)>& onFile, QString* error)
{
    ZipArchive zip;
    QVector<QString> targets;
    if (!zip.open(zipPath, ZipLimits(), error) || !zipTargets(zip, destDir, &targets, error))
        return false;
    const QFileDevice::Permissions writableByOthers = QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const QFileDevice::Permissions plain = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
        | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    for (int i = 0; i < zip.items().size(); ++i) {
        const ZipItem& item = zip.items().at(i);
        if (targets[i].isEmpty())
            continue;
        if (item.isDir) {
            if (!makeFolder(targets[i], error))
                return false;
            continue;
        }
        onFile(item.name);
        const QFileDevice::Permissions mode = item.permissions ? item.permissions & ~writableByOthers : plain;
        if (!stage(targets[i], [&](QFileDevice& out) { return zip.extract(item, out, error); }, mode, error))
            return false;
    }
    return true;
}

bool Installer::commit(QString* error)
{
    for (size_t i = 0; i < items_.size(); ++i) {
        Item& item = items_[i];
        if (existsOrLink(item.dest)) {
            // The old file goes aside under a name of its own first.
            QTemporaryFile reserve(item.dest + QStringLiteral(".old-XXXXXX"));
            if (!reserve.open()) {
                *error = QStringLiteral("替换文件错误:") + item.dest;
                rollBack(i);
                return false;
            }
            reserve.setAutoRemove(false);
            reserve.close();
            if (!renamePath(item.dest, reserve.fileName())) {
                QFile::remove(reserve.fileName());
                *error = QStringLiteral("替换文件错误:") + item.dest;
                rollBack(i);
                return false;
            }
            item.backup = reserve.fileName();
        }
        if (!renamePath(item.staged, item.dest)) {
            *error = QStringLiteral("替换文件错误:") + item.dest;
            rollBack(i + 1);
            return false;
        }
        item.staged.clear();
    }
    for (const Item& item : items_) {
        if (!item.backup.isEmpty())
            QFile::remove(item.backup);
    }
    items_.clear();
    madeFolders_.clear();
    committed_ = true;
    return true;
}

// Undoes the first `done` swaps (newest first), then drops every staged file
// and the folders made for them.
void Installer::rollBack(size_t done)
{
    for (size_t i = done; i-- > 0;) {
        Item& item = items_[i];
        if (item.staged.isEmpty())
            QFile::remove(item.dest);
        if (!item.backup.isEmpty() && !renamePath(item.backup, item.dest))
            qWarning("could not put back %s (kept as %s)", qPrintable(item.dest), qPrintable(item.backup));
        item.backup.clear();
    }
    for (Item& item : items_) {
        if (!item.staged.isEmpty())
            QFile::remove(item.staged);
        item.staged.clear();
    }
    items_.clear();
    for (int i = madeFolders_.size() - 1; i >= 0; --i)
        QDir().rmdir(madeFolders_.at(i));
    madeFolders_.clear();
}

}  // namespace updater
