// Drawing tools in the stock view against the local quote server: the tool
// row opens the palette, a chosen tool is drawn with the mouse on the day
// K-lines, its menu deletes it, and what is left comes back when the view is
// opened again. Under a real display the chart with five tools and the open
// palette is kept as build/screenshots/drawing.png and the interval
// statistics over a marked range as interval-stats.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QJSValue>
#include <QJsonArray>
#include <QJsonObject>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>

#include <memory>

#include "chartfixtures.h"
#include "charts/cpaintboard.h"
#include "charts/paintfan.h"
#include "charts/paintfibonacci.h"
#include "charts/paintratioline.h"
#include "charts/paintsegment.h"
#include "charts/paintshapes.h"
#include "charts/painttext.h"
#include "charts/paintthreepoint.h"
#include "charts/qchart.h"
#include "livetest.h"
#include "ownprocess.h"
#include "shell/hfileio.h"

namespace {

using testsupport::waitFor;

// Asks window for a frame and waits until it has been put on the screen, so a
// screen grab shows what the window's items show now.
bool waitForFrame(QQuickWindow* window)
{
    int swapped = 0;
    const QMetaObject::Connection c = QObject::connect(
        window, &QQuickWindow::frameSwapped, window, [&] { ++swapped; }, Qt::DirectConnection);
    window->update();
    const bool ok = waitFor([&] { return swapped > 0; });
    QObject::disconnect(c);
    return ok;
}

// An item by object name among the visual children (delegates included).
QQuickItem* findItem(QQuickItem* in, const QString& name)
{
    if (!in)
        return nullptr;
    if (in->objectName() == name)
        return in;
    for (QQuickItem* c : in->childItems())
        if (QQuickItem* r = findItem(c, name))
            return r;
    return nullptr;
}

struct View {
    testsupport::LiveQuoteEngine* live = nullptr;
    QQuickView view;
    QObject* root = nullptr;
    QObject* qview = nullptr;
    QObject* drawing = nullptr;
    QStringList warnings;

    bool open(const char* code)
    {
        ensureProgramCatalogue();
        QObject::connect(view.engine(), &QQmlEngine::warnings, [this](const QList<QQmlError>& list) {
            for (const QQmlError& e : list)
                warnings << e.toString();
        });
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        view.resize(1280, 800);
        view.setPosition(0, 0);
        view.setSource(QUrl("qrc:/qml/MQView.qml"));
        root = view.rootObject();
        if (!root)
            return false;
        qview = root->findChild<QObject*>("qview");
        drawing = root->findChild<QObject*>("stockDrawing");
        view.show();
        if (!qview || !drawing || !QTest::qWaitForWindowExposed(&view))
            return false;
        testsupport::callQml(
            root, "setQuery",
            QVariantMap{
                {"code", code}, {"market", "1"}, {"type", "2"}, {"name", code}, {"chart", "kline"}, {"cycle", "33"}});
        return waitFor([&] { return chart() && chart()->getFirstKLineSize() > 60; });
    }
    QChart* chart() const { return qvariant_cast<QChart*>(qview->property("mainChart")); }
    QQuickWindow* window(const char* prop) const
    {
        return qobject_cast<QQuickWindow*>(drawing->property(prop).value<QObject*>());
    }
    // Scene point of bar `bar` (an index into the bars) at price p.
    QPoint at(int bar, double p) const
    {
        QChart* c = chart();
        return c->mapToScene(QPointF(c->getPointX(bar - c->getBegin()), c->getPointY(p))).toPoint();
    }
    void clickItem(QQuickWindow* w, const char* name)
    {
        QQuickItem* item = findItem(w->contentItem(), name);
        ASSERT_TRUE(item) << name;
        const QPoint p = item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p);
    }
    void drag(QPoint a, QPoint b)
    {
        QTest::mouseMove(&view, a);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, a);
        QTest::mouseMove(&view, (a + b) / 2);
        QTest::mouseMove(&view, b);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, b);
    }
    void click(QPoint a)
    {
        QTest::mouseMove(&view, a);
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, a);
    }
    // A tool chosen in the palette and drawn from a to b.
    void drawTool(const char* cls, QPoint a, QPoint b)
    {
        QQuickWindow* palette = window("toolsView");
        ASSERT_TRUE(palette);
        clickItem(palette, QByteArray("tool_") + cls);
        drag(a, b);
    }
    size_t tools() const { return chart()->paintBoard()->tools().size(); }
};

// The drawing component's menu entry op (with no argument).
void menuAction(QObject* drawing, const char* op)
{
    QVariant r;
    QMetaObject::invokeMethod(drawing, "menuAction", Q_RETURN_ARG(QVariant, r), Q_ARG(QVariant, QString(op)),
                              Q_ARG(QVariant, QVariant()));
}

