#include "installfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QVector>

#include "installer.h"
#include "ziparchive.h"

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
    return !relative.isEmpty() && !relative.startsWith(QLatin1Char('/')) && !relative.contains(QLatin1String("..")) &&
           !relative.contains(QLatin1Char('\\')) && !relative.contains(QLatin1Char(':')) &&
           !relative.contains(QChar(0));
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

QString versionText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (!value.isDouble())
        return QString();
    const double d = value.toDouble();
    // Whole numbers as digits without an exponent, others as the shortest text.
    if (d >= 0 && d < 9007199254740992.0 && d == double(qint64(d)))
        return QString::number(qint64(d));
    return QString::number(d, 'g', 17 - 2);
}

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

bool zipTargets(const ZipArchive& zip, const QString& destDir, QVector<QString>* targets, QString* error)
{
    targets->fill(QString(), zip.items().size());
    for (int i = 0; i < zip.items().size(); ++i) {
        const ZipItem& e = zip.items().at(i);
        if (e.isSpecial)
            continue;
        if (isSafeRelativePath(e.name) && !e.rawName.contains('\\'))
            (*targets)[i] = checkedJoin(destDir, e.name, e.isDir);
        if ((*targets)[i].isEmpty()) {
            *error = QStringLiteral("压缩文件中的路径无效:") + e.name;
            return false;
        }
    }
    return true;
}

bool checkZip(const QString& zipPath, const QString& destDir, const QString& scratchDir, QString* error)
{
    ZipArchive zip;
    QVector<QString> targets;
    if (!zip.open(zipPath, ZipLimits(), error) || !zipTargets(zip, destDir, &targets, error))
        return false;
    for (int i = 0; i < zip.items().size(); ++i) {
        const ZipItem& e = zip.items().at(i);
        if (targets[i].isEmpty() || e.isDir)
            continue;
        QTemporaryFile scratch(scratchDir + QStringLiteral("/trial-XXXXXX"));
        if (!scratch.open()) {
            *error = QStringLiteral("无法创建文件:") + scratch.fileTemplate();
            return false;
        }
        if (!zip.extract(e, scratch, error) || !scratch.flush()) {
            if (error->isEmpty())
                *error = QStringLiteral("写入文件错误:") + e.name;
            return false;
        }
    }
    return true;
}

bool unpackZip(const QString& zipPath, const QString& destDir, const std::function<void(const QString&)>& onFile,
               QString* error)
{
    Installer installer(destDir);
    return installer.stageZip(zipPath, destDir, onFile, error) && installer.commit(error);
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
