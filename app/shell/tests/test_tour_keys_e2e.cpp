// Where the keyboard goes, toured through real key and mouse input on a
// virtual display managed by a window manager, against the local servers:
// app/e2e/TourKeys.qml types a code while the pop-up notice is open, works a
// ranking table by keys only, opens 多股同列 and the Shanghai index from the
// status bar and the quick bar (and the index panel in the restored 1000 x 650
// window), renames a group by keys and draws twice from
// the 画线 palette (picking its tools with clicks through the X server, which
// the window manager sees), and reports each step ("tour: ok ...", "tour: FAIL ...").
// The palette is looked for on whole-screen grabs. Runs on a 1280 x 800 and a 1920 x 1080 screen;
// screenshots are kept in <build>/screenshots/tour-keys/<width>x<height>/.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>

#include <algorithm>
#include <cstdlib>

#include "ownprocess.h"
#include "programrun.h"

using namespace testsupport;

namespace {

// The share of the pixels of picture (a window's own drawing) that the screen
// shows alike at rect: a window covered by another shows next to none.
double shownShare(const QImage& screen, const QImage& picture, const QRect& rect)
{
    if (picture.isNull() || rect.isEmpty())
        return 0.0;
    int alike = 0, total = 0;
    for (int y = 0; y < std::min(rect.height(), picture.height()); y += 2)
        for (int x = 0; x < std::min(rect.width(), picture.width()); x += 2) {
            const QPoint at = rect.topLeft() + QPoint(x, y);
            if (!screen.rect().contains(at))
                continue;
            const QRgb a = screen.pixel(at), b = picture.pixel(x, y);
            ++total;
            alike += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) < 60;
        }
    return total ? double(alike) / total : 0.0;
}

// Does the X input a tour line asks for: "xclick X Y" (a left click at that
// screen point) or "xtype TEXT" ("<" for BackSpace, "|" for Return); true when
// text was such a line, noting in failures what could not be done.
bool screenInput(const QString& display, const QString& text, QStringList& failures)
{
    const QStringList p = text.split(' ');
    if (text.startsWith("xclick ")) {
        if (p.size() != 3 || !clickScreen(display, QPoint(p[1].toInt(), p[2].toInt())))
            failures << "could not click as asked: " + text;
        return true;
    }
    if (text.startsWith("xtype ")) {
        if (!typeOnScreen(display, text.mid(6).replace('<', '\b').replace('|', '\n')))
            failures << "could not type as asked: " + text;
        return true;
    }
    return false;
}

}  // namespace

class TourKeysEndToEnd : public ::testing::TestWithParam<QSize> {};

TEST_P(TourKeysEndToEnd, KeyboardGoesWhereTheUserLooks)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay(true))
        GTEST_SKIP() << "Xvfb, openbox, xprop or ImageMagick's import is not installed";
    Tour tour;
    ASSERT_NO_FATAL_FAILURE(tour.start(GetParam(), "TourKeys.qml", "tour-keys"));
    TourRun& run = tour.run;
    const QString display = tour.display->name();
    const QString& dir = tour.dir;
    QStringList shots;
    runTour(tour.program, tour.clock, run, [&](const QString& text) {
        if (text.startsWith("wrote "))
            shots << QFileInfo(text.mid(6)).fileName();
        if (screenInput(display, text, run.failures))
            return;
        if (!text.startsWith("pose "))
            return;
        // "pose PATH x y w h": the screen, and there the palette whole (no
        // palette when w is 0).
        const QStringList p = text.split(' ');
        if (p.size() != 6 || !grabScreen(display, p[1])) {
            run.failures << "could not shoot " + text;
            return;
        }
        const QString name = QFileInfo(p[1]).fileName();
        shots << name;
        const QRect rect(p[2].toInt(), p[3].toInt(), p[4].toInt(), p[5].toInt());
        if (rect.isEmpty())
            return;
        const double share = shownShare(QImage(p[1]), QImage(QString(p[1]).replace(".png", "-palette.png")), rect);
        if (share < 0.9)
            run.failures << QString("%1: the palette at %2,%3 shows on %4% of its place")
                                .arg(name)
                                .arg(rect.x())
                                .arg(rect.y())
                                .arg(int(share * 100));
    });
    ASSERT_NO_FATAL_FAILURE(expectTourEnded(run, tour.program, tour.clock));
    // No script error on the way (an empty selection, an undefined row).
    for (const QString& line : run.log)
        EXPECT_FALSE(line.contains("TypeError") || line.contains("ReferenceError")) << line.toStdString();
    for (const char* name :
         {"keys-01-typed-under-notice.png", "keys-02-ranking-block.png", "keys-03-multi-stock.png",
          "keys-04-index-from-status-bar.png", "keys-05-index-from-quick-bar.png", "keys-06-rename.png",
          "keys-07-palette-after-first.png", "keys-08-palette-after-second.png", "keys-09-top.png",
          "keys-10-index-at-1000x650.png", "keys-11-chip-at-1000x650.png", "keys-12-limit-up-at-1000x650.png",
          "keys-13-limit-down-at-1000x650.png", "keys-14-limit-up.png", "keys-15-limit-down.png"}) {
        EXPECT_TRUE(shots.contains(name)) << name << " was not shot";
        EXPECT_FALSE(QImage(dir + "/" + name).isNull()) << name;
    }
}

// The sign-in window under the window manager, with clicks and keys the X
// server delivers (app/e2e/TourLogin.qml): after a click outside a message box,
// on the window or on the desktop first, the next keys reach the field the
// message was about.
TEST(TourLoginEndToEnd, KeysReachTheFieldAfterAClickOutsideAMessage)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay(false))
        GTEST_SKIP() << "Xvfb, openbox or xprop is not installed";
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    VirtualDisplay display(QSize(1280, 800));
    ASSERT_FALSE(display.name().isEmpty()) << display.output().toStdString();
    QProcessEnvironment env = programEnvironment(display.name(), servers.backendUrl() + "/", "DemoMain.qml");
    env.insert("TARVOLIN_TEST_LOGIN_QML", e2eDocument("TourLogin.qml"));
    env.insert("TARVOLIN_TEST_INPUT", "1");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(programPath(), QStringList());
    ASSERT_TRUE(program.waitForStarted());

    QStringList log, failures;
    const QString end = readUntil(
        program, log,
        [&](const QString& line) {
            const int at = line.indexOf("tour: ");
            if (at < 0)
                return false;
            const QString text = line.mid(at + 6);
            if (!screenInput(display.name(), text, failures) && text.startsWith("FAIL "))
                failures << text;
            return text.startsWith("done ");
        },
        kTourBudgetMs);
    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    program.waitForFinished(5000);
    EXPECT_FALSE(end.isEmpty()) << "the sign-in tour did not end:\n" << log.join('\n').toStdString();
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Screens, TourKeysEndToEnd, ::testing::Values(QSize(1280, 800), QSize(1920, 1080)),
                         [](const ::testing::TestParamInfo<QSize>& info) { return screenName(info.param); });
