#include "shell/hfileio.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
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

signals:
    void failed(QString text);

private:
    QMutex mutex_;                     // guards failing_
    QHash<QString, QString> failing_;  // path -> the cause told for it
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

QString HFileIO::readData(const QString& fileName)
{
    const QString path = dataPath(fileName);
    if (path.isEmpty())
        return QString();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
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
    const int error =
        platform::replace_file(QFile::encodeName(path).toStdString(), bytes.constData(), size_t(bytes.size()));
    saveFailures()->note(path, error);
    return error == 0;
}

QString HFileIO::keepBadCopy(const QString& fileName)
{
    const QString path = dataPath(fileName);
    if (path.isEmpty())
        return QString();
    const std::string copy = platform::keep_bad_copy(QFile::encodeName(path).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(copy));
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
