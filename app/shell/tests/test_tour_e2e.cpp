// The whole program toured as a user goes through it, on a virtual display
// against the local quote server and back end: app/e2e/TourMain.qml acts only
// through key and mouse events (the TestInput hook) and reports each step as
// "tour: ok ..." or "tour: FAIL ...". This test starts everything, reads the
// steps, looks at the K-line screenshots' pixels (candles in the main pane)
// and at every part a screenshot was taken for (not an empty place), and
// expects the program to quit through its confirm dialog, all within the
// tour budget. It runs on a 1280 x 800 and a 1920 x 1080 screen; screenshots are
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

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "ownprocess.h"
#include "programrun.h"

namespace {

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

// Pixels inside rect that stand out from its most common colour (text, lines,
// bars on a plain ground): an empty place has next to none.
int inkPixels(const QImage& image, const QRect& rect)
{
    const QRect r = rect.intersected(image.rect());
    QMap<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb ground = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            ground = it.key();
        }
    int ink = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const QRgb c = it.key();
        if (std::abs(qRed(c) - qRed(ground)) + std::abs(qGreen(c) - qGreen(ground)) +
                std::abs(qBlue(c) - qBlue(ground)) >
            90)
            ink += it.value();
    }
    return ink;
}

}  // namespace

class TourEndToEnd : public ::testing::TestWithParam<QSize> {};

TEST_P(TourEndToEnd, StockViewThroughKeysAndMouse)
{
    RUN_IN_OWN_PROCESS();
    if (!testsupport::canRunVirtualDisplay())
        GTEST_SKIP() << "Xvfb is not installed";
    testsupport::Tour tour;
    ASSERT_NO_FATAL_FAILURE(tour.start(GetParam(), "TourMain.qml", "tour"));
    testsupport::TourRun& run = tour.run;
    const QString& dir = tour.dir;
    QMap<QString, QRect> paneOf;  // screenshot -> the main pane's plot in it
    QRect pane;
    QMap<QString, QList<QRect>> looksOf;  // screenshot -> the parts that must show something
    QList<QRect> looks;
    testsupport::runTour(tour.program, tour.clock, run, [&](const QString& text) {
        if (text.startsWith("pane main ")) {
            const QStringList p = text.split(' ');
            pane = QRect(p[2].toInt(), p[3].toInt(), p[4].toInt(), p[5].toInt());
        } else if (text.startsWith("look ")) {
            const QStringList p = text.split(' ');
            looks << QRect(p[1].toInt(), p[2].toInt(), p[3].toInt(), p[4].toInt());
        } else if (text.startsWith("wrote ")) {
            paneOf[QFileInfo(text.mid(6)).fileName()] = pane;
            looksOf[QFileInfo(text.mid(6)).fileName()] = looks;
            looks.clear();
        }
    });
    ASSERT_NO_FATAL_FAILURE(testsupport::expectTourEnded(run, tour.program, tour.clock));

    // Every K-line screenshot holds up and down candles in its main pane.
    for (const char* name : {"02-day.png", "03-week.png", "04-5min.png", "07-back.png"}) {
        const QImage shot(dir + "/" + name);
        ASSERT_FALSE(shot.isNull()) << name;
        ASSERT_TRUE(paneOf.contains(name) && paneOf[name].width() > 100) << name;
        const auto [red, green] = candlePixels(shot, paneOf[name]);
        EXPECT_GT(red, 200) << name << " shows no up candles in " << paneOf[name].x() << "," << paneOf[name].y();
        EXPECT_GT(green, 200) << name << " shows no down candles";
    }

    // Every part a screenshot was taken for shows something: at least one
    // pixel in 200 stands out from its ground.
    for (auto it = looksOf.cbegin(); it != looksOf.cend(); ++it) {
        const QImage shot(dir + "/" + it.key());
        ASSERT_FALSE(shot.isNull()) << it.key().toStdString();
        for (const QRect& r : it.value()) {
            const int area = r.intersected(shot.rect()).width() * r.intersected(shot.rect()).height();
            EXPECT_GT(area, 0) << it.key().toStdString() << " has nothing at " << r.x() << "," << r.y();
            EXPECT_GE(inkPixels(shot, r), std::max(50, area / 200))
                << it.key().toStdString() << " shows an empty place at " << r.x() << "," << r.y() << " " << r.width()
                << "x" << r.height();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, TourEndToEnd, ::testing::Values(QSize(1280, 800), QSize(1920, 1080)),
                         [](const ::testing::TestParamInfo<QSize>& info) {
                             return testsupport::screenName(info.param);
                         });
