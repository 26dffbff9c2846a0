#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include "models/mqmodel.h"
#include "models/qdetailedmodel.h"
#include "models/pricemodel.h"
#include "livequotes.h"
#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"
#include "shell/quotethread.h"
#include "syntheticmarket.h"

namespace {

QQuickItem* findItem(QObject* root, const char* name)
{
    return root->findChild<QQuickItem*>(name);
}

QString textOf(QObject* root, const char* name)
{
    QObject* o = root->findChild<QObject*>(name);
    return o ? o->property("text").toString() : QString();
}

}  // namespace

// Both panels load against the local quote server, show the stock's and the
// index's live records in the documented texts and colours, and the window is
// kept as a screenshot.
TEST(PricePanels, ShowLiveRecords)
{
    RUN_IN_OWN_PROCESS();
    // The screenshot needs a real window (the test run's virtual display).
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "runs as models.price_panels on the virtual display";
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    testsupport::pointQuoteEngineAt(server.port());
    registerQmlTypes();
    QuoteEngineThread thread;
    thread.start();

    {
        QQmlApplicationEngine engine;
        QStringList warnings;
        QObject::connect(&engine, &QQmlEngine::warnings, [&](const QList<QQmlError>& list) {
            for (const QQmlError& e : list)
                warnings << e.toString();
        });
        engine.load(QUrl::fromLocalFile(QString(TARVOLIN_SOURCE_DIR) + "/app/models/tests/qml/PricePanels.qml"));
        ASSERT_EQ(1, engine.rootObjects().size()) << warnings.join("\n").toStdString();
        auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
        ASSERT_TRUE(window);
        QQuickItem* stockView = findItem(window, "stockView");
        QQuickItem* indexView = findItem(window, "indexView");
        ASSERT_TRUE(stockView && indexView);
        auto* stockPrice = stockView->property("priceModel").value<PriceModel*>();
        auto* indexPrice = indexView->property("priceModel").value<PriceModel*>();
        ASSERT_TRUE(stockPrice && indexPrice);

        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !stockPrice->code().isEmpty() && !indexPrice->code().isEmpty(); }, 10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stockView->isVisible() && indexView->isVisible(); }, 5000));
        EXPECT_EQ("600001", stockPrice->code());
        EXPECT_EQ("399001", indexPrice->code());

        // The header's texts follow the record: name and code, price with its
        // decimals, coloured against the previous close.
        EXPECT_EQ(QString::fromStdString(SyntheticMarket::instance().find("600001", 1)->name) + "  600001",
                  textOf(stockView, "nameText"));
        const QString close = textOf(stockView, "closeText");
        EXPECT_EQ(QString::number(stockPrice->close(), 'f', stockPrice->decimal()), close);
        QObject* closeText = stockView->findChild<QObject*>("closeText");
        const QString colour = closeText->property("color").value<QColor>().name(QColor::HexRgb).toUpper();
        const QString expected = stockPrice->close() > stockPrice->pre_close()   ? "#FF3D3D"
                                 : stockPrice->close() < stockPrice->pre_close() ? "#0FC351"
                                                                                 : "#FFFFFF";
        EXPECT_EQ(expected, colour);
        EXPECT_EQ("深证成指  399001", textOf(indexView, "nameText"));

        // The stock's tick list under the panel has its trades.
        auto* ticks = stockView->findChild<QDetailedModel*>();
        ASSERT_TRUE(ticks);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ticks->rowCount() > 0; }, 10000));

        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        const QImage shot = window->grabWindow();
        ASSERT_FALSE(shot.isNull());
        const QString dir = QString(TARVOLIN_BIN_DIR) + "/../screenshots";
        QDir().mkpath(dir);
        EXPECT_TRUE(shot.save(dir + "/price-panel.png"));
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();
    }
    thread.stop();
}
