// The event loop behind a _B2CEvent handle: one io_context and, when run
// threaded, the thread that runs it. Every socket, timer and callback of the
// connections and servers made on it runs on that one thread.
#pragma once

#include <boost/asio/io_context.hpp>

#include <atomic>
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

    // Runs fn at once when called on the loop thread, else queues it (any thread).
    void runInLoop(std::function<void()> fn);

    // True on the thread that currently runs the loop.
    bool inLoopThread() const;
    // True while some thread runs the loop.
    bool running() const { return threadRunning_ || callerRunning_; }

    // Called when the handle goes: stops the loop, joins its thread (unless on
    // it) and destroys every queued handler unrun, so that connections kept
    // only by queued work are freed (any thread).
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
    // Joins a held loop thread unless it is the calling one; mutex_ held.
    void joinThread();

    mutable Context io_;  // mutable: asking for the executor is not const in Boost.Asio
    std::mutex mutex_;    // guards thread_ and threaded_
    std::thread thread_;  // the loop thread of the last threaded run
    bool threaded_ = false;
    std::atomic<bool> threadRunning_{false};
    std::atomic<bool> callerRunning_{false};
    std::atomic<bool> released_{false};
};

}  // namespace b2c

// The handle: one share of the loop.
struct _B2CEvent {
    std::shared_ptr<b2c::EventImpl> impl;
};
