// Frames of the replies of one push: the replies reach the GUI thread one
// blocking delivery after another, and the window draws one frame for the
// whole run, showing its last reply, with every reply handled in order.
#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "livetest.h"
#include "quote.h"
#include "shell/quoteproxy.h"

using testsupport::waitFor;

namespace {

// A shown window whose rectangle grows by one pixel at each K-line reply the
// bridge hands it; counts its frames and the width each frame showed.
struct PushWindow {
    PushWindow()
    {
        component.setData(
            "import QtQuick 2.15\nimport QtQuick.Window 2.15\n"
            "Window { width: 160; height: 60; visible: true\n"
            "  Rectangle { id: bar; objectName: 'bar'; width: 10; height: 20; color: 'red' }\n"
            "  MouseArea { anchors.fill: parent; onPressed: bar.height = 30 } }\n",
            QUrl("qrc:/test_quote_frames.qml"));
        object.reset(component.create());
        window = qobject_cast<QQuickWindow*>(object.get());
        bar = window ? window->findChild<QObject*>("bar") : nullptr;
        if (!window || !bar)
            return;
        QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [this] {
                shownWidth = bar->property("width").toInt();
                shownHeight = bar->property("height").toInt();
                ++frames;
            },
            Qt::DirectConnection);
        QObject::connect(
            QuoteProxy::instance(), &QuoteProxy::quoteReplayTypeKLine, window,
            [this](const QuoteReply* r) {
                seen.push_back(r->count);
                bar->setProperty("width", bar->property("width").toInt() + 1);
            },
            Qt::BlockingQueuedConnection);
    }

    QQmlEngine engine;
    QQmlComponent component{&engine};
    std::unique_ptr<QObject> object;
    QQuickWindow* window = nullptr;
    QObject* bar = nullptr;
    std::atomic<int> frames{0};
    std::atomic<int> shownWidth{0};
    std::atomic<int> shownHeight{0};
    std::vector<int> seen;  // GUI thread: the replies' sequence numbers
};

}  // namespace

TEST(QuoteFrameGate, ThePushOfSeveralRepliesDrawsOneFrame)
{
    PushWindow w;
    ASSERT_TRUE(w.window && w.bar) << w.component.errorString().toStdString();
    ASSERT_TRUE(waitFor([&] { return w.frames > 0; })) << "the window never drew its first frame";
    QuoteFrameGate* gate = QuoteProxy::instance()->frameGate();
    // The run ends only when the test lets it: the engine side below waits,
    // after each reply, until the window has asked for its frame.
    gate->setWaits(600000, 600000);
    std::atomic<bool> asked{false};
    QObject::connect(gate, &QuoteFrameGate::frameHeld, w.window, [&] { asked = true; });

    const int kReplies = 5;
    const int framesBefore = w.frames;
    std::atomic<int> framesDuringRun{-1};
    std::atomic<bool> timedOut{false};
    std::thread engine([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (int i = 0; i < kReplies; ++i) {
            QuoteReply reply{0, QUOTE_REPLY_KLINE, nullptr, i, nullptr};
            QuoteProxy::instance()->onUpdate(&reply);
            // The window has asked for a frame: held by the gate, or drawn.
            while (!asked && w.frames == framesBefore) {
                if (std::chrono::steady_clock::now() > deadline) {
                    timedOut = true;
                    return;
                }
                std::this_thread::yield();
            }
        }
        framesDuringRun = w.frames - framesBefore;
    });
    const bool ran = waitFor([&] { return framesDuringRun >= 0 || timedOut; }, 60000);
    engine.join();
    ASSERT_TRUE(ran && !timedOut) << "the window never asked for a frame";
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3, 4}), w.seen) << "replies lost or out of order";
    EXPECT_EQ(0, framesDuringRun.load()) << "frames drawn between the replies of one push";
    EXPECT_TRUE(gate->framePending());

    // The run ends by itself once no reply follows: one frame, the last reply's.
    gate->setWaits(4, 16);
    ASSERT_TRUE(waitFor([&] { return w.frames > framesBefore; })) << "the held frame never came";
    EXPECT_EQ(10 + kReplies, w.shownWidth.load()) << "the first frame after the push did not show its last reply";
    EXPECT_FALSE(gate->holding());
}

