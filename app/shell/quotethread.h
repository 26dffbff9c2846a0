// The quote-engine thread: the configuration handed to the market-data
// library, the result callback, and the start/stop pair the entry function
// uses.
#pragma once

#include <QVariant>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "quote.h"

// The server entry of the engine configuration, filled from the first element
// of the server-address value "url.quote": {url, name, type, receiver_url},
// "" for every missing text. The texts stay put while the engine runs.
struct QuoteServerEntry {
    explicit QuoteServerEntry(const QVariant& urlQuote);
    QuoteServerEntry(const QuoteServerEntry&) = delete;
    QuoteServerEntry& operator=(const QuoteServerEntry&) = delete;

    // The library's own configuration record: user value 0, flags 0.
    quote_engine_config config() const;

    std::string url, name, type, receiver;
    std::array<const char*, 4> texts;
};

// Engine thread. Hands every reply to QuoteProxy::instance()->onUpdate.
void quoteEngineCallback(intptr_t user, const QuoteReply* reply);

// Engine thread. Reads "url.quote", runs the engine until
// quote_engine_shutdown(), then frees its texts.
void quoteThreadMain();

// Owns the quote-engine thread. GUI thread.
class QuoteEngineThread {
public:
    QuoteEngineThread() = default;
    ~QuoteEngineThread();
    QuoteEngineThread(const QuoteEngineThread&) = delete;
    QuoteEngineThread& operator=(const QuoteEngineThread&) = delete;

    // Starts quoteThreadMain on a new thread (std::system_error when the
    // thread cannot be created).
    void start();
    bool started() const { return thread_.joinable(); }

    // Shutdown: removes every bridge connection, stops the engine, and joins
    // the thread while serving deliveries that were already waiting on the
    // GUI thread, so it cannot hang. Does nothing when never started.
    void stop();

private:
    std::thread thread_;
    std::mutex mutex_;  // guards finished_
    std::condition_variable finishedCv_;
    bool finished_ = false;
};
