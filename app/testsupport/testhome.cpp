#include "testhome.h"

#include <QDir>
#include <QTemporaryDir>

namespace testsupport {

namespace {
// Removed with its contents at process exit.
QTemporaryDir* homeDir()
{
    static QTemporaryDir dir(QDir::tempPath() + "/tarvolin-test-XXXXXX");
    return &dir;
}
}  // namespace

QString setUpTestHome()
{
    static const QString path = [] {
        const QString home = homeDir()->path();
        for (const char* sub : {"data", "config", "runtime"})
            QDir(home).mkpath(sub);
        QFile::setPermissions(home + "/runtime",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_DATA_HOME", (home + "/data").toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + "/config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", (home + "/runtime").toUtf8());
        return home;
    }();
    return path;
}

QString testHome()
{
    return setUpTestHome();
}

QString testDataDir()
{
    return setUpTestHome() + "/data/Tarvolin";
}

}  // namespace testsupport
