// Views that change at every push draw one frame for it: a text that grows or
// shrinks moves its neighbours while the push is handled, not while the frame
// is being prepared (which would ask for a second frame at once).
#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QtGui/private/qwindow_p.h>

#include <atomic>
#include <memory>

#include "livetest.h"
#include "shell/qmltypes.h"

using testsupport::waitFor;

namespace {

// A shown window holding one view with a stand-in price record; at each frame
// it notes whether another frame was already asked for.
struct ViewWindow {
    explicit ViewWindow(const QByteArray& view)
    {
        registerQmlTypes();
        component.setData(
            "import QtQuick 2.15\nimport QtQuick.Window 2.15\nimport \"qrc:/qml/\" as App\n"
            "Window { width: 400; height: 140; visible: true\n"
            "  property QtObject rec: QtObject {\n"
            "    property string name: '浦发银行'; property string code: '600000'; property int market: 1\n"
            "    property int decimal: 2; property real close: 9.5; property real pre_close: 9.0\n"
            "    property real rf_rate: 0.05; property real rf_value: 0.5; property bool margin_trading: false\n"
            "    property string market_name: ''; property string trade_tag: '交易中'\n"
            "    property string trade_date: '2026-12-09'; property string trade_time: '10:00:00'\n"
            "    signal dataChanged() }\n  " +
                view + " }\n",
            QUrl("qrc:/test_view_frames.qml"));
        object.reset(component.create());
        window = qobject_cast<QQuickWindow*>(object.get());
        if (!window)
            return;
        QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [this] {
                if (QWindowPrivate::get(window)->updateRequestPending)
                    ++framesAskingForMore;
                ++frames;
            },
            Qt::DirectConnection);
    }

    QQmlEngine engine;
    QQmlComponent component{&engine};
    std::unique_ptr<QObject> object;
    QQuickWindow* window = nullptr;
    std::atomic<int> frames{0};
    std::atomic<int> framesAskingForMore{0};
};

}  // namespace

// The price header's last price, change and rate change width at pushes.
TEST(ViewFrames, PriceHeaderDrawsOneFramePerPush)
{
    ViewWindow w("App.PriceHeader { priceModel: rec }");
    ASSERT_TRUE(w.window) << w.component.errorString().toStdString();
    ASSERT_TRUE(waitFor([&] { return w.frames > 0; })) << "the window never drew its first frame";
    QObject* rec = w.window->property("rec").value<QObject*>();
    ASSERT_TRUE(rec);
    struct Push {
        double close, rate, value;
        const char* time;
    };
    // Each push changes the texts' widths: 9.50 -> 10.25 -> 100.00 -> 9.99.
    const Push pushes[] = {
        {10.25, 0.1389, 1.25, "10:00:01"}, {100.0, 10.1111, 91.0, "10:00:02"}, {9.99, 0.11, 0.99, "10:00:03"}};
    for (const Push& p : pushes) {
        const int before = w.frames;
        const int askingBefore = w.framesAskingForMore;
        rec->setProperty("close", p.close);
        rec->setProperty("rf_rate", p.rate);
        rec->setProperty("rf_value", p.value);
        rec->setProperty("trade_time", QString::fromLatin1(p.time));
        ASSERT_TRUE(waitFor([&] { return w.frames > before; })) << "no frame for the push to " << p.close;
        EXPECT_EQ(askingBefore, w.framesAskingForMore.load())
            << "the frame for the push to " << p.close << " asked for another one at once";
    }
}
