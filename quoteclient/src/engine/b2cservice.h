// B2CService: the engine. One process-wide instance owns the network event
// loop, the quote session, the map of requests waiting for answers, the task
// queue that the engine thread (the caller of quote_engine_run) works off,
// the engine's own contexts and the process-wide tables.
//
// Threads: requests are sent from whatever thread asks (send, cancel);
// answers are matched on Brastel's loop thread and queued (post); replies are
// parsed and handed to the result callback on the engine thread.
// Locks: pending_mutex_ guards only the pending maps and the logged-in flag,
// and is held while a request or cancel is handed to the connection, so a
// drop and new login cannot fall between deciding to send and sending;
// queue_mutex_ guards only the task list. The two are never held together and
// no lock is held while a client, a reply or the result callback runs.
#ifndef PELMAR_B2CSERVICE_H
#define PELMAR_B2CSERVICE_H

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "b2c.h"
#include "basicquotereply.h"
#include "contextbase.h"
#include "ib2cclient.h"
#include "quote.h"
#include "serverstate.h"
#include "simpleclient.h"
#include "symboltable.h"

class B2CService {
public:
    // The settings quote_engine_run takes from the server URL.
    struct Settings {
        std::string host;
        uint16_t port = 0;
        int32_t auto_delay = 1000;
        std::string key;
    };

    static constexpr int32_t kDefaultAutoDelay = 1000;
    static constexpr const char* kDefaultKey = "varnoquel";
    static constexpr uint8_t kCommandServerState = 0x03;
    static constexpr uint8_t kCommandCodeTable = 0x05;
    static constexpr uint8_t kCommandError = 0x10;
    static constexpr uint8_t kCommandCancel = 0x11;

    B2CService();
    ~B2CService();

    B2CService(const B2CService&) = delete;
    B2CService& operator=(const B2CService&) = delete;

    // The library's engine, built on first use.
    static B2CService& instance();

    // A raw message body that holds a compressed quote message: the body kind
    // byte 0x02 (or 0x33) and gzip data with the 8-byte header and the body.
    // Consumes the kind byte; returns the inflated stream (the caller releases
    // it) with *header decoded from it and header->payload pointing at it, or
    // null for anything else or a failure.
    static _B2CStream* unpack_compressed(_B2CStream* raw, _B2CQuoteMsg* header);

    // Parses the server URL; false (with a reason) for a URL, port or
    // auto_delay that cannot be used. A negative auto_delay means the default.
    static bool parse_settings(const char* url, Settings* out, std::string* error);

    // quote_engine_run: blocks until shutdown and returns 1; 0 at once when
    // already running or stopped, or when the configuration is refused.
    int run(const quote_engine_config* config, quote_engine_callback callback);
    // quote_engine_shutdown: any thread, any number of times.
    void shutdown();
    bool stopped() const { return stop_.load(); }

    // Any thread: assigns a request id, lets the client build its request,
    // records it as pending and sends it when the session is logged in (else
    // it goes out after the next login). Returns the id, 0 when nothing was sent.
    uint16_t send(const std::shared_ptr<IB2CClient>& client, bool subscribe);
    // Any thread: forgets a pending request and, when the session is logged
    // in, tells the server (command 0x11).
    void cancel(uint16_t request_id);
    // Any thread: forgets every request of the client, whatever id a re-send
    // gave it meanwhile, and tells the server about those it had been sent.
    // With none pending, cancels the client's last id as cancel() does,
    // unless that id now belongs to another pending request.
    void cancel_client(const std::shared_ptr<IB2CClient>& client);
    // Any thread: queues a reply for delivery on the engine thread.
    void post(std::shared_ptr<BasicQuoteReply> reply);
    // Any thread: queues a task for the engine thread.
    void post_task(std::function<void()> task);
    // Any thread: closes the session's connection (it reconnects after its delay).
    void close_connection();
    // Engine thread, after a code-table download: starts the outside
    // real-time receiver, whose packets come back as replies of the service
    // context.
    void start_receiver();

