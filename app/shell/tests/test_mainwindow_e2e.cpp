// The whole program on a virtual display against the local quote server and
// back end: the real sign-in window signs in as demo/demo, the main window
// opens, a quick command opens a stock, and the status bar follows the quote
// server going away. Screenshots are kept in <build>/screenshots/ (main.png,
// home.png, stock.png). The program is driven by the demo documents of app/e2e/ through
// the TARVOLIN_TEST_*_QML hooks.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QMap>

#include "ownprocess.h"
#include "programrun.h"
#include "testhome.h"
#include "syntheticmarket.h"

namespace {

using namespace testsupport;

// "demo: geometry NAME x y w h" -> QRect.
QRect geometryOf(const QString& line)
{
    const QStringList p = line.split(' ');
    return p.size() == 7 ? QRect(p[3].toInt(), p[4].toInt(), p[5].toInt(), p[6].toInt()) : QRect();
}

// True when some pixel of row band [y0, y1) is within 40 of colour in each channel.
bool bandHolds(const QImage& image, int y0, int y1, const QColor& colour)
{
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 40 && std::abs(c.green() - colour.green()) < 40 &&
                std::abs(c.blue() - colour.blue()) < 40 && c != QColor("#252B33"))
                return true;
        }
    return false;
}

TEST(MainWindowEndToEnd, SignsInShowsTheWindowOpensAStockAndFollowsTheServer)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    VirtualDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << display.output().toStdString();

    clearScreenshots({"main.png", "home.png", "stock.png"});
    LineProcess program;
    program.start(programPath(), {"--screenshots=" + screenshotDir(), "--until-disconnected"},
                  programEnvironment(display.name(), servers.backendUrl() + "/", "DemoMain.qml"));

    ASSERT_FALSE(program.waitFor("demo: signing in", 30000).isEmpty()) << program.output().toStdString();
    ASSERT_EQ(program.waitFor("demo: ready", 40000).left(16), "demo: ready true") << program.output().toStdString();
    // The window fills the virtual screen (1280 x 800) as a maximised one would.
    const QStringList size = program.waitFor("demo: window", 5000).split(' ');
    ASSERT_EQ(size.size(), 4);
    const int w = size[2].toInt();
    const int h = size[3].toInt();
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 800);
    EXPECT_EQ(program.waitFor("demo: state", 5000), "demo: state 已连接");
    QMap<QString, QRect> geometry;
    for (const char* name : {"titleView", "menuBar", "quickBar", "tabView", "stateBar"})
        geometry[name] = geometryOf(program.waitFor(QString("demo: geometry ") + name, 5000));
    // Title bar on top, the menus in it right of the 197-pixel logo, the quick
    // bar below it, the status bar at the bottom, the tabs in between.
    EXPECT_EQ(geometry["titleView"], QRect(0, 0, w, 31));
    EXPECT_GE(geometry["menuBar"].x(), 197);
    EXPECT_EQ(geometry["menuBar"].height(), 30);
    EXPECT_EQ(geometry["quickBar"], QRect(0, 31, w, 35));
    EXPECT_EQ(geometry["stateBar"], QRect(0, h - 31, w, 31));
    EXPECT_EQ(geometry["tabView"], QRect(0, 66, w, h - 97));

    // The window opens on the home view, filled from both servers.
    EXPECT_EQ(program.waitFor("demo: home", 5000), "demo: home true 首页") << program.output().toStdString();
    ASSERT_FALSE(program.waitFor("demo: wrote " + screenshotDir() + "/main.png", 20000).isEmpty())
        << program.output().toStdString();
    ASSERT_FALSE(program.waitFor("demo: wrote " + screenshotDir() + "/home.png", 20000).isEmpty());
    const QImage main(screenshotDir() + "/main.png");
    ASSERT_EQ(main.size(), QSize(w, h));
    EXPECT_GT(distinctColours(main, main.rect()), 30) << "the screenshot looks blank";
    const struct {
        int x, y;
        const char* colour;
    } probes[] = {
        {w - 120, 15, "#252B33"},                     // title bar, between the menus and the buttons
        {w - 120, 30, "#171717"},                     // its outer line
        {geometry["menuBar"].x() + 2, 4, "#2F343B"},  // first menu item
        {w - 100, 40, "#22272E"},                     // quick bar
        {w - 100, 70, "#2F343B"},                     // tab strip
        {w / 2, h / 2, "#191B1F"},                    // tab area
        {w - 5, h - 3, "#252B33"},                    // status bar
    };
    for (const auto& p : probes)
        EXPECT_EQ(main.pixelColor(p.x, p.y).name(QColor::HexRgb).toUpper(), QString(p.colour))
            << "pixel " << p.x << "," << p.y;
    EXPECT_TRUE(bandHolds(main, h - 31, h, QColor("#5AC478"))) << "no green 已连接 in the status bar";
    EXPECT_TRUE(bandHolds(main, 66, 88, QColor("#335493"))) << "no current tab in the strip";

    // The quick commands find 600000 in the dictionary of the server's codes.
    EXPECT_EQ(program.waitFor("demo: quick command", 30000), "demo: quick command 600000 rows 1");
    EXPECT_EQ(program.waitFor("demo: opened", 5000),
              "demo: opened " + QString::fromStdString(SyntheticMarket::instance().find("600000", 1)->name) +
                  " app://qml/qml/MQView.qml?code=600000&market=1")
        << program.output().toStdString();
    ASSERT_FALSE(program.waitFor("demo: wrote " + screenshotDir() + "/stock.png", 20000).isEmpty());
    const QImage stock(screenshotDir() + "/stock.png");
    ASSERT_EQ(stock.size(), QSize(w, h));
    // The new tab is current: the second tab slot (141..281) is highlighted.
    EXPECT_EQ(stock.pixelColor(200, 68).name(QColor::HexRgb).toUpper(), "#335493");
    EXPECT_EQ(stock.pixelColor(60, 68).name(QColor::HexRgb).toUpper(), "#2F343B");

    // The quote server goes away: the status bar says so, then the run ends.
    EXPECT_EQ(program.waitFor("demo: state", 5000), "demo: state 已连接");
    servers.quote.reset();
    EXPECT_EQ(program.waitFor("demo: state", 30000), "demo: state 断开") << program.output().toStdString();
    ASSERT_TRUE(program.finishWithin(20000)) << program.output().toStdString();
    EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
