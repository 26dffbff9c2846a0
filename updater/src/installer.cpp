#include "installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVector>

#include <cstdio>
#include <unistd.h>

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

Installer::Installer(const QString& root) : root_(root), realRoot_(QFileInfo(root).canonicalFilePath()), journal_(root)
{}

Installer::~Installer()
{
    if (!committed_)
        rollBack();
}

QStringList Installer::stagedPaths() const
{
    QStringList out;
    for (const QString& dest : dests_) {
        const QString staged = InstallJournal::stagedPath(dest);
        if (existsOrLink(staged))
            out << staged;
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
        if (!journal_.begin(error))
            return false;
        if (!journal_.note(QStringLiteral("folder"), part) || !QDir().mkdir(part)) {
            *error = QStringLiteral("无法创建文件夹:") + part;
            return false;
        }
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
    if (dest == root_ + QLatin1Char('/') + InstallJournal::fileName()) {
        *error = QStringLiteral("无法创建文件:") + dest;
        return false;
    }
    const QFileDevice::Permissions permissions = old.exists() && !old.isSymLink() ? old.permissions() : newPermissions;
    if (!journal_.begin(error))
        return false;
    // A destination staged twice (an archive naming it twice) keeps its
    // first step: the later content wins.
    if (!dests_.contains(dest)) {
        const bool replaces = existsOrLink(dest);
        if (!journal_.note(replaces ? QStringLiteral("replace") : QStringLiteral("new"), dest)) {
            *error = QStringLiteral("写入文件错误:") + dest;
            return false;
        }
        dests_ << dest;
        const QString backup = InstallJournal::backupPath(dest);
        if (replaces && ((existsOrLink(backup) && !QFile::remove(backup)) ||
                         ::link(QFile::encodeName(dest).constData(), QFile::encodeName(backup).constData()) != 0)) {
            *error = QStringLiteral("替换文件错误:") + dest;
            return false;
        }
    }
    const QString staged = InstallJournal::stagedPath(dest);
    QFile out(staged);
    // A file or link of that name is left over: the new one is made afresh.
    if ((existsOrLink(staged) && !QFile::remove(staged)) || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = QStringLiteral("无法创建文件:") + dest;
        return false;
    }
    // On the disk before the commit: a full disk fails here, not later.
    if (!fill(out) || !out.flush() || platform::sync_to_disk(out.handle()) != 0 || !out.setPermissions(permissions)) {
        if (error->isEmpty())
            *error = QStringLiteral("写入文件错误:") + dest;
        return false;
    }
    out.close();
    return true;
}

bool Installer::stageCopy(const QString& source, const QString& dest, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取文件:") + source;
        rollBack();
        return false;
    }
    const bool staged = stage(
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
    if (!staged)
        rollBack();
    return staged;
}

bool Installer::stageZip(const QString& zipPath, const QString& destDir,
                         const std::function<void(const QString&)>& onFile, QString* error)
{
    ZipArchive zip;
    QVector<QString> targets;
    if (!zip.open(zipPath, ZipLimits(), error) || !zipTargets(zip, destDir, &targets, error)) {
        rollBack();
        return false;
    }
    const QFileDevice::Permissions writableByOthers = QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const QFileDevice::Permissions plain = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                           QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    for (int i = 0; i < zip.items().size(); ++i) {
        const ZipItem& item = zip.items().at(i);
        if (targets[i].isEmpty())
            continue;
        if (item.isDir) {
            if (!makeFolder(targets[i], error)) {
                rollBack();
                return false;
            }
            continue;
        }
        onFile(item.name);
        const QFileDevice::Permissions mode = item.permissions ? item.permissions & ~writableByOthers : plain;
        if (!stage(
                targets[i], [&](QFileDevice& out) { return zip.extract(item, out, error); }, mode, error)) {
            rollBack();
            return false;
        }
    }
    return true;
}

bool Installer::commit(QString* error)
{
    if (!journal_.isOpen()) {
        committed_ = true;
        return true;
    }
    QStringList names = dests_;
    for (const QString& dest : dests_)
        names << InstallJournal::stagedPath(dest);
    InstallJournal::syncFoldersOf(names);  // the names are on the disk before the journal relies on them
    // From the commit step on, a kill leaves an install the next start finishes.
    if (!journal_.note(QStringLiteral("commit"))) {
        *error = QStringLiteral("写入文件错误:") + root_ + QLatin1Char('/') + InstallJournal::fileName();
        rollBack();
        return false;
    }
    for (const QString& dest : dests_) {
        if (!renamePath(InstallJournal::stagedPath(dest), dest)) {
            *error = QStringLiteral("替换文件错误:") + dest;
            journal_.note(QStringLiteral("rollback"));
            rollBack();
            return false;
        }
    }
    // Nothing is left to rename: this removes the backups and the journal.
    if (!journal_.settle(error))
        qWarning("install finished, but %s", qPrintable(*error));
    dests_.clear();
    committed_ = true;
    return true;
}

// Puts every replaced file back and drops every staged file, backup and
// folder made, as the journal lists them.
void Installer::rollBack()
{
    QString error;
    if (!journal_.settle(&error, true))
        qWarning("could not roll the install back: %s (the next start tries again)", qPrintable(error));
    dests_.clear();
}

}  // namespace updater
