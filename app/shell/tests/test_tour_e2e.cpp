// The whole program toured as a user goes through it, on a virtual display
// against the local quote server and back end: app/e2e/TourMain.qml acts only
// through key and mouse events (the TestInput hook) and reports each step as
// "tour: ok ..." or "tour: FAIL ...". This test starts everything, reads the
// steps, looks at the K-line screenshots' pixels (candles in the main pane)
// and expects the program to quit through its confirm dialog, all within two
// minutes. It runs on a 1280 x 800 and a 1920 x 1080 screen; screenshots are
// kept in <build>/screenshots/tour/<width>x<height>/.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

#include "serverprocess.h"

namespace {

QString e2eDocument(const char* name)
{
    return QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/e2e/" + name).toString();
}

// Red (up) and green (down) candle pixels inside rect.
std::pair<int, int> candlePixels(const QImage& image, const QRect& rect)
{
    int red = 0, green = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 90 && c.blue() < 90;
            green += c.green() > 150 && c.red() < 60 && c.blue() < 120;
        }
    return {red, green};
}

}  // namespace

class TourEndToEnd : public ::testing::TestWithParam<QSize> {};

TEST_P(TourEndToEnd, StockViewThroughKeysAndMouse)
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    const QSize screen = GetParam();
    const QString size = QString("%1x%2").arg(screen.width()).arg(screen.height());
    QElapsedTimer clock;
    clock.start();
    auto quote = std::make_unique<QuoteServerProcess>();
    ASSERT_GT(quote->port(), 0);
    ServerProcess backend("backend", {"--quote-url", "tcp://127.0.0.1:" + std::to_string(quote->port()) +
                                                         "/?auto_delay=1000&encrypt_key=varnoquel"});
    ASSERT_GT(backend.port(), 0);

    QProcess display;
    display.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    display.start(xvfb, {"-displayfd", "1", "-screen", "0", size + "x24", "-nolisten", "tcp"});
    ASSERT_TRUE(display.waitForReadyRead(20000));
    const QString number = QString::fromUtf8(display.readLine()).trimmed();
    ASSERT_FALSE(number.isEmpty());

    const QString dir = QDir::cleanPath(QString(TARVOLIN_BIN_DIR) + "/../screenshots/tour/" + size);
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":" + number);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_QUICK_BACKEND", "software");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("TARVOLIN_CONTROL_URL", QString("http://127.0.0.1:%1/").arg(backend.port()));
    env.insert("TARVOLIN_TEST_LOGIN_QML", e2eDocument("DemoLogin.qml"));
    env.insert("TARVOLIN_TEST_MAIN_QML", e2eDocument("TourMain.qml"));
    env.insert("TARVOLIN_TEST_INPUT", "1");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QString(TARVOLIN_BIN_DIR) + "/Tarvolin", {"--screenshots=" + dir});

    QStringList log, failures;
    QMap<QString, QRect> paneOf;  // screenshot -> the main pane's plot in it
    QRect pane;
    bool done = false;
    while (clock.elapsed() < 115000 && program.state() != QProcess::NotRunning) {
        program.waitForReadyRead(200);
        while (program.canReadLine()) {
            const QString line = QString::fromUtf8(program.readLine()).trimmed();
            log << line;
            const int at = line.indexOf("tour: ");
            if (at < 0)
                continue;
            const QString text = line.mid(at + 6);
            if (text.startsWith("FAIL "))
                failures << text;
            else if (text.startsWith("done"))
                done = true;
            else if (text.startsWith("pane main ")) {
                const QStringList p = text.split(' ');
                pane = QRect(p[2].toInt(), p[3].toInt(), p[4].toInt(), p[5].toInt());
            } else if (text.startsWith("wrote ")) {
                paneOf[QFileInfo(text.mid(6)).fileName()] = pane;
            }
        }
    }
    const bool quit = program.state() == QProcess::NotRunning ||
                      program.waitForFinished(int(std::max<qint64>(1000, 118000 - clock.elapsed())));
    log << QString::fromUtf8(program.readAll());
    display.terminate();
    display.waitForFinished(5000);
    const std::string output = log.join('\n').toStdString();

    EXPECT_TRUE(done) << output;
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString() << "\n" << output;
    ASSERT_TRUE(quit) << "still running after two minutes\n" << output;
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_LT(clock.elapsed(), 120000);

    // Every K-line screenshot holds up and down candles in its main pane.
    for (const char* name : {"02-day.png", "03-week.png", "04-5min.png", "07-back.png"}) {
        const QImage shot(dir + "/" + name);
        ASSERT_FALSE(shot.isNull()) << name;
        ASSERT_TRUE(paneOf.contains(name) && paneOf[name].width() > 100) << name;
        const auto [red, green] = candlePixels(shot, paneOf[name]);
        EXPECT_GT(red, 200) << name << " shows no up candles in " << paneOf[name].x() << "," << paneOf[name].y();
        EXPECT_GT(green, 200) << name << " shows no down candles";
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, TourEndToEnd, ::testing::Values(QSize(1280, 800), QSize(1920, 1080)),
                         [](const ::testing::TestParamInfo<QSize>& info) {
                             return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });
