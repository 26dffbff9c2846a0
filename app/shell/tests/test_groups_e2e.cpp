// The stock groups in the whole program on a virtual display, against the
// local quote server and back end: the ranking screen's row menu adds a stock
// to the first my-stock group, "自选股" lists it, the background sync uploads
// the edit and a second sign-in gets it back from the back end; a screening
// result shows under "条件选股". Screenshots: table-menu.png, mystock.png and
// screening-results.png in <build>/screenshots/. Driven by app/e2e/DemoGroups.qml.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

#include "serverprocess.h"

namespace {

QString screenshotDir() { return QDir::cleanPath(QString(TARVOLIN_BIN_DIR) + "/../screenshots"); }

// A program whose output is read line by line until a prefix shows.
struct ProgramRun {
    QProcess process;
    QStringList lines;
    explicit ProgramRun(const QStringList& args, const QProcessEnvironment& env, QProcess::ProcessChannelMode mode = QProcess::MergedChannels)
    {
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(mode);
        process.start(args.first(), args.mid(1));
    }
    ~ProgramRun()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000))
                process.kill();
            process.waitForFinished(5000);
        }
    }
    QString wait(const QString& prefix, int ms = 60000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                lines << line;
                const int at = line.indexOf(prefix);
                if (at >= 0)
                    return line.mid(at + prefix.size()).trimmed();
            }
            if (t.elapsed() > ms || process.state() == QProcess::NotRunning)
                return QStringLiteral("<none>");
            process.waitForReadyRead(100);
        }
    }
    std::string log() const { return lines.join('\n').toStdString(); }
    // Waits for "demo: pose PATH", shoots the display into PATH (whole, so
    // pop-up menus show) and returns PATH, or "<none>".
    QString shoot(const QString& display)
    {
        const QString path = wait("demo: pose ");
        if (path == "<none>")
            return path;
        const QString tmp = path + ".part.png";
        if (QProcess::execute("import", {"-display", display, "-window", "root", tmp}) != 0 ||
            !QFile::rename(tmp, path))
            return QStringLiteral("<none>");
        return path;
    }
};

// Pixels of a colour (within 30 per channel) inside a rectangle.
int count(const QImage& img, const QRect& r, const QColor& c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom() && y < img.height(); ++y)
        for (int x = r.left(); x <= r.right() && x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            n += std::abs(p.red() - c.red()) < 30 && std::abs(p.green() - c.green()) < 30 && std::abs(p.blue() - c.blue()) < 30;
        }
    return n;
}

}  // namespace

TEST(GroupsEndToEnd, RowMenuAddsToMyStocksThatSyncAndScreeningResultsShow)
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty() || QStandardPaths::findExecutable("import").isEmpty())
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
    auto quote = std::make_unique<QuoteServerProcess>();
    ASSERT_GT(quote->port(), 0);
    ServerProcess backend("backend", {"--quote-url", "tcp://127.0.0.1:" + std::to_string(quote->port()) +
                                                         "/?auto_delay=1000&encrypt_key=varnoquel"});
    ASSERT_GT(backend.port(), 0);
    ProgramRun display({xvfb, "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"},
                QProcessEnvironment::systemEnvironment(), QProcess::ForwardedErrorChannel);
    display.process.waitForReadyRead(20000);
    const QString number = QString::fromUtf8(display.process.readLine()).trimmed();
    ASSERT_FALSE(number.isEmpty());

    QDir().mkpath(screenshotDir());
    for (const char* f : {"table-menu.png", "mystock.png", "screening-results.png"})
        QFile::remove(screenshotDir() + "/" + f);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":" + number);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_QUICK_BACKEND", "software");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("TARVOLIN_CONTROL_URL", QString("http://127.0.0.1:%1/").arg(backend.port()));
    env.insert("TARVOLIN_TEST_LOGIN_QML", QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/e2e/DemoLogin.qml").toString());
    env.insert("TARVOLIN_TEST_MAIN_QML", QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/e2e/DemoGroups.qml").toString());
    const QString program = QString(TARVOLIN_BIN_DIR) + "/Tarvolin";

    QString added;
    {
        ProgramRun first({program, "--screenshots=" + screenshotDir(), "--phase=first"}, env);
        const QString before = first.wait("demo: groups");
        ASSERT_NE(before, "<none>") << first.log();
        // Not in a group: "添加自选" first; type 2 stocks have both F10 pages.
        EXPECT_EQ(first.wait("demo: menu "), "添加自选 - 查看K线 查看分时 图文F10 深度F9 - 多股同列") << first.log();
        ASSERT_EQ(first.shoot(":" + number), screenshotDir() + "/table-menu.png") << first.log();
        added = first.wait("demo: added ");
        ASSERT_NE(added, "<none>") << first.log();
        added = added.section(' ', 0, 0);
        // Two stocks added, each put first: the first one added is now last.
        EXPECT_EQ(first.wait("demo: mystock rows "), "2 last " + added) << first.log();
        ASSERT_EQ(first.shoot(":" + number), screenshotDir() + "/mystock.png") << first.log();
        ASSERT_NE(first.wait("demo: uploaded after"), "<none>") << first.log();
        EXPECT_EQ(first.wait("demo: screening "), "1") << first.log();
        EXPECT_EQ(first.wait("demo: results "), "1 rows 6") << first.log();
        ASSERT_EQ(first.shoot(":" + number), screenshotDir() + "/screening-results.png") << first.log();
        ASSERT_TRUE(first.process.waitForFinished(20000));
    }
    {
        ProgramRun second({program, "--phase=second"}, env);
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