// Replies the bridge does not hand on hold no window.
TEST(QuoteFrameGate, RepliesNotHandedOnHoldNothing)
{
    PushWindow w;
    ASSERT_TRUE(w.window) << w.component.errorString().toStdString();
    ASSERT_TRUE(waitFor([&] { return w.frames > 0; }));
    QuoteFrameGate* gate = QuoteProxy::instance()->frameGate();
    for (const uint16_t kind :
         {uint16_t(0), uint16_t(8), uint16_t(QUOTE_REPLY_PRICE_VOLUME), uint16_t(11), uint16_t(12), uint16_t(200)}) {
        QuoteReply reply{0, kind, nullptr, 0, nullptr};
        QuoteProxy::instance()->onUpdate(&reply);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(gate->holding());
    EXPECT_TRUE(w.seen.empty());
}

// A click during a run, or one just before a run begins, is answered at
// once: the frame it asks for is drawn (with what the run changed so far),
// and the window is held again for the rest of the run.
TEST(QuoteFrameGate, AFrameAfterInputIsNotHeld)
{
    for (const bool clickFirst : {false, true}) {
        SCOPED_TRACE(clickFirst ? "click, then the run begins" : "the run holds a frame, then a click");
        PushWindow w;
        ASSERT_TRUE(w.window && w.bar) << w.component.errorString().toStdString();
        ASSERT_TRUE(waitFor([&] { return w.frames > 0; }));
        QuoteFrameGate* gate = QuoteProxy::instance()->frameGate();
        gate->setWaits(600000, 600000);
        const int framesBefore = w.frames;
        const auto click = [&] { QTest::mouseClick(w.window, Qt::LeftButton, {}, QPoint(80, 30)); };
        if (clickFirst)
            click();
        // A delivery under way that changed the bar.
        gate->begin();
        w.bar->setProperty("width", 11);
        if (!clickFirst) {
            ASSERT_TRUE(waitFor([&] { return gate->framePending(); })) << "the window never asked for a frame";
            click();
        }
        ASSERT_TRUE(waitFor([&] { return w.frames > framesBefore; })) << "the click's frame was held";
        EXPECT_EQ(30, w.shownHeight.load());
        EXPECT_EQ(11, w.shownWidth.load());
        EXPECT_TRUE(gate->holding());

        // What the run changes after the click waits for the run's end.
        w.bar->setProperty("width", 12);
        gate->setWaits(4, 16);
        gate->end();
        ASSERT_TRUE(waitFor([&] { return w.shownWidth == 12; })) << "the rest of the run never showed";
        EXPECT_FALSE(gate->holding());
    }
}

// A run whose delivery brings what the user asked for draws as soon as its
// deliveries end; asked outside a delivery, it changes nothing, and the next
// run waits for its quiet spell again.
TEST(QuoteFrameGate, ARunThatAnswersInputEndsWithItsDeliveries)
{
    PushWindow w;
    ASSERT_TRUE(w.window && w.bar) << w.component.errorString().toStdString();
    ASSERT_TRUE(waitFor([&] { return w.frames > 0; }));
    QuoteFrameGate* gate = QuoteProxy::instance()->frameGate();
    gate->setWaits(600000, 600000);

    gate->answersInput();  // no delivery under way: nothing to answer
    gate->begin();
    w.bar->setProperty("width", 11);
    ASSERT_TRUE(waitFor([&] { return gate->framePending(); })) << "the window never asked for a frame";
    gate->end();
    QCoreApplication::processEvents();
    EXPECT_TRUE(gate->holding()) << "a run that answered nothing ended before its quiet spell";
    EXPECT_EQ(10, w.shownWidth.load());

    gate->begin();
    w.bar->setProperty("width", 12);
    gate->answersInput();
    gate->end();
    EXPECT_FALSE(gate->holding());
    ASSERT_TRUE(waitFor([&] { return w.shownWidth == 12; })) << "the answer was not drawn";

    // The answer does not carry over to the next run.
    gate->begin();
    w.bar->setProperty("width", 13);
    gate->end();
    QCoreApplication::processEvents();
    EXPECT_TRUE(gate->holding());
    gate->setWaits(4, 16);
    gate->reset();
    ASSERT_TRUE(waitFor([&] { return w.shownWidth == 13; }));
}
