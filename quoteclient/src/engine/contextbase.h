// ContextBase: what the engine and the command framework need of a request
// context: its engine and the caller's handle cell. The request context of the
// exported quote_ctx_* functions derives from it; the engine's own built-in
// contexts (code table, server state, service) are plain ContextBase objects
// with no handle.
//
// A context is always held by a shared owner; clients and replies refer to it
// weakly, so the replies of a released context are dropped. A delivery holds
// it strongly while the result callback runs, which keeps its handle valid.
#ifndef PELMAR_CONTEXTBASE_H
#define PELMAR_CONTEXTBASE_H

#include <atomic>
#include <memory>
#include <mutex>

#include "quote.h"

class B2CService;

class ContextBase : public std::enable_shared_from_this<ContextBase> {
public:
    explicit ContextBase(B2CService* engine) : engine_(engine) {}
    virtual ~ContextBase() = default;

    ContextBase(const ContextBase&) = delete;
    ContextBase& operator=(const ContextBase&) = delete;

    B2CService* engine() const { return engine_; }

    // The caller's handle cell, written into QuoteReply.ctx; null for the
    // engine's own contexts.
    quote_ctx* handle() const { return handle_.load(std::memory_order_acquire); }
    void set_handle(quote_ctx* handle) { handle_.store(handle, std::memory_order_release); }

    // Set once the caller has released the handle, under release_mutex(): a
    // delivery checks it under the same lock right before the callback, so a
    // reply parsed while the release happened is dropped.
    bool released() const { return released_.load(std::memory_order_acquire); }
    void set_released()
    {
        std::lock_guard<std::mutex> lock(release_mutex_);
        released_.store(true, std::memory_order_release);
    }
    std::mutex& release_mutex() const { return release_mutex_; }

private:
    B2CService* engine_;
    std::atomic<quote_ctx*> handle_{nullptr};
    std::atomic<bool> released_{false};
    mutable std::mutex release_mutex_;  // guards the step from released_ to the callback
};

#endif
