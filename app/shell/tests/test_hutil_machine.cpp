// Machine identifiers and the updater start. The updater is a stand-in shell
// script in a temporary folder that records how it was started.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QTemporaryDir>
#include <QThread>

#include "platform/machineid.h"
#include "shell/hutil.h"
#include "shell/settingsstores.h"

namespace {

QString readSys(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed() : QString();
}

// The address mac() must give, read from sysfs: the largest of the interfaces
// that are up (flag 0x1) and have a carrier (running).
TEST(HUtilMachine, MacIsTheLastAddressOfRunningInterfaces)
{
    QString want;
    for (const QString& name : QDir("/sys/class/net").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString base = "/sys/class/net/" + name;
        const bool up = readSys(base + "/flags").toUInt(nullptr, 16) & 0x1;
        if (!up || readSys(base + "/carrier") != "1")
            continue;
        const QString addr = readSys(base + "/address").toUpper();
        if (want.isEmpty() || addr > want)
            want = addr;
    }
    HUtil u;
    EXPECT_EQ(u.mac().toString(), want);
}

TEST(HUtilMachine, IdentifiersComeFromThePlatformLayer)
{
    HUtil u;
    EXPECT_EQ(u.getCpuId().toString().toStdString(), platform::processor_id());
    EXPECT_EQ(u.getCpuId().toString().size(), 16);
    EXPECT_EQ(u.getDiskNum().toString().toStdString(), platform::disk_serial());
}

// Waits (bounded) for the stand-in to write its record; it runs detached.
QString waitForRecord(const QString& path)
{
    for (int i = 0; i < 500; ++i) {
        const QString s = readSys(path);
        if (s.endsWith("end"))
            return s;
        QThread::msleep(10);
    }
    return QString();
}

void writeStandIn(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "#!/bin/sh\nprintf '%s\\n%s|%s|%s\\n%s\\nend\\n' \"$(basename \"$0\")\" \"$1\" \"$2\" \"$3\" \"$(pwd)\" > "
        "record.tmp\n"
        "mv record.tmp record.txt\n");
    f.close();
    ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

TEST(HUtilMachine, UpdaterRunsAsACopy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList args{"Tarvolin", "version.json", "http://127.0.0.1:7710/update/version.json"};

    EXPECT_FALSE(HUtil::startUpdater(dir.path(), args)) << "no updater";
    EXPECT_FALSE(HUtil::startUpdater(dir.path() + "/no-such-folder", args));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/UpDate1.run"));

    writeStandIn(dir.path() + "/UpDate1");
    {
        QFile old(dir.path() + "/UpDate1.run");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older copy");
    }
    ASSERT_TRUE(HUtil::startUpdater(dir.path(), args));
    EXPECT_EQ(waitForRecord(dir.path() + "/record.txt"),
              "UpDate1.run\nTarvolin|version.json|http://127.0.0.1:7710/update/version.json\n" + dir.path() + "\nend");
    const QFileInfo copy(dir.path() + "/UpDate1.run");
    EXPECT_TRUE(copy.isExecutable());
    QFile a(dir.path() + "/UpDate1"), b(copy.filePath());
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    // A copy that cannot be made starts nothing. Tests may run as root, for
    // whom permission bits do not stop a write, so a folder takes its place.
    ASSERT_TRUE(QFile::remove(copy.filePath()));
    ASSERT_TRUE(QDir(dir.path()).mkpath("UpDate1.run/keep"));
    EXPECT_FALSE(HUtil::startUpdater(dir.path(), args));
}

// updateExe: the updater of the current folder, with the program's name, the
// version file's name and the server address url.update1.
TEST(HUtilMachine, UpdateExeUsesTheCurrentFolderAndTheServerAddress)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    HUtil u;
    EXPECT_FALSE(u.updateExe().toBool()) << "no updater";
    writeStandIn(dir.path() + "/UpDate1");
    settings::setServerAddresses(QJsonObject{{"url", QJsonObject{{"update1", "http://127.0.0.1:9/v.json"}}}});
    EXPECT_TRUE(u.updateExe().toBool());
    QDir::setCurrent(cwd);
    EXPECT_EQ(waitForRecord(dir.path() + "/record.txt"),
              "UpDate1.run\nTarvolin|version.json|http://127.0.0.1:9/v.json\n" + dir.path() + "\nend");
}

}  // namespace
