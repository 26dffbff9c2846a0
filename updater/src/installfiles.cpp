#include "installfiles.h"

#include <QtGui/private/qzipreader_p.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QVector>

#include <zlib.h>

#include <climits>
#include <cstdio>
#include <optional>

namespace updater {

Manifest parseManifest(const QByteArray& json)
{
    Manifest m;
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return m;
    const QJsonObject o = doc.object();
    const QJsonValue source = o.value(QStringLiteral("source"));
    if (source.isString())
        m.source = source.toString();
    m.files = o.value(QStringLiteral("files")).toObject();
    return m;
}

bool isSafeRelativePath(const QString& relative)
{
    return !relative.isEmpty() && !relative.startsWith(QLatin1Char('/'))
        && !relative.contains(QLatin1String("..")) && !relative.contains(QLatin1Char('\\'))
        && !relative.contains(QLatin1Char(':')) && !relative.contains(QChar(0));
}

QString checkedJoin(const QString& root, const QString& relative, bool allowRoot)
{
    if (root.isEmpty() || !isSafeRelativePath(relative))
        return QString();
    const QString joined = QDir::cleanPath(root + QLatin1Char('/') + relative);
    if (allowRoot && joined == root)
        return joined;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (joined.size() <= prefix.size() || !joined.startsWith(prefix))
        return QString();
    return joined;
}

QString keyDirectory(const QString& key)
{
    const int slash = key.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : key.left(slash);
}

namespace {

// A run of digits without its leading zeros.
QStringRef significant(const QString& s)
{
    int i = 0;
    while (i + 1 < s.size() && s.at(i) == QLatin1Char('0'))
        ++i;
    return s.midRef(i);
}

}  // namespace

int compareVersions(const QString& local, const QString& remote)
{
    static const QRegularExpression numeric(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
    if (!numeric.match(local).hasMatch() || !numeric.match(remote).hasMatch())
        return QString::compare(local, remote, Qt::CaseSensitive);
    const QStringList a = local.split(QLatin1Char('.'));
    const QStringList b = remote.split(QLatin1Char('.'));
    const QString zero = QStringLiteral("0");
    for (int i = 0; i < qMax(a.size(), b.size()); ++i) {
        // Numbers of any length: fewer significant digits is smaller, equal
        // lengths compare digit by digit.
        const QStringRef x = significant(i < a.size() ? a.at(i) : zero);
        const QStringRef y = significant(i < b.size() ? b.at(i) : zero);
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        const int c = x.compare(y);
        if (c != 0)
            return c;
    }
    return 0;
}

bool writeFileAtomically(const QString& dest, const std::function<bool(QFileDevice&)>& fill,
                         QFileDevice::Permissions newPermissions, QString* error)
{
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
    if (!fill(tmp) || !tmp.flush() || !tmp.setPermissions(permissions)) {
        *error = QStringLiteral("写入文件错误:") + dest;
        return false;
    }
    tmp.close();
    // rename(2) replaces the old file (or a link in its place) in one step.
    if (std::rename(QFile::encodeName(tmp.fileName()).constData(), QFile::encodeName(dest).constData()) != 0) {
        *error = QStringLiteral("替换文件错误:") + dest;
        return false;
    }
    tmp.setAutoRemove(false);
    return true;
}

bool replaceFile(const QString& source, const QString& dest, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取文件:") + source;
        return false;
    }
    return writeFileAtomically(
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

namespace {

unsigned le16(const QByteArray& b, qint64 at)
{
    return static_cast<unsigned char>(b[int(at)]) | static_cast<unsigned char>(b[int(at + 1)]) << 8;
}

unsigned le32(const QByteArray& b, qint64 at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

// The entry names as the archive's central directory stores them. The zip
// reader drops a leading "/" or "../" silently, so the path check must see
// the raw names. Nothing when the file holds no readable central directory.
std::optional<QList<QByteArray>> rawEntryNames(const QString& zipPath)
{
    QFile f(zipPath);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 22)
        return std::nullopt;
    const qint64 size = f.size();
    const qint64 tailSize = qMin<qint64>(size, 22 + 65535);  // end record and its comment
    if (!f.seek(size - tailSize))
        return std::nullopt;
    const QByteArray tail = f.read(tailSize);
    int end = -1;
    for (int i = tail.size() - 22; i >= 0 && end < 0; --i) {
        if (le32(tail, i) == 0x06054b50)
            end = i;
    }
    if (end < 0)
        return std::nullopt;
    const unsigned count = le16(tail, end + 10);
    const qint64 dirSize = le32(tail, end + 12);
    const qint64 dirOffset = le32(tail, end + 16);
    if (dirOffset + dirSize > size || !f.seek(dirOffset))
        return std::nullopt;
    const QByteArray dir = f.read(dirSize);
    QList<QByteArray> names;
    qint64 pos = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (pos + 46 > dir.size() || le32(dir, pos) != 0x02014b50)
            return std::nullopt;
        const qint64 nameLen = le16(dir, pos + 28);
        const qint64 next = pos + 46 + nameLen + le16(dir, pos + 30) + le16(dir, pos + 32);
        if (pos + 46 + nameLen > dir.size())
            return std::nullopt;
        names.append(dir.mid(int(pos + 46), int(nameLen)));
        pos = next;
    }
    return names;
}

}  // namespace

bool unpackZip(const QString& zipPath, const QString& destDir,
               const std::function<void(const QString&)>& onFile, QString* error)
{
    QZipReader zip(zipPath);
    const QVector<QZipReader::FileInfo> entries = zip.fileInfoList();
    const std::optional<QList<QByteArray>> raw = rawEntryNames(zipPath);
    if (!zip.isReadable() || zip.status() != QZipReader::NoError || !raw || raw->size() != entries.size()) {
        *error = QStringLiteral("无法读取压缩文件:") + zipPath;
        return false;
    }
    // Every entry is checked before anything is written (no zip slip).
    QVector<QString> targets(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const QZipReader::FileInfo& e = entries.at(i);
        if (e.isSymLink || (!e.isDir && !e.isFile))
            continue;
        const QString rawName = QString::fromUtf8(raw->at(i));
        if (isSafeRelativePath(rawName))
            targets[i] = checkedJoin(destDir, e.filePath, e.isDir);
        if (targets[i].isEmpty() || (e.isFile && e.size > INT_MAX)) {
            *error = QStringLiteral("压缩文件中的路径无效:") + rawName;
            return false;
        }
    }
    const QFileDevice::Permissions writableByOthers = QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const QFileDevice::Permissions plain = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
        | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    for (int i = 0; i < entries.size(); ++i) {
        const QZipReader::FileInfo& e = entries.at(i);
        if (targets[i].isEmpty())
            continue;
        if (e.isDir) {
            if (!QDir().mkpath(targets[i])) {
                *error = QStringLiteral("无法创建文件夹:") + targets[i];
                return false;
            }
            continue;
        }
        onFile(e.filePath);
        const QByteArray data = zip.fileData(e.filePath);
        const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.constData()),
                                  static_cast<uInt>(data.size()));
        if (zip.status() != QZipReader::NoError || data.size() != e.size || crc != e.crc) {
            *error = QStringLiteral("压缩文件已损坏:") + e.filePath;
            return false;
        }
        if (!QDir().mkpath(QFileInfo(targets[i]).absolutePath())) {
            *error = QStringLiteral("无法创建文件夹:") + targets[i];
            return false;
        }
        const QFileDevice::Permissions mode = e.permissions ? e.permissions & ~writableByOthers : plain;
        const bool ok = writeFileAtomically(
            targets[i], [&data](QFileDevice& out) { return out.write(data) == data.size(); }, mode, error);
        if (!ok)
            return false;
    }
    return true;
}

bool removePath(const QString& path)
{
    if (path.isEmpty())
        return true;
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return QFile::remove(path);
    if (!info.exists())
        return true;
    return QDir(path).removeRecursively();
}

}  // namespace updater
