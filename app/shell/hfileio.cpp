#include "shell/hfileio.h"

#include <QDir>
#include <QFile>
#include <QQmlEngine>
#include <QSaveFile>

#include "shell/datadir.h"
#include "shell/localdatabase.h"

HFileIO::HFileIO(QObject* parent) : QObject(parent) {}

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
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = data.toUtf8();
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
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

QString HFileIO::getDefaultPath() { return dataDirectory(); }

// GUI thread.
QString HFileIO::checkLocalDatabase()
{
    const QQmlEngine* engine = qmlEngine(this);
    const QString storage = engine ? engine->offlineStoragePath() : dataDirectory();
    const LocalDatabaseCheck check = ::checkLocalDatabase(storage, QStringLiteral("qelm"));
    return check.badPath;
}
