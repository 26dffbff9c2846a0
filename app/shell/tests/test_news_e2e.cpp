// The whole program on a virtual display against the local quote server and
// back end, touring the notices, the stock view's information panel and the
// fund-flow chart (app/e2e/DemoNews.qml). Screenshots are kept in
// <build>/screenshots/: notice.png, research-marks.png, stock-news.png,
// fund-flow.png and flow-chart.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include <memory>

#include "ownprocess.h"
#include "programrun.h"

namespace {

using namespace testsupport;

int countColour(const QImage& image, QRect r, QRgb colour)
{
    int n = 0;
    r = r.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

TEST(NewsEndToEnd, NoticePanelTabsResearchMarksAndFlowChart)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    auto display = std::make_unique<VirtualDisplay>();
    ASSERT_FALSE(display->name().isEmpty()) << display->output().toStdString();

    const QStringList shots = {"notice.png", "research-marks.png", "stock-news.png", "fund-flow.png", "flow-chart.png"};
    clearScreenshots(shots);
    LineProcess program;
    program.start(programPath(), {"--screenshots=" + screenshotDir()},
                  programEnvironment(display->name(), servers.backendUrl() + "/", "DemoNews.qml"));
    auto output = [&program] { return program.output().toStdString(); };

    EXPECT_FALSE(program.waitFor("demo: ready; notices", 60000).isEmpty()) << output();
    EXPECT_FALSE(program.waitFor("demo: opened 600000 kline", 40000).isEmpty()) << output();
    const QString marks = program.waitFor("demo: research marks", 40000);
    EXPECT_TRUE(marks.startsWith("demo: research marks 5 panel 3")) << output();
    EXPECT_FALSE(program.waitFor("demo: news rows", 30000).isEmpty()) << output();
    const QString flow = program.waitFor("demo: fund flow slices", 30000);
    EXPECT_TRUE(flow.startsWith("demo: fund flow slices 8")) << output();
    EXPECT_FALSE(program.waitFor("demo: done", 60000).isEmpty()) << output();
    EXPECT_TRUE(program.finishWithin(20000));
    display.reset();
    // The web views' pages reached the back end marked with the edition: the
    // profile was set up although the web engine loaded only after sign-in.
    std::string marked;
    EXPECT_TRUE(servers.backend->wait_for(
        [](const std::string& line) { return line.find(" SoftwareFlags=Tarvolin-PC") != std::string::npos; }, &marked))
        << "expected a page request with SoftwareFlags=Tarvolin-PC at the back end; saw none";

    for (const QString& s : shots) {
        const QImage image(screenshotDir() + "/" + s);
        ASSERT_FALSE(image.isNull()) << s.toStdString();
        EXPECT_GT(distinctColours(image, image.rect()), 20) << s.toStdString() << " looks blank";
    }
    // The pop-up: 300 x 200, the notice title in blue, the buttons in orange.
    const QImage notice(screenshotDir() + "/notice.png");
    EXPECT_EQ(notice.size(), QSize(300, 200));
    EXPECT_GT(countColour(notice, notice.rect(), qRgb(0x00, 0x80, 0xFF)), 0);
    EXPECT_GT(countColour(notice, notice.rect(), qRgb(0xFF, 0x80, 0x00)), 0);
    // Red "R" marks in the strip over the bottom of the main K-line pane.
    const QImage kline(screenshotDir() + "/research-marks.png");
    EXPECT_GT(countColour(kline, kline.rect(), qRgb(0xFF, 0x00, 0x00)), 10);
    // The panel's selected tab (red) under the charts, in the bottom third.
    const QImage news(screenshotDir() + "/stock-news.png");
    EXPECT_GT(countColour(news, QRect(0, news.height() / 2, news.width(), news.height() / 2), qRgb(0xE6, 0x00, 0x0C)),
              100);
    // The pie's slices in their colours.
    const QImage pie(screenshotDir() + "/fund-flow.png");
    EXPECT_GT(
        countColour(pie, pie.rect(), qRgb(0xCC, 0x33, 0x33)) + countColour(pie, pie.rect(), qRgb(0x33, 0xCC, 0x33)),
        50);
    // The 63-day chart between the tabs and the status bar: its lines, grid
    // and axis labels, not the empty page behind them.
    const QImage chart(screenshotDir() + "/flow-chart.png");
    const QRect plot(0, 100, chart.width(), chart.height() - 140);
    EXPECT_GT(distinctColours(chart, plot), 10) << "flow-chart.png: the chart area is empty";
}

}  // namespace
