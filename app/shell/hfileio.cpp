#include "shell/hfileio.h"

#include <algorithm>
#include <cerrno>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QMutex>
#include <QQmlEngine>

#include "platform/savefile.h"
#include "shell/datadir.h"
#include "shell/localdatabase.h"

namespace {

// Which files failed to save and why, so that each cause is told once.
class SaveFailures : public QObject {
    Q_OBJECT
public:
    SaveFailures()
    {
        if (QCoreApplication::instance())
            moveToThread(QCoreApplication::instance()->thread());
    }

    // Any thread. A failure is told unless a file (this one or another) is
    // already failing for the same cause.
    void note(const QString& path, int error)
    {
        QString text;
        {
            QMutexLocker lock(&mutex_);
            if (error == 0) {
                failing_.remove(path);
                return;
            }
            text = QString::fromStdString(platform::save_error_text(error));
            const bool told = std::find(failing_.cbegin(), failing_.cend(), text) != failing_.cend();
            failing_.insert(path, text);
            if (told)
                return;
        }
        qWarning("%s: %s", qPrintable(path), qPrintable(text));
        emit failed(text);
    }

    // Any thread.
    QString pending()
    {
        QMutexLocker lock(&mutex_);
        return failing_.isEmpty() ? QString() : failing_.cbegin().value();
    }

    // Any thread. A file at `path` that could not be read: told once while
    // it stays so; the copy a save moved it to (`keptAs`) is told too.
    void noteUnreadable(const QString& path, int error, const QString& keptAs = QString())
    {
        const QString name = shownName(path);
        const QString text = keptAs.isEmpty()
            ? QStringLiteral("无法读取 %1：%2").arg(name, QString::fromStdString(platform::read_error_text(error)))
            : QStringLiteral("无法读取的 %1 已移到 %2").arg(name, shownName(keptAs));
        {
            QMutexLocker lock(&mutex_);
            if (keptAs.isEmpty() && unreadable_.contains(path))
                return;
            if (keptAs.isEmpty())
                unreadable_.insert(path);
            else
                unreadable_.remove(path);
            untold_ << text;
        }
        qWarning("%s", qPrintable(text));
        emit readFailed();
    }

    // Any thread. At most three lines fit the message; the rest are counted
    // (each is in the log).
    QString takeUntold()
    {
        QMutexLocker lock(&mutex_);
        QStringList lines = untold_.mid(0, 3);
        if (untold_.size() > 3)
            lines << QStringLiteral("另有 %1 条，见程序日志").arg(untold_.size() - 3);
        untold_.clear();
        return lines.join(QLatin1Char('\n'));
    }

signals:
    void failed(QString text);
    void readFailed();

private:
    // A data-directory file by its name there, any other by its file name.
    static QString shownName(const QString& path)
    {
        const QString dir = dataDirectory() + QLatin1Char('/');
        return path.startsWith(dir) ? path.mid(dir.size()) : QFileInfo(path).fileName();
    }

    QMutex mutex_;                     // guards failing_, unreadable_ and untold_
    QHash<QString, QString> failing_;  // path -> the cause told for it
    QSet<QString> unreadable_;         // paths told unreadable and not replaced since
    QStringList untold_;               // read problems no window has shown yet
};

SaveFailures* saveFailures()
{
    static SaveFailures* failures = new SaveFailures;
    return failures;
}

}  // namespace

HFileIO::HFileIO(QObject* parent) : QObject(parent)
{
    connect(saveFailures(), &SaveFailures::failed, this, &HFileIO::saveFailed);
    connect(saveFailures(), &SaveFailures::readFailed, this, &HFileIO::readFailed);
}

QString HFileIO::dataPath(const QString& fileName)
{
    if (fileName.isEmpty() || fileName.startsWith(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')) ||
        fileName.contains(QChar(0)))
        return QString();
    const QStringList parts = fileName.split(QLatin1Char('/'));
    if (parts.contains(QStringLiteral("..")))
        return QString();
    const QString dir = dataDirectory();
    const QString path = QDir::cleanPath(dir + QLatin1Char('/') + fileName);
    if (!path.startsWith(dir + QLatin1Char('/')))
        return QString();
    return path;
}

HFileIO::Found HFileIO::readData(const QString& fileName, QString* text)
{
    text->clear();
    const QString path = dataPath(fileName);
    if (path.isEmpty())
        return Found::Missing;
    QByteArray bytes;
    const Found found = readPath(path, &bytes);
    *text = QString::fromUtf8(bytes);
    return found;
}

HFileIO::Found HFileIO::readPath(const QString& path, QByteArray* bytes)
{
    bytes->clear();
    std::string read;
    const int error = platform::read_file(QFile::encodeName(path).toStdString(), &read);
    if (error == ENOENT)
        return Found::Missing;
    if (error != 0) {
        saveFailures()->noteUnreadable(path, error);
        return Found::Unreadable;
    }
    *bytes = QByteArray(read.data(), int(read.size()));
    return Found::Read;
}

QString HFileIO::readData(const QString& fileName)
{
    QString text;
    readData(fileName, &text);
    return text;
}

bool HFileIO::writeData(const QString& fileName, const QString& data)
{
    const QString path = dataPath(fileName);
    if (path.isEmpty())
        return false;
    return writePath(path, data.toUtf8());
}

bool HFileIO::writePath(const QString& path, const QByteArray& bytes)
{
    std::string keptAs;
    const int error = platform::replace_file(QFile::encodeName(path).toStdString(), bytes.constData(),
                                             size_t(bytes.size()), &keptAs);
    saveFailures()->note(path, error);
    if (!keptAs.empty())
        saveFailures()->noteUnreadable(path, 0, QFile::decodeName(QByteArray::fromStdString(keptAs)));
    return error == 0;
}

QString HFileIO::keepBadCopy(const QString& fileName)
{
    const QString path = dataPath(fileName);
    return path.isEmpty() ? QString() : keepBadCopyAt(path);
}

QString HFileIO::keepBadCopyAt(const QString& path)
{
    const std::string copy = platform::keep_bad_copy(QFile::encodeName(path).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(copy));
}

// GUI thread.
int HFileIO::removeStaleTempFiles()
{
    const QString dir = dataDirectory();
    int removed = platform::remove_stale_temp_files(QFile::encodeName(dir).toStdString());
    for (const QString& sub : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        removed += platform::remove_stale_temp_files(QFile::encodeName(dir + QLatin1Char('/') + sub).toStdString());
    return removed;
}

QByteArray HFileIO::readFile(QString fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QString HFileIO::readFileDefaultPath(QString fileName) { return readData(fileName); }

bool HFileIO::writeFile(QString fileName, QByteArray byteArray)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    return f.write(byteArray) == byteArray.size() && f.flush();
}

bool HFileIO::writedFileDefaultPath(QString fileName, QString data) { return writeData(fileName, data); }

QString HFileIO::keepBadFileDefaultPath(QString fileName) { return keepBadCopy(fileName); }

QString HFileIO::pendingSaveFailure() { return saveFailures()->pending(); }

QString HFileIO::takeReadFailures() { return saveFailures()->takeUntold(); }

QString HFileIO::getDefaultPath() { return dataDirectory(); }

// GUI thread.
QString HFileIO::checkLocalDatabase()
{
    const QQmlEngine* engine = qmlEngine(this);
    const QString storage = engine ? engine->offlineStoragePath() : dataDirectory();
    const LocalDatabaseCheck check = ::checkLocalDatabase(storage, QStringLiteral("qelm"));
    return check.badPath;
}

#include "hfileio.moc"
