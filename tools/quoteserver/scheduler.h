// Scheduler: runs tasks on its own thread, each at or after its due time, in
// due order (equal times in the order they were added). The server's command
// handlers all run here, so they never run two at a time.
#ifndef QUOTESERVER_SCHEDULER_H
#define QUOTESERVER_SCHEDULER_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

class Scheduler {
public:
    using Clock = std::chrono::steady_clock;

    Scheduler();
    ~Scheduler();

    void post(std::function<void()> task) { post_after(0, std::move(task)); }
    void post_after(int delay_ms, std::function<void()> task);
    // Stops the thread; tasks not yet run are dropped.
    void stop();

private:
    void run();

    std::mutex mutex_;  // guards tasks_, seq_, stopping_
    std::condition_variable cv_;
    std::multimap<std::pair<Clock::time_point, uint64_t>, std::function<void()>> tasks_;
    uint64_t seq_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

#endif
