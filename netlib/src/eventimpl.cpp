#include "eventimpl.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>

#include <future>

#include <sys/syscall.h>
#include <unistd.h>

// Sockets need no process-wide start-up on Linux (the Windows build took a
// share of the Winsock start-up count with every event object); Boost.Asio
// does all that is needed.

namespace b2c {

EventImpl::~EventImpl() {
    if (!io_.stopped()) io_.stop();
    if (thread_.joinable()) {
        // The last share may go on the loop thread itself, after its run returned.
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

void EventImpl::joinThread() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

// Loop thread.
void EventImpl::runLoop() {
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

int EventImpl::run(bool threaded) {
    if (released_ || inLoopThread()) return 0;
    std::unique_lock<std::mutex> lock(mutex_);
    if (threadRunning_ || callerRunning_) return 0;
    threaded_ = threaded;
    if (!threaded) {
        callerRunning_ = true;
        lock.unlock();
        runLoop();
        if (released_) io_.shutdown();
        callerRunning_ = false;
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
    thread_ = std::thread([self, &started] {
        started.set_value(static_cast<int>(::syscall(SYS_gettid)));
        self->runLoop();
        if (self->released_) self->io_.shutdown();
        self->threadRunning_ = false;
    });
    return tid.get();
}

void EventImpl::stop() {
    if (!io_.stopped()) io_.stop();
    std::lock_guard<std::mutex> lock(mutex_);
    if (threaded_) joinThread();
}

void EventImpl::runInLoop(std::function<void()> fn) {
    boost::asio::dispatch(io_, std::move(fn));
}

bool EventImpl::inLoopThread() const {
    return io_.get_executor().running_in_this_thread();
}

void EventImpl::release() {
    released_ = true;
    io_.stop();
    if (inLoopThread()) return;  // the loop drops the queued handlers once its run returns
    {
        std::lock_guard<std::mutex> lock(mutex_);
        joinThread();
    }
    if (!running()) io_.shutdown();
}

}  // namespace b2c
