#include "shell/datadir.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

QString dataDirectory()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tarvolin";
    if (!QDir(dir).exists())
        QDir().mkpath(dir);
    // Sign-in data, cookies and the database live here: owner only.
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return dir;
}