// Mid price of the bars around `bar`, so that tools sit among the candles.
double priceAt(QChart* c, int bar)
{
    return c->getPosDataF(bar, "close");
}

}  // namespace

TEST(DrawingView, ToolsDrawnByMouseComeBackWithTheView)
{
    RUN_IN_OWN_PROCESS();
    testsupport::LiveQuoteEngine live;
    ASSERT_TRUE(live.start());
    const int n0 = [&] {
        View v;
        EXPECT_TRUE(v.open("600002"));
        QChart* c = v.chart();
        const int last = c->getEnd();
        // "画线" in the tool row opens the palette.
        QQuickItem* paint = findItem(v.view.rootObject(), "klineTool_painttools");
        EXPECT_TRUE(paint);
        if (!paint)
            return -1;
        QTest::mouseClick(&v.view, Qt::LeftButton, Qt::NoModifier,
                          paint->mapToScene(QPointF(paint->width() / 2, paint->height() / 2)).toPoint());
        EXPECT_TRUE(waitFor([&] { return v.window("toolsView") && v.window("toolsView")->isVisible(); }));
        const double p = priceAt(c, last - 20);
        v.drawTool("CPaintSegment", v.at(last - 30, p), v.at(last - 10, p * 1.02));
        v.drawTool("CPaintRect", v.at(last - 50, p * 0.98), v.at(last - 40, p * 1.01));
        EXPECT_EQ(2u, v.tools());
        CPaintMethodBase* seg = c->paintBoard()->tools()[0];
        EXPECT_STREQ("PaintSegment", seg->typeName());
        EXPECT_EQ(last - 30, seg->start.index);
        EXPECT_EQ(last - 10, seg->end.index);

        // The segment's menu, then "删除".
        const QPoint s = c->mapToScene(QPointF(seg->end.x, seg->end.y)).toPoint();
        QTest::mouseMove(&v.view, s);
        QTest::mouseClick(&v.view, Qt::RightButton, Qt::NoModifier, s);
        QObject* menu = v.drawing->findChild<QObject*>("toolMenu");
        EXPECT_TRUE(menu && waitFor([&] { return menu->property("opened").toBool(); }));
        QStringList names;
        for (const QVariant& e : menu->property("entries").value<QJSValue>().toVariant().toList())
            names << e.toMap()["name"].toString();
        EXPECT_EQ("颜色|粗细|虚实|删除", names.join('|').toStdString());
        // "中线" through its route, then "删除".
        testsupport::callQml(menu, "choose", "app://curview/?active=panint&operation=line&width=2");
        EXPECT_EQ(2, seg->pen.width);
        menuAction(v.drawing, "delete");
        EXPECT_EQ(1u, v.tools());
        EXPECT_TRUE(HFileIO::readData("600002-1-33.json").contains("PaintRect"));
        // A tool drawn last is saved when the chart leaves the stock's K-lines.
        v.drawTool("CPaintSegment", v.at(last - 30, p), v.at(last - 10, p * 1.03));
        EXPECT_EQ(2u, v.tools());
        EXPECT_FALSE(HFileIO::readData("600002-1-33.json").contains("PaintSegment"));
        // The minute chart carries no drawings; back on the K-lines they return.
        testsupport::callQml(v.root, "activeFlag", "app://curview/?#chart=mline");
        EXPECT_TRUE(waitFor([&] { return c->getLineType() == "mline" && v.tools() == 0; }));
        EXPECT_TRUE(HFileIO::readData("600002-1-33.json").contains("PaintSegment"));
        testsupport::callQml(v.root, "activeFlag", "app://curview/?#chart=kline&cycle=33");
        EXPECT_TRUE(waitFor([&] { return c->getLineType() == "kline" && v.tools() == 2; }));
        EXPECT_TRUE(c->paintBoard()->active()) << "the palette is still open";
        // Closing the palette gives the mouse back to the chart.
        v.window("toolsView")->close();
        EXPECT_TRUE(waitFor([&] { return !v.window("toolsView")->isVisible(); }));
        EXPECT_FALSE(c->paintBoard()->active());
        EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
        return int(v.tools());
    }();
    ASSERT_EQ(2, n0);
    // A new view of the same stock finds the rectangle and the segment again.
    View again;
    ASSERT_TRUE(again.open("600002"));
    ASSERT_TRUE(waitFor([&] { return again.tools() == 2; }));
    // Loading the drawings does not hand the mouse to them: only the palette
    // or the interval statistics do.
    EXPECT_FALSE(again.chart()->paintBoard()->active());
    EXPECT_STREQ("PaintRect", again.chart()->paintBoard()->tools()[0]->typeName());
    EXPECT_STREQ("PaintSegment", again.chart()->paintBoard()->tools()[1]->typeName());
}

