#include "scheduler.h"

Scheduler::Scheduler() : thread_([this] { run(); }) {}

Scheduler::~Scheduler()
{
    stop();
}

void Scheduler::post_after(int delay_ms, std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return;
        const auto due = Clock::now() + std::chrono::milliseconds(delay_ms < 0 ? 0 : delay_ms);
        tasks_.emplace(std::make_pair(due, seq_++), std::move(task));
    }
    cv_.notify_one();
}

void Scheduler::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    cv_.notify_one();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.clear();
}

// Scheduler thread.
void Scheduler::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            cv_.wait(lock);
            continue;
        }
        const auto due = tasks_.begin()->first.first;
        if (Clock::now() < due) {
            cv_.wait_until(lock, due);
            continue;
        }
        std::function<void()> task = std::move(tasks_.begin()->second);
        tasks_.erase(tasks_.begin());
        lock.unlock();
        task();
        lock.lock();
    }
}
