// EngineRecorder: runs quote_engine_run on a thread of its own against a given
// server URL and records every reply the result callback receives (copied,
// since replies live only for the callback), so tests can wait on them.
#ifndef PELMAR_TESTS_ENGINERECORDER_H
#define PELMAR_TESTS_ENGINERECORDER_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "quote.h"

struct RecordedReply {
    uint16_t header_word = 0;
    uint16_t kind = 0;
    quote_ctx* ctx = nullptr;
    int32_t count = 0;
    int32_t state = -1;                     // kind 1
    const char* const* server = nullptr;    // kind 1
    int32_t error_code = 0;                 // kind 0
    std::string error_text;                 // kind 0
    std::vector<QuoteMarketState> markets;  // kind 12
    std::vector<uint8_t> bytes;             // probe replies
    std::thread::id thread;
};

class EngineRecorder {
public:
    static constexpr uint16_t kProbeKind = 200;

    explicit EngineRecorder(std::string url, int flags = QUOTE_FLAG_NO_CODE_TABLE)
        : url_(std::move(url)), entry_{url_.c_str(), "local", "quote", ""}
    {
        config_.user_value = reinterpret_cast<intptr_t>(this);
        config_.reserved = nullptr;
        config_.server = entry_;
        config_.flags = flags;
    }

    ~EngineRecorder()
    {
        if (thread_.joinable()) {
            quote_engine_shutdown();
            thread_.join();
        }
    }

    const quote_engine_config* config() const { return &config_; }
    const char* const* server_entry() const { return entry_; }

    void start()
    {
        thread_ = std::thread([this] {
            engine_thread_ = std::this_thread::get_id();
            result_.store(quote_engine_run(&config_, &EngineRecorder::callback));
            returned_.store(true);
            cv_.notify_all();
        });
    }
    // Joins the engine thread; true when quote_engine_run returned.
    bool join()
    {
        if (thread_.joinable())
            thread_.join();
        return returned_.load();
    }
    int result() const { return result_.load(); }
    bool returned() const { return returned_.load(); }
    std::thread::id engine_thread() const { return engine_thread_; }

    static void callback(intptr_t user, const QuoteReply* reply)
    {
        EngineRecorder* self = reinterpret_cast<EngineRecorder*>(user);
        RecordedReply r;
        r.header_word = reply->header_word;
        r.kind = reply->kind;
        r.ctx = reply->ctx;
        r.count = reply->count;
        r.thread = std::this_thread::get_id();
        if (reply->kind == QUOTE_REPLY_SERVER && reply->data) {
            const QuoteServerState* s = static_cast<const QuoteServerState*>(reply->data);
            r.state = s->state;
            r.server = s->server;
        } else if (reply->kind == QUOTE_REPLY_ERROR && reply->data) {
            const QuoteErrorInfo* e = static_cast<const QuoteErrorInfo*>(reply->data);
            r.error_code = e->code;
            r.error_text = e->text ? e->text : "<null>";
        } else if (reply->kind == QUOTE_REPLY_MARKET_STATE && reply->data) {
            const QuoteMarketState* m = static_cast<const QuoteMarketState*>(reply->data);
            r.markets.assign(m, m + reply->count);
        } else if (reply->kind == kProbeKind && reply->data) {
            const uint8_t* b = static_cast<const uint8_t*>(reply->data);
            r.bytes.assign(b, b + reply->count);
        }
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->replies_.push_back(std::move(r));
        }
        self->cv_.notify_all();
        if (self->on_reply_)
            self->on_reply_(*reply);
    }

    // Called on the engine thread after recording (set before start).
    void set_on_reply(std::function<void(const QuoteReply&)> fn) { on_reply_ = std::move(fn); }

    // Waits (10 s at most) for a recorded reply at or after index `from` that
    // satisfies pred; returns its index or -1.
    int wait_for(const std::function<bool(const RecordedReply&)>& pred, size_t from = 0,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(10000))
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            for (size_t i = from; i < replies_.size(); ++i)
                if (pred(replies_[i]))
                    return static_cast<int>(i);
            if (cv_.wait_until(lock, deadline) == std::cv_status::timeout)
                return -1;
        }
    }
    // Waits (30 s at most) until n recorded replies satisfy pred.
    bool wait_count(const std::function<bool(const RecordedReply&)>& pred, size_t n)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(30), [&] {
            size_t count = 0;
            for (const RecordedReply& r : replies_)
                count += pred(r) ? 1 : 0;
            return count >= n;
        });
    }

    int wait_state(int32_t state, size_t from = 0, std::chrono::milliseconds timeout = std::chrono::milliseconds(10000))
    {
        return wait_for([state](const RecordedReply& r) { return r.kind == QUOTE_REPLY_SERVER && r.state == state; },
                        from, timeout);
    }
    bool wait_returned(std::chrono::milliseconds timeout = std::chrono::milliseconds(10000))
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return returned_.load(); });
    }

    std::vector<RecordedReply> replies()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return replies_;
    }
    size_t size()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return replies_.size();
    }

private:
    std::string url_;
    const char* entry_[4];
    quote_engine_config config_{};
    std::thread thread_;
    std::thread::id engine_thread_;
    std::atomic<int> result_{-1};
    std::atomic<bool> returned_{false};
    std::function<void(const QuoteReply&)> on_reply_;
    std::mutex mutex_;  // guards replies_
    std::condition_variable cv_;
    std::vector<RecordedReply> replies_;
};

#endif
