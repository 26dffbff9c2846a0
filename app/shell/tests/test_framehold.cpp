#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "livetest.h"
#include "shell/framehold.h"
#include "shell/qmltypes.h"

using testsupport::waitFor;

namespace {

// A shown window with a red face and a FrameHold, counting its frames.
struct HeldWindow {
    QQmlEngine engine;
    std::unique_ptr<QObject> object;
    QQuickWindow* window = nullptr;
    QObject* face = nullptr;
    QObject* hold = nullptr;
    int frames = 0;

    // Empty when the window drew its first frame; otherwise what went wrong.
    std::string open()
    {
        registerQmlTypes();
        QQmlComponent component(&engine);
        component.setData(
            "import QtQuick 2.15\nimport QtQuick.Window 2.15\nimport FrameHold 1.0\n"
            "Window { width: 120; height: 80; visible: true\n"
            "  Rectangle { objectName: 'face'; anchors.fill: parent; color: 'red' }\n"
            "  FrameHold { objectName: 'hold' } }\n",
            QUrl("qrc:/test_framehold.qml"));
        object.reset(component.create());
        window = qobject_cast<QQuickWindow*>(object.get());
        if (!window)
            return component.errorString().toStdString();
        face = window->findChild<QObject*>("face");
        hold = window->findChild<QObject*>("hold");
        if (!face || !hold)
            return "no face or hold";
        QObject::connect(window, &QQuickWindow::frameSwapped, [this] { ++frames; });
        return waitFor([this] { return frames > 0; }) ? std::string() : "the window never drew its first frame";
    }
};

}  // namespace

// A hold keeps a shown window from drawing: the frame the scene asks for is
// taken aside and drawn once the hold is released, or once the limit of the
// first hold has passed; a hold with no limit does nothing.
TEST(FrameHold, FramesWaitForTheReleaseOrTheLimit)
{
    HeldWindow w;
    ASSERT_EQ("", w.open());
    QObject* face = w.face;
    QObject* hold = w.hold;
    int& frames = w.frames;
    QSignalSpy released(hold, SIGNAL(released()));

    // Held until released.
    hold->setProperty("limit", 60000);
    QMetaObject::invokeMethod(hold, "hold");
    EXPECT_TRUE(hold->property("holding").toBool());
    frames = 0;
    face->setProperty("color", QColor(Qt::blue));
    ASSERT_TRUE(waitFor([&] { return hold->property("framePending").toBool(); }));
    EXPECT_EQ(0, frames) << "a frame was drawn during the hold";
    QMetaObject::invokeMethod(hold, "release");
    EXPECT_FALSE(hold->property("holding").toBool());
    EXPECT_FALSE(hold->property("framePending").toBool());
    EXPECT_EQ(1, released.count());
    EXPECT_TRUE(waitFor([&] { return frames > 0; })) << "the frame asked for during the hold never came";
    QMetaObject::invokeMethod(hold, "release");  // no hold: nothing happens
    EXPECT_EQ(1, released.count());

    // Held until the limit.
    int framesInHold = -1;
    QObject::connect(qobject_cast<FrameHold*>(hold), &FrameHold::released, [&] { framesInHold = frames; });
    hold->setProperty("limit", 50);
    QMetaObject::invokeMethod(hold, "hold");
    frames = 0;
    face->setProperty("color", QColor(Qt::green));
    ASSERT_TRUE(released.wait(15000)) << "the limit did not end the hold";
    EXPECT_EQ(0, framesInHold) << "a frame was drawn during the hold";
    EXPECT_FALSE(hold->property("holding").toBool());
    EXPECT_TRUE(waitFor([&] { return frames > 0; }));

    // Holds asked for again and again (a key held down) end at the first
    // one's limit all the same.
    const int before = released.count();
    for (int i = 0; i < 1500 && released.count() == before; ++i) {
        QMetaObject::invokeMethod(hold, "hold");
        QTest::qWait(10);
    }
    EXPECT_EQ(before + 1, released.count()) << "repeated holds kept the window from drawing";

    // No limit: no hold.
    hold->setProperty("limit", 0);
    QMetaObject::invokeMethod(hold, "hold");
    EXPECT_FALSE(hold->property("holding").toBool());
}

// A released hold draws its frame before the events queued during the hold
// (the replies that come in while a switch is set up): what the hold kept
// back shows first, whether or not the window had asked for the frame yet.
TEST(FrameHold, TheReleasedFrameComesBeforeWhatWasQueued)
{
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    HeldWindow w;
    ASSERT_EQ("", w.open());
    QObject* face = w.face;
    QObject* hold = w.hold;
    QQuickWindow* window = w.window;
    int& frames = w.frames;
    hold->setProperty("limit", 60000);

    const QColor colours[] = {Qt::blue, Qt::green};
    for (bool askedFirst : {false, true}) {
        QMetaObject::invokeMethod(hold, "hold");
        face->setProperty("color", colours[askedFirst]);
        if (askedFirst) {
            ASSERT_TRUE(waitFor([&] { return hold->property("framePending").toBool(); }));
        }
        frames = 0;
        int framesWhenQueuedRan = -1;
        QMetaObject::invokeMethod(
            window, [&] { framesWhenQueuedRan = frames; }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(hold, "release");
        ASSERT_TRUE(waitFor([&] { return framesWhenQueuedRan >= 0; }));
        EXPECT_EQ(1, framesWhenQueuedRan)
            << (askedFirst ? "asked for" : "not asked for yet") << ": frames drawn when the queued event ran";
    }
}
