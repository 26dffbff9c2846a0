// The drawing tools, stock groups and context menus toured as a user goes
// through them, on a virtual display against the local quote server and back
// end: app/e2e/TourTools.qml acts only through key and mouse events (the
// TestInput hook) and reports each step as "tour: ok ..." or "tour: FAIL ...".
// This test starts everything, shoots the whole screen whenever the tour
// poses (so pop-up menus and the tool windows show), checks in each shot the
// lines and rectangles the tour expects there, and expects the program to
// quit through its confirm dialog, all within the tour budget. It runs on a
// 1280 x 800 and a 1920 x 1080 screen; screenshots are kept in
// <build>/screenshots/tour-tools/<width>x<height>/.
#include <gtest/gtest.h>

#include <QColor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLineF>
#include <QProcess>
#include <QSize>

#include <memory>

#include "ownprocess.h"
#include "programrun.h"

namespace {

using namespace testsupport;

// What a shot must show: a segment ("line") or a rectangle's outline
// ("rect") in a colour, or text in a rectangle ("ink").
struct Expectation {
    QString kind;
    QLineF line;
    QColor color;
};

// Whether a pixel within 2 px of p has colour c (each channel within 40).
bool near(const QImage& image, QPointF p, const QColor& c)
{
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint q(int(p.x()) + dx, int(p.y()) + dy);
            if (!image.rect().contains(q))
                continue;
            const QColor s = image.pixelColor(q);
            if (std::abs(s.red() - c.red()) < 40 && std::abs(s.green() - c.green()) < 40 &&
                std::abs(s.blue() - c.blue()) < 40)
                return true;
        }
    return false;
}

// Light pixels (text) in a rectangle.
int ink(const QImage& image, const QRectF& r)
{
    int n = 0;
    const QRect area = r.toRect().normalized().intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGray(image.pixel(x, y)) > 120;
    return n;
}

// The share of points along the inner 80% of each segment that show colour.
double coverage(const QImage& image, const Expectation& e)
{
    std::vector<QLineF> sides;
    const QLineF& l = e.line;
    if (e.kind == "line") {
        sides.push_back(l);
    } else {
        const QPointF a = l.p1(), b = l.p2();
        sides = {QLineF(a, QPointF(b.x(), a.y())), QLineF(QPointF(b.x(), a.y()), b), QLineF(b, QPointF(a.x(), b.y())),
                 QLineF(QPointF(a.x(), b.y()), a)};
    }
    int hits = 0, total = 0;
    for (const QLineF& s : sides)
        for (int i = 0; i <= 40; ++i) {
            ++total;
            hits += near(image, s.pointAt(0.1 + 0.8 * i / 40), e.color);
        }
    return total ? double(hits) / total : 0.0;
}

}  // namespace

class TourToolsEndToEnd : public ::testing::TestWithParam<QSize> {};

TEST_P(TourToolsEndToEnd, DrawingGroupsAndMenusThroughKeysAndMouse)
{
    RUN_IN_OWN_PROCESS();
    if (!canRunVirtualDisplay(true))
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
    Tour tour;
    ASSERT_NO_FATAL_FAILURE(tour.start(GetParam(), "TourTools.qml", "tour-tools"));
    TourRun& run = tour.run;
    std::unique_ptr<VirtualDisplay>& display = tour.display;
    QStringList shots;
    std::vector<Expectation> pending;
    runTour(tour.program, tour.clock, run, [&](const QString& text) {
        if (text.startsWith("expect ")) {
            const QStringList p = text.split(' ');
            if (p.size() == 7)
                pending.push_back({p[1], QLineF(p[2].toDouble(), p[3].toDouble(), p[4].toDouble(), p[5].toDouble()),
                                   QColor("#" + p[6])});
        } else if (text.startsWith("pose ")) {
            // The whole screen, so that menus and the tool windows show;
            // the tour goes on once the file is there.
            const QString path = text.mid(5);
            if (!grabScreen(display->name(), path)) {
                run.failures << "could not shoot " + path;
                return;
            }
            shots << QFileInfo(path).fileName();
            const QImage image(path);
            for (const Expectation& e : pending) {
                if (e.kind == "ink") {
                    const QRectF r(e.line.p1(), e.line.p2());
                    if (ink(image, r) < 60)
                        run.failures << QString("%1: the row at %2,%3 shows %4 light pixels")
                                            .arg(QFileInfo(path).fileName())
                                            .arg(r.x())
                                            .arg(r.y())
                                            .arg(ink(image, r));
                    continue;
                }
                const double c = coverage(image, e);
                if (c < 0.7)
                    run.failures << QString("%1: the %2 %3,%4-%5,%6 in %7 shows on %8% of its length")
                                        .arg(QFileInfo(path).fileName(), e.kind)
                                        .arg(e.line.x1())
                                        .arg(e.line.y1())
                                        .arg(e.line.x2())
                                        .arg(e.line.y2())
                                        .arg(e.color.name())
                                        .arg(int(c * 100));
            }
            pending.clear();
        }
    });
    display.reset();
    ASSERT_NO_FATAL_FAILURE(expectTourEnded(run, tour.program, tour.clock));
    for (const char* name : {"01-drawn.png", "04-recoloured.png", "05-interval-statistics.png",
                             "05b-zoomed-over-drawing.png", "06-drawing-back.png", "09-row-menu.png", "10-mystock.png",
                             "10b-mystock-relisted.png", "12-screening-results.png"})
        EXPECT_TRUE(shots.contains(name)) << name << " was not shot";
}

INSTANTIATE_TEST_SUITE_P(Screens, TourToolsEndToEnd, ::testing::Values(QSize(1280, 800), QSize(1920, 1080)),
                         [](const ::testing::TestParamInfo<QSize>& info) { return screenName(info.param); });
