// Where the keyboard goes, toured through real key and mouse input on a
// virtual display managed by a window manager, against the local servers:
// app/e2e/TourKeys.qml types a code while the pop-up notice is open, works a
// ranking table by keys only, opens 多股同列 and the Shanghai index from the
// status bar and the quick bar, and reports each step ("tour: ok ...",
// "tour: FAIL ..."). Runs on a 1280 x 800 and a 1920 x 1080 screen;
// screenshots are kept in <build>/screenshots/tour-keys/<width>x<height>/.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include "programrun.h"

using namespace testsupport;

class TourKeysEndToEnd : public ::testing::TestWithParam<QSize> {};

TEST_P(TourKeysEndToEnd, KeyboardGoesWhereTheUserLooks)
{
    if (!canRunVirtualDisplay())
        GTEST_SKIP() << "Xvfb, openbox or xprop is not installed";
    const QSize screen = GetParam();
    const QString size = QString("%1x%2").arg(screen.width()).arg(screen.height());
    QElapsedTimer clock;
    clock.start();
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    VirtualDisplay display(screen);
    ASSERT_FALSE(display.name().isEmpty()) << display.output().toStdString();

    const QString dir = screenshotDir() + "/tour-keys/" + size;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QProcessEnvironment env = programEnvironment(display.name(), servers.backendUrl() + "/", "TourKeys.qml");
    env.insert("TARVOLIN_TEST_INPUT", "1");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(programPath(), {"--screenshots=" + dir});

    TourRun run;
    QStringList shots;
    runTour(program, clock, run, [&](const QString& text) {
        if (text.startsWith("wrote "))
            shots << QFileInfo(text.mid(6)).fileName();
    });
    ASSERT_NO_FATAL_FAILURE(expectTourEnded(run, program, clock));
    // No script error on the way (an empty selection, an undefined row).
    for (const QString& line : run.log)
        EXPECT_FALSE(line.contains("TypeError") || line.contains("ReferenceError")) << line.toStdString();
    for (const char* name : {"keys-01-typed-under-notice.png", "keys-02-ranking-block.png", "keys-03-multi-stock.png",
                             "keys-04-index-from-status-bar.png", "keys-05-index-from-quick-bar.png"}) {
        EXPECT_TRUE(shots.contains(name)) << name << " was not shot";
        EXPECT_FALSE(QImage(dir + "/" + name).isNull()) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, TourKeysEndToEnd, ::testing::Values(QSize(1280, 800), QSize(1920, 1080)),
                         [](const ::testing::TestParamInfo<QSize>& info) {
                             return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });
