// The dialog's form and progress, the program's command line, and a
// screenshot of the window on a (virtual) display.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include "dialog.h"
#include "httpserver.h"
#include "qtprinters.h"
#include "updaterun.h"

namespace {

struct ProgramRun {
    int exitCode = -1;
    QByteArray errors;
};

// Runs UpDate1 in `dir` without blocking the event loop (the test server
// answers from it).
ProgramRun runProgram(const QString& dir, const QStringList& args, int limitMs = 30000)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    QEventLoop loop;
    QObject::connect(&p, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    p.start(UPDATER_PROGRAM, args);
    loop.exec();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError()};
}

}  // namespace

TEST(UpdaterDialog, FormHasItsWidgetsInPlace)
{
    RecordingBoxes boxes;
    Dialog d(&boxes);
    EXPECT_EQ(d.windowTitle(), "在线更新");
    EXPECT_EQ(d.minimumSize(), QSize(480, 380));
    EXPECT_EQ(d.maximumSize(), QSize(480, 380));
    EXPECT_FALSE(d.isVisible());
    struct Child {
        const char* name;
        QRect geometry;
    } children[] = {
        {"imageLabel", {0, 0, 480, 300}},     {"progressBar", {10, 310, 441, 20}}, {"statusLabel", {10, 340, 321, 30}},
        {"cancelButton", {340, 340, 61, 30}}, {"getButton", {409, 340, 61, 30}},
    };
    for (const Child& p : children) {
        auto* w = d.findChild<QWidget*>(p.name);
        ASSERT_TRUE(w) << p.name;
        EXPECT_EQ(w->geometry(), p.geometry) << p.name;
    }
    auto* get = d.findChild<QPushButton*>("getButton");
    EXPECT_EQ(get->text(), "更新");
    EXPECT_EQ(get->font().family(), "微软雅黑");
    EXPECT_EQ(get->font().pointSize(), 10);
    EXPECT_EQ(d.findChild<QPushButton*>("cancelButton")->text(), "取消");
    EXPECT_EQ(d.findChild<QProgressBar*>("progressBar")->value(), 0);
    EXPECT_FALSE(d.findChild<QLabel*>("imageLabel")->pixmap(Qt::ReturnByValue).isNull());
}

TEST(UpdaterDialog, ProgressIsTheTruncatedPercentage)
{
    RecordingBoxes boxes;
    Dialog d(&boxes);
    auto* bar = d.findChild<QProgressBar*>("progressBar");
    struct Case {
        qint64 read, total;
        int value;
    } cases[] = {{50, 200, 25},   {1, 3, 33}, {2, 3, 66}, {999, 1000, 99}, {7, -1, 0}, {3000000000LL, 4000000000LL, 75},
                 {200, 200, 100}, {0, 0, 100} /* an empty body leaves the bar as it was */};
    for (const Case& c : cases) {
        d.showProgress(c.read, c.total);
        EXPECT_EQ(bar->value(), c.value) << c.read << "/" << c.total;
    }
}

TEST(UpdaterProgram, RefusesAShortOrUnsafeCommandLine)
{
    QTemporaryDir dir;
    for (const QStringList& args : {QStringList{}, QStringList{"Tarvolin", "version.json"},
                                    QStringList{"../Tarvolin", "version.json", "http://127.0.0.1:1/m"},
                                    QStringList{"Tarvolin", "/etc/version.json", "http://127.0.0.1:1/m"}}) {
        const ProgramRun r = runProgram(dir.path(), args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.errors.contains("usage: UpDate1 <program> <version file> <manifest URL>\n"))
            << r.errors.toStdString();
    }
}

TEST(UpdaterProgram, EndsQuietlyWhenUpToDate)
{
    TestHttpServer server;
    Installation inst;
    const QByteArray manifest = manifestText(server.url("/files/"), {{"a.txt", "1.0.10"}});
    inst.write("version.json", manifest);
    server.file("/manifest.json", manifest);
    const ProgramRun r = runProgram(inst.path(), {"FakeMain", "version.json", server.url("/manifest.json")});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(server.requests(), QStringList{"/manifest.json"});
    EXPECT_FALSE(inst.tempExists());
}

// A server that takes the manifest request and never answers: the program
// gives up after its 30 s without progress and ends unseen, instead of
// staying forever (one more at each sign-in).
TEST(UpdaterProgram, EndsByItselfWhenTheManifestNeverComes)
{
    TestHttpServer server;
    Installation inst;
    HttpAnswer silent;
    silent.silent = true;
    server.answer("/manifest.json", silent);
    QElapsedTimer t;
    t.start();
    const ProgramRun r = runProgram(inst.path(), {"FakeMain", "version.json", server.url("/manifest.json")}, 90000);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_GE(t.elapsed(), 29000);
    EXPECT_EQ(server.requests(), QStringList{"/manifest.json"});
    EXPECT_FALSE(inst.tempExists());
}

// Runs on a real display only (the updater.screenshot test starts it under
// xvfb-run): the window as the user sees it, kept as build/screenshots/updater.png.
TEST(UpdaterScreenshot, Window)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a display (platform " << QGuiApplication::platformName().toStdString() << ")";
    RecordingBoxes boxes;
    Dialog d(&boxes);
    d.showStatus(QStringLiteral("检测测到有3个文件需要更新，点击更新按钮下载并更新文件！"));
    d.showProgress(42, 100);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    // The first paint reaches the X server after the expose: grab until the
    // start image shows.
    QImage shot;
    for (int tries = 0; tries < 500; ++tries) {
        shot = d.screen()->grabWindow(d.winId()).toImage();
        if (shot.pixelColor(5, 5).blue() > 80)
            break;
        QTest::qWait(10);
    }
    ASSERT_EQ(shot.size(), QSize(480, 380));
    QDir().mkpath(QFileInfo(UPDATER_SCREENSHOT).absolutePath());
    ASSERT_TRUE(shot.save(UPDATER_SCREENSHOT));
    // The start image fills the top (dark blue), the controls sit below it.
    const QColor top = shot.pixelColor(5, 5);
    EXPECT_LT(top.red(), 60);
    EXPECT_GT(top.blue(), 80);
    EXPECT_NE(shot.pixelColor(240, 320), top);
}
