// The event loop behind a _B2CEvent handle: one io_context and, when run
// threaded, the thread that runs it. Every socket, timer and callback of the
// connections and servers made on it runs on that one thread.
#pragma once

#include <boost/asio/io_context.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace b2c {

class EventImpl : public std::enable_shared_from_this<EventImpl> {
public:
    EventImpl() = default;
    ~EventImpl();
    EventImpl(const EventImpl&) = delete;
    EventImpl& operator=(const EventImpl&) = delete;

    boost::asio::io_context& io() { return io_; }

    // Threaded: starts the loop on a new thread and returns that thread's id
    // (> 0); refused (0) while a loop still runs, when called on the loop
    // thread, or after release. Unthreaded: runs the loop on the calling
    // thread until stop() and returns 1 (0 when refused likewise).
    int run(bool threaded);

    // Stops the loop; joins the loop thread unless called on it (any thread).
    void stop();

    // Runs fn at once when called on the loop thread, else queues it; false
    // (fn dropped) once the event was released (any thread).
    bool runInLoop(std::function<void()> fn);
    // Queues fn for the loop thread; false (fn dropped) once the event was
    // released (any thread).
    bool post(std::function<void()> fn);

    // Runs fn on the loop thread and returns after it ran; runs it at once when
    // called there or when no thread runs the loop (any thread). With
    // `handOver` it stops waiting once the loop has stayed inside one user
    // callback for kHandOverGrace, since that callback may be waiting on the
    // calling thread: fn then stays queued, runs after that callback, and
    // must own what it uses. True when fn ran before the return.
    bool runInLoopAndWait(std::function<void()> fn, bool handOver);
    static constexpr std::chrono::milliseconds kHandOverGrace{100};

    // Marks the loop thread as inside a user callback while it lives (loop thread).
    class CallbackScope {
    public:
        explicit CallbackScope(EventImpl& event);
        ~CallbackScope();
        CallbackScope(const CallbackScope&) = delete;
        CallbackScope& operator=(const CallbackScope&) = delete;

    private:
        EventImpl& event_;
    };

    // True on the thread that currently runs the loop.
    bool inLoopThread() const;
    // True while some thread runs the loop.
    bool running() const { return threadRunning_ || callerRunning_; }
    // True once the handle was released: nothing is queued any more.
    bool released() const { return released_; }

    // Called when the handle goes: refuses further work, stops the loop, joins
    // its thread (unless on it) and destroys every queued and pending handler
    // unrun (any thread).
    //
    // Pending work holds shares of its connections and servers, and those hold
    // this object, whose io_context must outlive their sockets and timers. That
    // cycle is broken here and only here: once the loop has stopped, whichever
    // of release() and the ending run comes last drops the queued work, and
    // since nothing can be queued after release() the drop is final.
    void release();

private:
    // The io_context with its service shutdown reachable, to drop queued handlers.
    class Context : public boost::asio::io_context {
    public:
        using boost::asio::io_context::shutdown;
    };

    // Runs the loop until stopped; an exception escaping a handler is dropped
    // and the loop goes on (loop thread).
    void runLoop();
    // Called when a run ended: drops the queued work when the event was
    // released meanwhile (the thread whose run ended).
    void runEnded(std::atomic<bool>& runningFlag);
    // Destroys every queued and pending handler, once (any thread, loop stopped).
    void dropQueuedWork();
    // Joins a held loop thread unless it is the calling one; mutex_ held.
    void joinThread();
    // Wakes the threads waiting in runInLoopAndWait to look at the loop again (any thread).
    void wakeWaiters();

    mutable Context io_;  // mutable: asking for the executor is not const in Boost.Asio
    std::mutex mutex_;    // guards thread_ and threaded_
    std::thread thread_;  // the loop thread of the last threaded run
    bool threaded_ = false;
    std::atomic<bool> threadRunning_{false};
    std::atomic<bool> callerRunning_{false};
    // Guards the changes of released_ and of the running flags at the end of a
    // run, dropped_, and posting, so that nothing is queued after the drop.
    std::mutex queueMutex_;
    std::atomic<bool> released_{false};
    bool dropped_ = false;
    // User callbacks under way on the loop thread (nested ones count twice),
    // and the number of callbacks entered so far.
    std::atomic<int> callbackDepth_{0};
    std::atomic<uint64_t> callbackEntries_{0};
    // Threads in runInLoopAndWait; callback entries wake them only when there are any.
    std::atomic<int> waiters_{0};
    std::mutex waitMutex_;  // guards the done flags of waited calls; waitCv_ waits on it
    std::condition_variable waitCv_;
};

}  // namespace b2c

// The handle: one share of the loop.
struct _B2CEvent {
    std::shared_ptr<b2c::EventImpl> impl;
};
