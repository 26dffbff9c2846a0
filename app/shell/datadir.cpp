#include "shell/datadir.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

// GUI thread. The directory is made and restricted once per location; later
// calls only compute the path (tests move HOME between runs, so the location
// is not cached itself).
QString dataDirectory()
{
    static QString prepared;
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tarvolin";
    if (dir == prepared && QDir(dir).exists())
        return dir;
    QDir().mkpath(dir);
    // Sign-in data, cookies and the database live here: owner only.
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    prepared = dir;
    return dir;
}
