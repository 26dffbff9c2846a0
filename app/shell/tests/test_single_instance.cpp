// The single-instance guard in one process, QRoot's geometry slots, and the
// entry function's version check.
#include <gtest/gtest.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QSysInfo>
#include <QQuickWindow>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "shell/instanceguard.h"
#include "shell/qroot.h"
#include "shell/startup.h"
#include "testhome.h"

namespace {

// Leaves a socket file at path that nobody listens on, as a killed instance does.
void makeStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray bytes = path.toLocal8Bit();
    std::strncpy(addr.sun_path, bytes.constData(), sizeof(addr.sun_path) - 1);
    QFile::remove(path);  // an earlier case's
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0) << bytes.constData();
    ::close(fd);
    ASSERT_TRUE(QFile::exists(path));
}

}  // namespace

TEST(InstanceGuard, NameIsPerUser)
{
    EXPECT_EQ(InstanceGuard::serverNameFor("Tarvolin"), testsupport::testHome() + "/runtime/Tarvolin");
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceGuard::serverNameFor("Tarvolin"), "Tarvolin-" + QString::number(::getuid()));
    qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_EQ(InstanceGuard::lockPath(), testsupport::testDataDir() + "/instance.lock");
}

TEST(InstanceGuard, SecondClaimForwardsItsTextToTheFirst)
{
    InstanceGuard first("Tarvolin");
    ASSERT_TRUE(first.claim(""));
    ASSERT_NE(first.server(), nullptr);
    ASSERT_TRUE(first.server()->isListening());

    InstanceGuard second("Tarvolin");
    EXPECT_FALSE(second.claim("600000.SH"));
    EXPECT_EQ(second.server(), nullptr);
    ASSERT_TRUE(first.server()->waitForNewConnection(1000));
    QLocalSocket* peer = first.server()->nextPendingConnection();
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer->bytesAvailable() >= 9 || !peer->isOpen(); }, 2000));
    EXPECT_EQ(peer->readAll(), QByteArray("600000.SH"));

    // Once the first frees its name and lock, a new start is the first.
    first.close();
    InstanceGuard third("Tarvolin");
    EXPECT_TRUE(third.claim(""));
    EXPECT_TRUE(third.server()->isListening());
}

TEST(InstanceGuard, StaleNameOfAKilledInstanceIsRecovered)
{
    const QString name = InstanceGuard::serverNameFor("Tarvolin");
    makeStaleSocket(name);
    InstanceGuard guard("Tarvolin");
    EXPECT_TRUE(guard.claim(""));
    ASSERT_NE(guard.server(), nullptr);
    EXPECT_TRUE(guard.server()->isListening()) << "the stale name was removed and taken";
}

// A live first instance that does not answer in time (it holds the lock but
// its socket does not accept): the new start ends and the name stays.
TEST(InstanceGuard, BusyLiveInstanceKeepsItsName)
{
    QLockFile held(InstanceGuard::lockPath());
    ASSERT_TRUE(held.tryLock(0));
    const QString name = InstanceGuard::serverNameFor("Tarvolin");
    makeStaleSocket(name);
    InstanceGuard guard("Tarvolin");
    EXPECT_FALSE(guard.claim("x"));
    EXPECT_EQ(guard.server(), nullptr);
    EXPECT_TRUE(QFile::exists(name)) << "the live instance's name was removed";
}

// What a power loss or a crash leaves as instance.lock: none of it may keep
// the next start out, and the new start then holds a lock of its own.
TEST(InstanceGuard, LeftoverLocksAreStale)
{
    const QString path = InstanceGuard::lockPath();
    struct Row {
        const char* what;
        QByteArray content;  // written as the file; "<dir>" makes a directory
    };
    const Row rows[] = {
        {"empty", QByteArray()},
        {"garbage", QByteArray("\xff\xfe garbage \x01\x02")},
        {"NULs", QByteArray(64, '\0')},
        {"a dead owner", QByteArray("2147483646\nTarvolin\n") + QSysInfo::machineHostName().toUtf8() + "\n"},
        {"no owner line", QByteArray("\n\n\n")},
        {"a directory", QByteArray("<dir>")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        QDir(path).removeRecursively();
        QFile::remove(path);
        if (r.content == "<dir>") {
            ASSERT_TRUE(QDir().mkpath(path + "/inside"));
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(r.content);
        }
        InstanceGuard guard("Tarvolin");
        EXPECT_TRUE(guard.claim("")) << "a leftover lock kept the start out";
        ASSERT_NE(guard.server(), nullptr);
        EXPECT_TRUE(guard.server()->isListening());
        QLockFile probe(path);
        EXPECT_FALSE(probe.tryLock(0)) << "the new start holds no lock";
        qint64 pid = 0;
        QString host, app;
        EXPECT_TRUE(probe.getLockInfo(&pid, &host, &app));
        EXPECT_EQ(pid, QCoreApplication::applicationPid());
        guard.close();
    }
}

TEST(QRoot, SetRectAppliesOnlyLargeDifferentGeometry)
{
    QRoot* root = QRoot::instance();
    QObject notAWindow;
    root->setWindow(&notAWindow);
    EXPECT_EQ(root->window(), nullptr);
    root->setRect(1, 1, 900, 700);  // no window: nothing to do

    QQuickWindow window;
    window.setGeometry(50, 60, 800, 600);
    root->setWindow(&window);
    ASSERT_EQ(root->window(), &window);
    struct Row {
        float x, y, w, h;
        QRect after;
    };
    const Row rows[] = {
        {10, 10, 600, 480, QRect(50, 60, 800, 600)},              // neither w > 600 nor h > 480
        {10, 10, 601, 100, QRect(10, 10, 601, 100)},              // w > 600 is enough
        {20, 30, 300, 481, QRect(20, 30, 300, 481)},              // h > 480 is enough
        {10.7f, 20.2f, 700.9f, 500.5f, QRect(10, 20, 700, 500)},  // truncated
    };
    for (const Row& r : rows) {
        root->setRect(r.x, r.y, r.w, r.h);
        EXPECT_EQ(window.geometry(), r.after) << r.x << "," << r.y << "," << r.w << "," << r.h;
    }
}

// The offscreen screen is 800 x 600 at 0,0: right edge 799, bottom edge 599.
TEST(QRoot, BottomRightCornerOfTheAvailableArea)
{
    QQuickWindow window;
    QRoot::instance()->setWindow(&window);
    EXPECT_EQ(QRoot::instance()->getScreenRightBottom(300, 200), QPoint(499, 399));
    QRoot::instance()->restartApp();  // no application object: nothing happens
}

namespace {
int g_checkedMajor = -1, g_checkedMinor = -1;
int refusingCheck(int major, int minor, int)
{
    g_checkedMajor = major;
    g_checkedMinor = minor;
    return 0;
}
}  // namespace

TEST(Startup, VersionRefusalEndsWithCodeOne)
{
    char program[] = "Tarvolin";
    char* argv[] = {program, nullptr};
    StartupOptions options;
    options.versionCheck = &refusingCheck;
    testing::internal::CaptureStderr();
    const int code = runTarvolin(1, argv, options);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "Pelmar version error\n");
    EXPECT_EQ(g_checkedMajor, 1);
    EXPECT_EQ(g_checkedMinor, 19);
}