TEST(DrawingScreenshots, ToolsOnDayKLinesAndIntervalStatistics)
{
    RUN_IN_OWN_PROCESS();
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as charts.drawing_screenshots on the virtual display";
    testsupport::LiveQuoteEngine live;
    ASSERT_TRUE(live.start());
    View v;
    ASSERT_TRUE(v.open("600001"));
    QChart* c = v.chart();
    const int last = c->getEnd();
    testsupport::callQml(v.root, "onKLineTool", "painttools");
    QQuickWindow* palette = v.window("toolsView");
    ASSERT_TRUE(palette);
    palette->setPosition(1280 - 120, 120);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(palette));
    const double hi = c->getYPoint(c->getCTXData(0)->geometry.plot.top() + 40);
    const double lo = c->getYPoint(c->getCTXData(0)->geometry.plot.bottom() - 40);
    // Price at fraction f of [lo, hi]; the presses below keep off the lines
    // drawn before them, so each press makes a new tool.
    auto f = [&](double x) { return lo + (hi - lo) * x; };
    palette->raise();
    v.drawTool("CPaintFibonacci", v.at(last - 110, f(0.6)), v.at(last - 110, f(0.6)));
    v.clickItem(palette, "tool_CPaintTrendLine");
    v.drag(v.at(last - 100, f(0.05)), v.at(last - 85, f(0.75)));
    QTest::mouseMove(&v.view, v.at(last - 75, f(0.5)));
    v.click(v.at(last - 70, f(0.4)));
    v.drawTool("CPaintGoldenSplit", v.at(last - 60, f(0.95)), v.at(last - 45, f(0.2)));
    v.drawTool("CPaintGannLine", v.at(last - 40, f(0.1)), v.at(last - 30, f(0.3)));
    v.drawTool("CPaintRect", v.at(last - 25, f(0.35)), v.at(last - 12, f(0.12)));
    v.drawTool("CPaintText", v.at(last - 18, f(0.9)), v.at(last - 18, f(0.9)));
    ASSERT_EQ(6u, v.tools());
    // The note's text through its menu and the text dialog.
    CPaintMethodBase* note = c->paintBoard()->tools().back();
    const QPoint s = c->mapToScene(QPointF(note->start.x, note->start.y)).toPoint();
    QTest::mouseMove(&v.view, s);
    QTest::mouseClick(&v.view, Qt::RightButton, Qt::NoModifier, s);
    menuAction(v.drawing, "text");
    QQuickWindow* dlg = v.window("textDialog");
    ASSERT_TRUE(dlg);
    testsupport::callQml(dlg, "setText", "压力位 突破看多");
    testsupport::callQml(dlg, "setColor", "#FFD700");
    testsupport::callQml(dlg, "accept");
    ASSERT_EQ("压力位 突破看多", dynamic_cast<CPaintText*>(note)->text);
    QTest::mouseMove(&v.view, v.at(last - 3, f(0.03)));
    ASSERT_TRUE(waitForFrame(&v.view)) << "no frame after the mouse moved";
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    QImage shot = v.view.screen()->grabWindow(0, 0, 0, 1280, 800).toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(dir + "/drawing.png"));
    // Yellow handles or golden lines and white tool lines inside the plot.
    int yellow = 0;
    for (int y = 100; y < 500; ++y)
        for (int x = 80; x < 1000; ++x) {
            const QColor px = shot.pixelColor(x, y);
            yellow += px.red() > 200 && px.green() > 180 && px.blue() < 80;
        }
    EXPECT_GT(yellow, 30);

    // Interval statistics over bars last - 30 .. last - 20.
    palette->close();
    QQuickItem* is = findItem(v.view.rootObject(), "klineTool_IntervalStatistics");
    ASSERT_TRUE(is);
    QTest::mouseClick(&v.view, Qt::LeftButton, Qt::NoModifier,
                      is->mapToScene(QPointF(is->width() / 2, is->height() / 2)).toPoint());
    v.drag(v.at(last - 30, f(0.03)), v.at(last - 20, f(0.03)));
    ASSERT_TRUE(waitFor([&] { return v.window("statsDialog") && v.window("statsDialog")->isVisible(); }));
    QQuickWindow* stats = v.window("statsDialog");
    stats->setPosition(700, 200);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(stats));
    const QJsonObject model = stats->property("model").value<QJSValue>().toVariant().toJsonObject();
    EXPECT_EQ("11个", model["array1"].toArray()[0].toObject()["vol"].toString());
    ASSERT_TRUE(waitForFrame(stats)) << "the statistics dialog drew no frame";
    ASSERT_TRUE(waitForFrame(&v.view)) << "the chart drew no frame under the dialog";
    shot = v.view.screen()->grabWindow(0, 0, 0, 1280, 800).toImage();
    EXPECT_TRUE(shot.save(dir + "/interval-stats.png"));
    EXPECT_TRUE(v.warnings.isEmpty()) << v.warnings.join("\n").toStdString();
}
