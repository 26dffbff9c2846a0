// The stock groups in the whole program on a virtual display, against the
// local quote server and back end: the ranking screen's row menu adds a stock
// to the first my-stock group, "自选股" lists it, the background sync uploads
// the edit and a second sign-in gets it back from the back end; a screening
// result shows under "条件选股". Screenshots: table-menu.png, mystock.png and
// screening-results.png in <build>/screenshots/. Driven by app/e2e/DemoGroups.qml.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include "ownprocess.h"
#include "programrun.h"

namespace {

using namespace testsupport;

// The program, its output read until a line holds a prefix.
struct ProgramRun : LineProcess {
    ProgramRun(const QStringList& args, const QProcessEnvironment& env) { start(programPath(), args, env); }
    // What follows prefix in its line, or "<none>".
    QString wait(const QString& prefix, int ms = 60000)
    {
        const QString line = waitFor(prefix, ms);
        return line.isEmpty() ? QStringLiteral("<none>") : line.mid(prefix.size()).trimmed();
    }
    std::string log() const { return output().toStdString(); }
    // Waits for "demo: pose PATH", grabs the display into PATH and returns
    // PATH, or "<none>".
    QString shoot(const QString& display)
    {
        const QString path = wait("demo: pose ");
        return path == "<none>" || grabScreen(display, path) ? path : QStringLiteral("<none>");
    }
};

// Pixels of a colour (within 30 per channel) inside a rectangle.
int count(const QImage& img, const QRect& r, const QColor& c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom() && y < img.height(); ++y)
        for (int x = r.left(); x <= r.right() && x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            n += std::abs(p.red() - c.red()) < 30 && std::abs(p.green() - c.green()) < 30 &&
                 std::abs(p.blue() - c.blue()) < 30;
        }
    return n;
}

}  // namespace

TEST(GroupsEndToEnd, RowMenuAddsToMyStocksThatSyncAndScreeningResultsShow)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay(true))
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
    LocalServers servers;
    ASSERT_TRUE(servers.started());
    VirtualDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << display.output().toStdString();

    clearScreenshots({"table-menu.png", "mystock.png", "screening-results.png"});
    const QProcessEnvironment env = programEnvironment(display.name(), servers.backendUrl() + "/", "DemoGroups.qml");

    QString added;
    {
        ProgramRun first({"--screenshots=" + screenshotDir(), "--phase=first"}, env);
        const QString before = first.wait("demo: groups");
        ASSERT_NE(before, "<none>") << first.log();
        // Not in a group: "添加自选" first; type 2 stocks have both F10 pages.
        EXPECT_EQ(first.wait("demo: menu "), "添加自选 - 查看K线 查看分时 图文F10 深度F9 - 多股同列") << first.log();
        ASSERT_EQ(first.shoot(display.name()), screenshotDir() + "/table-menu.png") << first.log();
        added = first.wait("demo: added ");
        ASSERT_NE(added, "<none>") << first.log();
        added = added.section(' ', 0, 0);
        // Two stocks added, each put first: the first one added is now last.
        EXPECT_EQ(first.wait("demo: mystock rows "), "2 last " + added) << first.log();
        ASSERT_EQ(first.shoot(display.name()), screenshotDir() + "/mystock.png") << first.log();
        ASSERT_NE(first.wait("demo: uploaded after"), "<none>") << first.log();
        EXPECT_EQ(first.wait("demo: screening "), "1") << first.log();
        EXPECT_EQ(first.wait("demo: results "), "1 rows 6") << first.log();
        ASSERT_EQ(first.shoot(display.name()), screenshotDir() + "/screening-results.png") << first.log();
        ASSERT_TRUE(first.finishWithin(20000));
    }
    {
        ProgramRun second({"--phase=second"}, env);
        const QString groups = second.wait("demo: groups");
        // "group:code,..." as the back end handed them to the new sign-in.
        EXPECT_TRUE(groups.contains(":" + added)) << groups.toStdString() << "\n" << second.log();
    }

    // The row menu over the ranking table, the group view's green/red rows and
    // the results bar's red selected item.
    const QImage menu(screenshotDir() + "/table-menu.png");
    ASSERT_FALSE(menu.isNull());
    EXPECT_GT(count(menu, menu.rect(), QColor(62, 65, 75)), 2000) << "no menu background";
    const QImage mine(screenshotDir() + "/mystock.png");
    ASSERT_FALSE(mine.isNull());
    EXPECT_GT(count(mine, QRect(0, 760, 850, 10), QColor("#E6000C")), 100) << "no selected group button";
    const QImage results(screenshotDir() + "/screening-results.png");
    ASSERT_FALSE(results.isNull());
    EXPECT_GT(count(results, QRect(0, 740, 850, 40), QColor("#E6000C")), 100) << "no selected result";
}