    SymbolTable& symbols() { return symbols_; }
    ServerState& server_state() { return server_state_; }
    uint32_t flags() const { return flags_.load(); }
    const char* const* server_entry() const { return server_.load(); }
    const std::shared_ptr<ContextBase>& code_table_context() const { return code_table_context_; }
    const std::shared_ptr<ContextBase>& server_state_context() const { return server_state_context_; }
    const std::shared_ptr<ContextBase>& service_context() const { return service_context_; }
    const std::shared_ptr<b2c::SimpleClient>& session() const { return session_; }

    // Inspection and hooks for tests.
    bool is_pending(uint16_t request_id) const;
    size_t pending_count() const;
    uint16_t server_state_request_id() const { return server_state_request_id_.load(); }
    void set_request_counter(uint16_t value) { request_counter_.store(value); }

private:
    struct PendingRequest {
        std::weak_ptr<IB2CClient> client;
        bool subscribe = false;
        bool sent = false;  // handed to the connection of the current session
    };

    uint16_t next_request_id();
    // Caller holds pending_mutex_: notes an id whose cancel this session has
    // sent, tells whether it is noted, and takes the note back when the id
    // goes to a new request.
    void remember_cancel_locked(uint16_t request_id);
    bool cancel_sent_locked(uint16_t request_id) const;
    void forget_cancel_locked(uint16_t request_id);
    // Builds the request reserved under id in pending_ and sends it, unless a
    // cancel or a login took the id away meanwhile. Returns id, 0 on failure.
    uint16_t transmit(const std::shared_ptr<IB2CClient>& client, uint16_t id);
    void send_cancel(uint16_t request_id);
    void deliver(const std::shared_ptr<BasicQuoteReply>& reply);
    void deliver_state_now(const quote_engine_config* config, quote_engine_callback callback, bool open);
    void wait_loop_idle();

    // Loop thread.
    void on_message(const _B2CMessage* msg);
    void on_state();
    static int loop_marker(intptr_t user);

    std::atomic<uint16_t> request_counter_{0};
    std::atomic<uint16_t> server_state_request_id_{0};

    mutable std::mutex pending_mutex_;  // guards pending_, resend_, logged_in_ and the recent cancels
    std::map<uint16_t, PendingRequest> pending_;
    // Entries moved out of pending_ by a login and not yet re-sent; a cancel
    // meanwhile removes its entry here, so it is not re-sent.
    std::map<uint16_t, PendingRequest> resend_;
    bool logged_in_ = false;
    // The ids this session cancelled lately: pushes for one of them that were
    // already on their way need no second cancel. A short ring, so an id whose
    // pushes never stop is cancelled again once newer cancels push it out;
    // 0 marks an empty slot.
    std::array<uint16_t, 16> recent_cancels_{};
    std::size_t recent_cancel_next_ = 0;

    _B2CEvent* event_;
    std::shared_ptr<b2c::SimpleClient> session_;

    std::shared_ptr<ContextBase> code_table_context_;
    std::shared_ptr<ContextBase> server_state_context_;
    std::shared_ptr<ContextBase> service_context_;
    std::shared_ptr<IB2CClient> code_table_client_;
    std::shared_ptr<IB2CClient> server_state_client_;

    std::mutex queue_mutex_;  // guards queue_
    std::condition_variable queue_cv_;
    std::deque<std::function<void()>> queue_;

    std::mutex lifecycle_mutex_;  // serialises run's start-up against shutdown
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> loop_started_{false};

    std::mutex marker_mutex_;  // guards marker_seen_
    std::condition_variable marker_cv_;
    bool marker_seen_ = false;

    std::atomic<const char* const*> server_{nullptr};
    std::atomic<uint32_t> flags_{0};
    intptr_t user_value_ = 0;
    quote_engine_callback callback_ = nullptr;

    ServerState server_state_;
    SymbolTable symbols_;
};

// The command client of the engine's code-table request (command 0x05) for
// its built-in context; supplied by the code-table module. Null while there
// is none: the engine then skips the request.
std::shared_ptr<IB2CClient> make_code_table_client(ContextBase& context);

#endif
