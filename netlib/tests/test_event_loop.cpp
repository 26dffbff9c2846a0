// The event loop: threaded and unthreaded runs, stop, restart, calls into the
// loop, and stop or release issued from the loop's own thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <thread>

#include "net_harness.h"

using nettest::currentTid;
using nettest::inLoop;
using nettest::waitLoopRuns;

TEST(EventLoop, ThreadedRunCallsOnTheLoopThread)
{
    _B2CEvent* ev = b2c_event_create();
    const int tid = b2c_event_run(ev, 1);
    ASSERT_GT(tid, 0);
    EXPECT_NE(tid, currentTid());
    int seen = 0;
    inLoop(ev, [&] { seen = currentTid(); });
    EXPECT_EQ(seen, tid) << "fn must run on the loop thread";
    b2c_event_stop(ev);
    b2c_event_release(ev);
}

TEST(EventLoop, SecondThreadedRunWhileRunningIsRefused)
{
    _B2CEvent* ev = b2c_event_create();
    ASSERT_GT(b2c_event_run(ev, 1), 0);
    EXPECT_EQ(b2c_event_run(ev, 1), 0) << "a second loop thread must not start while one runs";
    b2c_event_stop(ev);
    // After a stop the loop can run again, and queued work runs on the new thread.
    const int tid2 = b2c_event_run(ev, 1);
    ASSERT_GT(tid2, 0);
    int seen = 0;
    inLoop(ev, [&] { seen = currentTid(); });
    EXPECT_EQ(seen, tid2);
    b2c_event_release(ev);  // stops and joins by itself
}

TEST(EventLoop, StopOnLoopThatNeverRanReturns)
{
    _B2CEvent* ev = b2c_event_create();
    b2c_event_stop(ev);
    b2c_event_release(ev);
    b2c_event_release(nullptr);
}

TEST(EventLoop, RunInLoopFromInsideACallbackRunsAtOnce)
{
    nettest::LoopThread loop;
    std::vector<int> order;
    inLoop(loop.ev(), [&] {
        order.push_back(1);
        b2c_event_run_in_loop(
            loop.ev(),
            [](intptr_t user) {
                reinterpret_cast<std::vector<int>*>(user)->push_back(2);
                return 0;
            },
            reinterpret_cast<intptr_t>(&order));
        order.push_back(3);
    });
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(EventLoop, StopAndReleaseOnTheLoopThreadDoNotJoinThemselves)
{
    _B2CEvent* ev = b2c_event_create();
    ASSERT_GT(b2c_event_run(ev, 1), 0);
    std::promise<void> stopped;
    auto fut = stopped.get_future();
    struct Ctx {
        _B2CEvent* ev;
        std::promise<void>* done;
    } ctx{ev, &stopped};
    b2c_event_run_in_loop(
        ev,
        [](intptr_t user) {
            auto* c = reinterpret_cast<Ctx*>(user);
            b2c_event_stop(c->ev);
            b2c_event_release(c->ev);  // the loop thread finishes on its own
            c->done->set_value();
            return 0;
        },
        reinterpret_cast<intptr_t>(&ctx));
    EXPECT_EQ(fut.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "stop/release on the loop hung";
}

TEST(EventLoop, UnthreadedRunReturnsAfterStop)
{
    _B2CEvent* ev = b2c_event_create();
    std::atomic<bool> ran{false};
    std::thread runner([&] {
        EXPECT_EQ(b2c_event_run(ev, 0), 1);
        ran = true;
    });
    // Wait until the loop runs, then stop it from here.
    ASSERT_TRUE(waitLoopRuns(ev));
    b2c_event_stop(ev);
    runner.join();
    EXPECT_TRUE(ran);
    b2c_event_release(ev);
}

TEST(EventLoop, WorkQueuedWhileStoppedIsDestroyedUnrunOnRelease)
{
    _B2CEvent* ev = b2c_event_create();
    static std::atomic<int> calls{0};
    b2c_event_run_in_loop(
        ev,
        [](intptr_t) {
            ++calls;
            return 0;
        },
        0);
    b2c_event_release(ev);
    EXPECT_EQ(calls.load(), 0);
}

TEST(EventLoop, StopFromTheLoopWhileAnotherThreadStopsDoesNotDeadlock)
{
    for (int round = 0; round < 20; ++round) {
        _B2CEvent* ev = b2c_event_create();
        ASSERT_GT(b2c_event_run(ev, 1), 0);
        // A loop callback that stops the loop once another thread's stop is
        // under way (it waits for the stopped state that stop sets first).
        b2c_event_run_in_loop(
            ev,
            [](intptr_t user) {
                auto* e = reinterpret_cast<_B2CEvent*>(user);
                while (!e->impl->io().stopped())
                    std::this_thread::yield();
                b2c_event_stop(e);
                return 0;
            },
            reinterpret_cast<intptr_t>(ev));
        auto stopped = std::async(std::launch::async, [ev] { b2c_event_stop(ev); });
        if (stopped.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            ADD_FAILURE() << "round " << round << ": the two stops deadlocked";
            std::_Exit(1);  // the joined threads cannot be unwound
        }
        b2c_event_release(ev);
    }
}
