// Screenshots of a day K-line chart (MA lines, a VOL pane and a MACD pane)
// and a minute chart from the local quote server's data, painted by the
// chart's own painters and kept in build/screenshots.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <memory>
#include <vector>

#include "chartfixtures.h"
#include "charts/fchart.h"
#include "charts/qchart.h"
#include "charts/timebar.h"
#include "charts/titlebar.h"
#include "livequotes.h"
#include "models/mqmodel.h"
#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/quotethread.h"

namespace {

template <class Pred>
bool waitFor(Pred done)
{
    for (int i = 0; i < 150 && !done(); ++i)
        QTest::qWait(100);
    return done();
}

// Outputs, scale, crosshair and title of one pane at (0, top).
void paintPane(QPainter& p, QChart& c, int top)
{
    p.save();
    p.translate(0, top);
    p.setClipRect(QRectF(0, 0, c.width(), c.height()));
    FChart::paintLayer(p, *c.formulaLayer(0), c.getBegin(), c.getEnd());
    c.paint(&p);
    TitleBar title;
    title.setSize(QSizeF(c.width(), 20));
    title.setCTXData(c.formulaLayer(0));
    title.setCurX(c.getCrosshairPos());
    title.paint(&p);
    p.restore();
}

void paintTimeBar(QPainter& p, QChart& c, const QString& type, int top, int n)
{
    TimeBar t;
    t.setSize(QSizeF(c.width(), 20));
    t.setChartType(type);
    t.setChartCycle(33);
    t.setScales(c.getTimeBarTime(n));
    t.setCurScales(uint(c.getCurPosTime()));
    t.setCurX(c.getMousePosX());
    p.save();
    p.translate(0, top);
    t.paint(&p);
    p.restore();
}

bool save(const QImage& img, const char* name)
{
    const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
    QDir().mkpath(dir);
    return img.save(dir + "/" + name);
}

}  // namespace

TEST(ChartScreenshots, KLineAndMinuteCharts)
{
    RUN_IN_OWN_PROCESS();
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as charts.screenshots on the virtual display";
    ensureStandardCatalogue();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    testsupport::pointQuoteEngineAt(server.port());
    QuoteEngineThread thread;

    MQModel model, minuteModel;
    std::vector<std::unique_ptr<QChart>> panes;
    const int heights[] = {460, 160, 160};
    const char* names[] = {"KLINE", "VOL", "MACD"};
    for (int i = 0; i < 3; ++i) {
        auto c = std::make_unique<QChart>();
        c->setSize(QSizeF(1200, heights[i]));
        c->setLineType("kline");
        c->appendFormula(0, names[i], "KSCALES", "KCROSSHAIR", 0);
        if (i == 0)
            c->appendFormula(0, "MA", "", "", 0);
        c->bindDataSignal(&model, 0);
        panes.push_back(std::move(c));
    }
    QChart minute;
    minute.setSize(QSizeF(1200, 560));
    minute.setLineType("mline");
    minute.appendFormula(0, "MLINE", "MSCALES", "MCROSSHAIR", 0);
    minute.bindDataSignal(&minuteModel, 0);

    thread.start();
    model.getKLineData("600001", 1, 300, 33, 0);
    minuteModel.getMinuteData("600001", 1, 0);
    ASSERT_TRUE(waitFor([&] {
        for (auto& c : panes)
            if (c->getFirstKLineSize() < 2)
                return false;
        return minute.getFirstKLineSize() > 1;
    }));
    thread.stop();

    QImage k(1200, 800, QImage::Format_ARGB32);
    k.fill(QColor(25, 27, 31));
    {
        QPainter p(&k);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        int top = 0;
        for (auto& c : panes) {
            c->setkShowNumber(120);
            c->setShowCrosshairLine(true);
            c->updateCrosshairPos(c->getEnd() - 15);
            paintPane(p, *c, top);
            top += int(c->height());
        }
        paintTimeBar(p, *panes[0], "kline", top, 5);
    }
    EXPECT_TRUE(save(k, "kline.png"));
    // A candle pixel of the K-line pane is up red or down green somewhere in the plot.
    int coloured = 0;
    for (int y = 20; y < 440; y += 2)
        for (int x = 60; x < 1140; x += 2) {
            const QColor c = k.pixelColor(x, y);
            coloured += (c.red() > 200 && c.green() < 90) || (c.green() > 150 && c.red() < 60);
        }
    EXPECT_GT(coloured, 200);

    QImage m(1200, 580, QImage::Format_ARGB32);
    m.fill(QColor(25, 27, 31));
    {
        QPainter p(&m);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        minute.setkShowNumber(minute.getFirstKLineSize());  // the whole session in view
        minute.setShowCrosshairLine(true);
        minute.updateCrosshairPos(minute.getFirstKLineSize() / 2);
        paintPane(p, minute, 0);
        paintTimeBar(p, minute, "mline", 560, 6);
    }
    EXPECT_TRUE(save(m, "minute.png"));
}
