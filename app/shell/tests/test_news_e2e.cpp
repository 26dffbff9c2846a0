// The whole program on a virtual display against the local quote server and
// back end, touring the notices, the stock view's information panel and the
// fund-flow chart (app/e2e/DemoNews.qml). Screenshots are kept in
// <build>/screenshots/: notice.png, research-marks.png, stock-news.png,
// fund-flow.png and flow-chart.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

#include "serverprocess.h"

namespace {

QString screenshotDir() { return QDir::cleanPath(QString(TARVOLIN_BIN_DIR) + "/../screenshots"); }

// Waits for a line of the process containing text; the line from there on.
QString waitFor(QProcess& p, QStringList& log, const QString& text, int ms)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        while (p.canReadLine()) {
            const QString line = QString::fromUtf8(p.readLine()).trimmed();
            log << line;
            const int at = line.indexOf(text);
            if (at >= 0)
                return line.mid(at);
        }
        const int left = ms - static_cast<int>(timer.elapsed());
        if (left <= 0 || p.state() == QProcess::NotRunning)
            return QString();
        p.waitForReadyRead(std::min(left, 100));
    }
}

int distinctColours(const QImage& image, QRect r)
{
    QSet<QRgb> colours;
    r = r.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); y += 2)
        for (int x = r.left(); x <= r.right(); x += 2)
            colours.insert(image.pixel(x, y) & 0xFFFFFF);
    return colours.size();
}

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
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    QuoteServerProcess quote;
    ASSERT_GT(quote.port(), 0);
    ServerProcess backend("backend", {"--quote-url", "tcp://127.0.0.1:" + std::to_string(quote.port()) +
                                                         "/?auto_delay=1000&encrypt_key=varnoquel"});
    ASSERT_GT(backend.port(), 0);

    QProcess display;
    display.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    display.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    QStringList displayLog;
    const QString number = waitFor(display, displayLog, "", 20000);
    ASSERT_FALSE(number.isEmpty());

    const QStringList shots = {"notice.png", "research-marks.png", "stock-news.png", "fund-flow.png", "flow-chart.png"};
    QDir().mkpath(screenshotDir());
    for (const QString& s : shots)
        QFile::remove(screenshotDir() + "/" + s);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":" + number.trimmed());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_QUICK_BACKEND", "software");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("TARVOLIN_CONTROL_URL", QString("http://127.0.0.1:%1/").arg(backend.port()));
    const QString e2e = QString(TARVOLIN_SOURCE_DIR) + "/app/e2e/";
    env.insert("TARVOLIN_TEST_LOGIN_QML", QUrl::fromLocalFile(e2e + "DemoLogin.qml").toString());
    env.insert("TARVOLIN_TEST_MAIN_QML", QUrl::fromLocalFile(e2e + "DemoNews.qml").toString());
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QString(TARVOLIN_BIN_DIR) + "/Tarvolin", {"--screenshots=" + screenshotDir()});
    QStringList log;
    auto output = [&log] { return log.join('\n').toStdString(); };

    EXPECT_FALSE(waitFor(program, log, "demo: ready; pop-ups", 60000).isEmpty()) << output();
    EXPECT_FALSE(waitFor(program, log, "demo: opened 600000 kline", 40000).isEmpty()) << output();
    const QString marks = waitFor(program, log, "demo: research marks", 40000);
    EXPECT_TRUE(marks.startsWith("demo: research marks 5 panel 3")) << output();
    EXPECT_FALSE(waitFor(program, log, "demo: news rows", 30000).isEmpty()) << output();
    const QString flow = waitFor(program, log, "demo: fund flow slices", 30000);
    EXPECT_TRUE(flow.startsWith("demo: fund flow slices 8")) << output();
    EXPECT_FALSE(waitFor(program, log, "demo: done", 60000).isEmpty()) << output();
    EXPECT_TRUE(program.waitForFinished(20000));
    display.terminate();
    display.waitForFinished(5000);

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
    EXPECT_GT(countColour(news, QRect(0, news.height() / 2, news.width(), news.height() / 2), qRgb(0xE6, 0x00, 0x0C)), 100);
    // The pie's slices in their colours.
    const QImage pie(screenshotDir() + "/fund-flow.png");
    EXPECT_GT(countColour(pie, pie.rect(), qRgb(0xCC, 0x33, 0x33)) + countColour(pie, pie.rect(), qRgb(0x33, 0xCC, 0x33)), 50);
}

}  // namespace
