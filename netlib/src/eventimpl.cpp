#include "eventimpl.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>

#include <future>
#include <memory>

#include <sys/syscall.h>
#include <unistd.h>

// Sockets need no process-wide start-up on Linux (the Windows build took a
// share of the Winsock start-up count with every event object); Boost.Asio
// does all that is needed.

namespace b2c {

EventImpl::~EventImpl()
{
    if (!io_.stopped())
        io_.stop();
    if (thread_.joinable()) {
        // The last share may go on the loop thread itself, after its run returned.
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

void EventImpl::joinThread()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

// Loop thread.
void EventImpl::runLoop()
{
    auto work = boost::asio::make_work_guard(io_);
    for (;;) {
        try {
            io_.run();
            return;
        } catch (...) {
            // Handlers report their own failures; one that escaped anyway must
            // not end the process or the loop.
        }
    }
}

int EventImpl::run(bool threaded)
{
    if (released_ || inLoopThread())
        return 0;
    std::unique_lock<std::mutex> lock(mutex_);
    if (threadRunning_ || callerRunning_)
        return 0;
    threaded_ = threaded;
    if (!threaded) {
        callerRunning_ = true;
        lock.unlock();
        runLoop();
        runEnded(callerRunning_);
        return 1;
    }
    joinThread();
    // Cleared here rather than on the new thread, so that a stop issued right
    // after this call returns is not lost.
    io_.restart();
    threadRunning_ = true;
    std::promise<int> started;
    std::future<int> tid = started.get_future();
    auto self = shared_from_this();  // the thread keeps the loop alive until its run returns
    try {
        thread_ = std::thread([self, &started] {
            started.set_value(static_cast<int>(::syscall(SYS_gettid)));
            self->runLoop();
            self->runEnded(self->threadRunning_);
        });
    } catch (...) {
        threadRunning_ = false;  // no thread: a later run may try again
        throw;
    }
    return tid.get();
}

void EventImpl::stop()
{
    if (!io_.stopped())
        io_.stop();
    // On the loop thread there is nothing to join, and the mutex may be held
    // by another thread's stop() that is joining this very thread.
    if (inLoopThread())
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (threaded_)
        joinThread();
}

bool EventImpl::runInLoop(std::function<void()> fn)
{
    if (inLoopThread()) {
        fn();
        return true;
    }
    return post(std::move(fn));
}

bool EventImpl::post(std::function<void()> fn)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (released_)
        return false;
    boost::asio::post(io_, std::move(fn));
    return true;
}

void EventImpl::runEnded(std::atomic<bool>& runningFlag)
{
    bool drop = false;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        runningFlag = false;
        drop = released_ && !dropped_;
        if (drop)
            dropped_ = true;
    }
    wakeWaiters();
    if (drop)
        io_.shutdown();
}

void EventImpl::dropQueuedWork()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (dropped_ || running())
            return;  // a run still ending drops it itself
        dropped_ = true;
    }
    io_.shutdown();
}

bool EventImpl::runInLoopAndWait(std::function<void()> fn, bool handOver)
{
    if (inLoopThread() || !running()) {
        fn();
        return true;
    }
    struct Call {
        std::function<void()> fn;
        std::atomic<bool> taken{false};
        bool done = false;  // guarded by waitMutex_
    };
    auto call = std::make_shared<Call>();
    call->fn = std::move(fn);
    // Runs on the loop, or here when the loop stopped first; once either way.
    auto runCall = [this, call] {
        if (call->taken.exchange(true))
            return;
        call->fn();
        call->fn = nullptr;  // what fn holds goes before the waiting caller returns
        std::lock_guard<std::mutex> lock(waitMutex_);
        call->done = true;
        waitCv_.notify_all();
    };
    if (!post(runCall)) {
        runCall();  // released: the loop is stopping and takes no more work
        return true;
    }
    std::unique_lock<std::mutex> lock(waitMutex_);
    ++waiters_;
    bool watching = false;  // a callback under way is being timed
    uint64_t watched = 0;   // which one, by its entry count
    std::chrono::steady_clock::time_point handOverAt;
    while (!call->done) {
        if (!call->taken) {
            if (!running()) {
                // The loop stopped before it got there: run it here instead.
                lock.unlock();
                runCall();
                lock.lock();
                continue;
            }
            if (handOver && callbackDepth_ > 0) {
                // A user callback that stays under way may be waiting on this
                // thread, and waiting for it could deadlock: past the grace
                // the loop finishes fn on its own.
                const uint64_t entry = callbackEntries_;
                const auto now = std::chrono::steady_clock::now();
                if (!watching || entry != watched) {
                    watching = true;
                    watched = entry;
                    handOverAt = now + kHandOverGrace;
                } else if (now >= handOverAt) {
                    break;
                }
                waitCv_.wait_until(lock, handOverAt);
                continue;
            }
            watching = false;
        }
        waitCv_.wait(lock);  // woken when fn ran, a callback starts, or the loop ends
    }
    --waiters_;
    return call->done;
}

void EventImpl::wakeWaiters()
{
    if (waiters_ == 0)
        return;
    std::lock_guard<std::mutex> lock(waitMutex_);
    waitCv_.notify_all();
}

// Loop thread.
EventImpl::CallbackScope::CallbackScope(EventImpl& event) : event_(event)
{
    ++event_.callbackEntries_;
    ++event_.callbackDepth_;
    event_.wakeWaiters();
}

// Loop thread.
EventImpl::CallbackScope::~CallbackScope()
{
    --event_.callbackDepth_;
}

bool EventImpl::inLoopThread() const
{
    return io_.get_executor().running_in_this_thread();
}

void EventImpl::release()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        released_ = true;
    }
    io_.stop();
    if (inLoopThread())
        return;  // the loop drops the queued work once its run returns
    {
        std::lock_guard<std::mutex> lock(mutex_);
        joinThread();
    }
    dropQueuedWork();
}

}  // namespace b2c
