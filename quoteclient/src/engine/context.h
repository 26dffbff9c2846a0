// Context: one market-data request as the caller describes it (type, period,
// codes, blocks, categories, fields, page, sort, time, option bits, one word of
// user data). Request, subscribe and update pick a command client for the
// current settings (the client factory) and issue it through the engine; the
// replies reach the result callback with the context's handle.
//
// The settings are written on the caller's thread and read by request bodies
// (caller's thread, loop thread on re-sends) and by reply parses (engine
// thread); one mutex guards them. The total is written by list replies on the
// engine thread and read by paging on the caller's thread (atomic).
#ifndef PELMAR_CONTEXT_H
#define PELMAR_CONTEXT_H

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contextbase.h"
#include "quote.h"

class B2CService;
class BasicContextClient;
class Context;

// The handle of the C interface: a heap cell holding the caller's share of a
// Context. The cell belongs to its Context and goes with it, so a delivery
// that still holds the Context after quote_ctx_release (on another thread)
// hands the callback a handle that is valid and whose getters answer.
struct quote_ctx {
    std::shared_ptr<Context> context;  // the caller's share; dropped by release
    std::weak_ptr<Context> live;       // what the exported functions lock

    // The Context while anything holds it, else null.
    std::shared_ptr<Context> lock() const { return live.lock(); }
};

// A code entry of a context's code list: 16 bytes of code text (terminated
// when shorter) and the market byte at byte 16.
struct CodeEntry {
    std::array<char, 17> bytes{};

    uint8_t market() const { return static_cast<uint8_t>(bytes[16]); }
    // The code text, at most 16 bytes (no terminator is guaranteed).
    std::string code() const;
    // The six code bytes that requests carry (zero-padded).
    void code6(char out[6]) const;
    static CodeEntry from(const char* code, uint8_t market);
};

// Option bits read by the command clients (named in quote.h).
enum ContextOption : int {
    // K-lines: dividend adjustment, tested in this order.
    kOptionNoAdjust = QUOTE_OPTION_KLINE_NO_ADJUST,
    kOptionForward = QUOTE_OPTION_KLINE_FORWARD,
    kOptionBackward = QUOTE_OPTION_KLINE_BACKWARD,
    // Real-time lists.
    kOptionIndexList = QUOTE_OPTION_LIST_INDEXES,
    kOptionLocalSort = QUOTE_OPTION_LIST_SORT,
    kOptionWindow = QUOTE_OPTION_LIST_WINDOW,
};

struct ContextPage {
    int16_t first = 0;
    int16_t count = 0;
};

struct ContextSort {
    uint16_t field = 0;
    uint8_t direction = 2;
};

// Everything the caller sets, copied out in one piece for request bodies.
struct ContextSettings {
    uint8_t period = 0;
    uint8_t direction = 0;
    int32_t type = 0;
    int32_t option = 0;
    int64_t time_start = 0;
    int64_t time_end = 0;
    ContextPage page;
    ContextSort sort;
    std::vector<uint16_t> market_fields;
    std::vector<int64_t> blocks;
    std::vector<uint16_t> categories;
    std::vector<CodeEntry> codes;
};

class Context : public ContextBase {
public:
    // A context bound to `engine`, with a null handle until the export layer
    // gives it its cell. Always held by a shared owner.
    explicit Context(B2CService* engine, int type = 0);
    ~Context() override;

    // A new context bound to `engine` and its handle cell, which holds the
    // caller's share until release_handle.
    static quote_ctx* new_handle(B2CService* engine);
    // quote_ctx_release (caller's thread): marks the context released,
    // cancels its request and drops the caller's share. The cell stays valid
    // until the last other share (a delivery under way) goes; the caller must
    // not use the handle afterwards.
    static void release_handle(quote_ctx* cell);

    std::shared_ptr<Context> self() { return std::static_pointer_cast<Context>(shared_from_this()); }

    // Settings (any thread).
    ContextSettings settings() const;
    void set_settings(const ContextSettings& s);
    void set_type(int type);
    void set_period(uint8_t period);
    void set_direction(uint8_t direction);
    void set_option(int bits);
    void set_time(int64_t start, int64_t end);
    void set_page(int16_t first, int16_t count);
    void set_sort(uint16_t field, uint8_t direction);
    void set_market_fields(const uint16_t* ids, int n);
    void set_category(uint16_t category);
    void set_block(int64_t block_id);
    void set_codes(std::vector<CodeEntry> codes);
    void set_user_data(intptr_t v) { user_data_.store(v); }
    intptr_t user_data() const { return user_data_.load(); }

    int type() const;
    uint8_t period() const;
    int option() const;
    ContextPage page() const;
    ContextSort sort() const;
    int64_t time_start() const;
    // The first code entry; false when the list is empty.
    bool first_code(CodeEntry* out) const;
    std::vector<CodeEntry> codes() const;

    // The row total of the whole list as the last list reply reported it.
    int32_t total() const { return total_.load(); }
    void set_total(int32_t total) { total_.store(total); }

    // Text of the last dump, kept for the caller.
    std::string& dump_text() { return dump_text_; }

    // Issuing (caller's thread). Each request, subscribe and update first
    // cancels the context's previous request. Results: 1 when the client
    // offered a query that the engine took (or a refresh, for update), else 0.
    int request();
    int subscribe();
    int cancel();
    int update();
    bool page_down();
    bool page_up();
    bool load_more(int count);
    bool subscribed() const { return subscribed_.load(); }

    // The current context client (never null).
    std::shared_ptr<BasicContextClient> client() const;

private:
    int issue(bool subscribe);
    bool page(bool forward);
    std::shared_ptr<BasicContextClient> swap_client(std::shared_ptr<BasicContextClient> next);

    mutable std::mutex settings_mutex_;  // guards settings_ and client_
    ContextSettings settings_;
    std::shared_ptr<BasicContextClient> client_;

    std::atomic<int32_t> total_{0};
    std::atomic<intptr_t> user_data_{0};
    std::atomic<bool> subscribed_{false};
    std::unique_ptr<quote_ctx> cell_;  // the caller's handle, freed with the context
    std::mutex issue_mutex_;           // serialises request/subscribe/update/paging of this context
    std::string dump_text_;
};

// The request context behind a ContextBase, or null for the engine's plain
// built-in contexts.
inline Context* context_of(ContextBase& base)
{
    return dynamic_cast<Context*>(&base);
}
inline std::shared_ptr<Context> context_of(const std::shared_ptr<ContextBase>& base)
{
    return std::dynamic_pointer_cast<Context>(base);
}

#endif
