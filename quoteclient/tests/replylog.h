// What the end-to-end scenarios keep of the replies (replies live only for
// the callback): a log of one record per reply, filled on the engine thread
// and waited on by the test, and the server's market ranked as a list reply
// ranks it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "quote.h"
#include "syntheticmarket.h"

// Records of type T, each with the ctx and kind of its reply.
template <typename T>
class ReplyLog {
public:
    // Engine thread.
    void add(T record)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            records_.push_back(std::move(record));
        }
        cv_.notify_all();
    }

    // Waits for the n-th (from 1) reply of ctx with the kind; copies it to out.
    bool wait(quote_ctx* ctx, uint16_t kind, size_t n, T* out)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [&] {
            size_t seen = 0;
            for (const T& r : records_) {
                if (r.ctx == ctx && r.kind == kind && ++seen == n) {
                    if (out)
                        *out = r;
                    return true;
                }
            }
            return false;
        });
    }

    // The replies of ctx so far.
    size_t count_of(quote_ctx* ctx)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t n = 0;
        for (const T& r : records_)
            n += r.ctx == ctx ? 1 : 0;
        return n;
    }

private:
    std::mutex mutex_;  // guards records_
    std::condition_variable cv_;
    std::vector<T> records_;
};

// Keys "code/market" of a list of the server's market sorted by volume,
// ascending, as the server ranks them.
inline std::vector<std::string> by_volume(std::vector<const SyntheticCode*> list)
{
    SyntheticMarket::instance().sort(list, QUOTE_FIELD_VOLUME, QUOTE_SORT_ASCENDING);
    std::vector<std::string> keys;
    for (const SyntheticCode* c : list)
        keys.push_back(c->code + "/" + std::to_string(c->market));
    return keys;
}
