// A window's frame after an update request starts on the event loop's next
// pass, not after Qt's idle wait: input reaches the screen that much sooner.
#include <gtest/gtest.h>

#include "ownprocess.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <QWindow>

#include "livetest.h"
#include "shell/startup.h"

namespace {

struct UpdateCounter : QObject {
    int updates = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        updates += e->type() == QEvent::UpdateRequest;
        return false;
    }
};

}  // namespace

TEST(FrameStart, AnUpdateRequestIsAnsweredOnTheNextPass)
{
    // Qt reads the wait once a process, at the first request.
    RUN_IN_OWN_PROCESS();
    qunsetenv("QT_QPA_UPDATE_IDLE_TIME");
    startFramesAtOnce();
    EXPECT_EQ("0", qgetenv("QT_QPA_UPDATE_IDLE_TIME"));

    QWindow window;
    window.resize(60, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    UpdateCounter counter;
    window.installEventFilter(&counter);
    window.requestUpdate();
    // One pass of the event loop: a wait of 5 ms would not be over yet.
    QCoreApplication::processEvents();
    EXPECT_EQ(1, counter.updates) << "the frame request waited for a timer";
}

// A wait the user chose is kept.
TEST(FrameStart, TheUsersOwnWaitIsKept)
{
    RUN_IN_OWN_PROCESS();
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "7");
    startFramesAtOnce();
    EXPECT_EQ("7", qgetenv("QT_QPA_UPDATE_IDLE_TIME"));
}
