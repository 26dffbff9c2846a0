// The outside real-time receiver: loading by its Windows name, starting only
// with all four entry points and a host, packets copied on the receiver's
// thread (bad ones ignored), record fields written into the symbols' rows on
// the engine thread and delivered as kind 11; and nothing at all when the
// library is missing. A fake receiver (libStock.so, built beside the tests)
// pushes the records from a thread of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <future>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "b2cclient0x05reply.h"
#include "b2cservice.h"
#include "fullpushreply.h"
#include "ownprocess.h"
#include "platform/receiverlibrary.h"
#include "quote.h"
#include "serverprocess.h"
#include "realtimereceiver.h"
#include "replyharness.h"
#include "symboltable.h"

using platform::RealtimeReport;

namespace {

// The test controls of the fake receiver library.
struct FakeStock {
    platform::LibraryHandle handle = nullptr;
    void (*push)(const RealtimeReport*, int) = nullptr;
    void (*push_raw)(int32_t, const RealtimeReport*) = nullptr;
    void (*push_null_packet)() = nullptr;
    int (*wait_delivered)(int) = nullptr;
    void (*calls_into)(char*, int) = nullptr;
    void (*reset_calls)() = nullptr;

    explicit FakeStock(const char* name = "Stock.dll") : handle(platform::load_library(name))
    {
        push = reinterpret_cast<decltype(push)>(platform::library_symbol(handle, "fake_stock_push"));
        push_raw = reinterpret_cast<decltype(push_raw)>(platform::library_symbol(handle, "fake_stock_push_raw"));
        push_null_packet = reinterpret_cast<decltype(push_null_packet)>(
            platform::library_symbol(handle, "fake_stock_push_null_packet"));
        wait_delivered =
            reinterpret_cast<decltype(wait_delivered)>(platform::library_symbol(handle, "fake_stock_wait_delivered"));
        calls_into = reinterpret_cast<decltype(calls_into)>(platform::library_symbol(handle, "fake_stock_calls"));
        reset_calls =
            reinterpret_cast<decltype(reset_calls)>(platform::library_symbol(handle, "fake_stock_reset_calls"));
    }
    ~FakeStock() { platform::free_library(handle); }

    bool ready() const { return push && push_raw && push_null_packet && wait_delivered && calls_into && reset_calls; }
    std::string calls() const
    {
        char buf[4096];
        calls_into(buf, sizeof buf);
        return buf;
    }
};

RealtimeReport report(const char* code, const char* market, float pre_close, float close, float volume)
{
    RealtimeReport r;
    std::memset(&r, 0, sizeof r);
    std::strncpy(r.code, code, sizeof r.code);
    std::memcpy(&r.market, market, 2);  // two letters, as the receiver stores them
    r.pre_close = pre_close;
    r.close = close;
    r.volume = volume;
    return r;
}

// Collects what the holder's handler receives.
struct Collector {
    std::mutex mutex;  // guards packets and threads
    std::condition_variable cv;
    std::vector<std::vector<RealtimeReport>> packets;
    std::vector<std::thread::id> threads;

    RealtimeReceiver::Handler handler()
    {
        return [this](RealtimeReceiver::Records&& records) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                packets.push_back(std::move(records));
                threads.push_back(std::this_thread::get_id());
            }
            cv.notify_all();
        };
    }
    bool wait_packets(size_t n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return packets.size() >= n; });
    }
    size_t size()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return packets.size();
    }
};

bool same_bytes(const RealtimeReport& a, const RealtimeReport& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

QuoteCodeInfo code_info(const char* code, uint8_t market, const char* name = "")
{
    QuoteCodeInfo info{};
    std::strncpy(info.code, code, sizeof info.code);
    std::strncpy(info.name, name, sizeof info.name);
    info.market = market;
    return info;
}

}  // namespace

// ---- Loading ----

TEST(ReceiverLibrary, LoadsTheReceiverByItsWindowsNameWithAllFourEntryPoints)
{
    RUN_IN_OWN_PROCESS();
    platform::ReceiverLibrary lib;
    EXPECT_TRUE(lib.loaded()) << "libStock.so beside the test program: " << lib.error();
    EXPECT_TRUE(lib.usable()) << "all four entry points resolve";
}

TEST(ReceiverLibrary, ALibraryLackingAnEntryPointIsNeverStarted)
{
    RUN_IN_OWN_PROCESS();
    FakeStock partial("StockNoQuit.dll");
    ASSERT_TRUE(partial.ready());
    Collector collected;
    RealtimeReceiver receiver("StockNoQuit.dll");
    EXPECT_TRUE(receiver.loaded());
    EXPECT_FALSE(receiver.usable()) << "Stock_Quit is missing";
    receiver.set_host("127.0.0.1:7709");
    EXPECT_FALSE(receiver.start(collected.handler()));
    EXPECT_FALSE(receiver.running());
    EXPECT_EQ(partial.calls(), "") << "no entry point may be called";
}

TEST(ReceiverLibrary, AMissingLibraryLeavesTheReceiverQuietlyOff)
{
    RUN_IN_OWN_PROCESS();
    Collector collected;
    RealtimeReceiver receiver("NoSuchReceiver.dll");
    EXPECT_FALSE(receiver.loaded());
    EXPECT_FALSE(receiver.usable());
    receiver.set_host("127.0.0.1:7709");
    EXPECT_FALSE(receiver.start(collected.handler()));
    EXPECT_FALSE(receiver.running());
    receiver.stop();
    EXPECT_EQ(RealtimeReceiver::receiver_callback(0, 0, nullptr), 0);
}

// ---- The holder ----

TEST(RealtimeReceiver, HostTextComesFromTheReceiverUrl)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        const char* url;
        const char* host;
    } cases[] = {
        {"tcp://127.0.0.1:7709/", "127.0.0.1:7709"},
        {"tcp://quotes.example:80/feed?x=1", "quotes.example:80"},
        {"tcp://quotes.example/", "quotes.example:"},  // no port: host and a colon
        {"tcp://[::1]:7709/", "::1:7709"},
        // No host: still host, colon and port, so the receiver starts and
        // keeps to its own defaults.
        {"tcp://:7709/", ":7709"},
        {"/no/host", ":"},
        {"", ":"},
        {"http://ho st/", ""},  // does not parse: the receiver stays off
        {"tcp://h:99999/", ""},
        {nullptr, ""},
    };
    RealtimeReceiver receiver("NoSuchReceiver.dll");
    for (const auto& c : cases) {
        receiver.set_host("previous");
        receiver.set_host_from_url(c.url);
        EXPECT_EQ(receiver.host(), c.host) << "url " << (c.url ? c.url : "<null>");
    }
}

TEST(RealtimeReceiver, StartsOnceWithAHostAndStopsWithQuit)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    fake.reset_calls();
    Collector collected;
    RealtimeReceiver receiver;
    EXPECT_FALSE(receiver.start(collected.handler())) << "no host yet";
    EXPECT_EQ(fake.calls(), "");

    receiver.set_host("127.0.0.1:7709");
    EXPECT_FALSE(receiver.start(collected.handler(), [] { return true; })) << "the engine was stopped";
    EXPECT_EQ(fake.calls(), "");

    EXPECT_TRUE(receiver.start(collected.handler()));
    EXPECT_TRUE(receiver.running());
    const std::string started = "setup 0;host 0 127.0.0.1:7709 0 0 [];init 0 4";
    EXPECT_EQ(fake.calls(), started);
    EXPECT_FALSE(receiver.start(collected.handler())) << "already running";
    EXPECT_EQ(fake.calls(), started);

    receiver.stop();
    EXPECT_FALSE(receiver.running());
    EXPECT_EQ(fake.calls(), started + ";quit 0");
    receiver.stop();
    EXPECT_EQ(fake.calls(), started + ";quit 0") << "a second stop calls nothing";

    // A later code-table download starts it again.
    EXPECT_TRUE(receiver.start(collected.handler()));
    EXPECT_EQ(fake.calls(), started + ";quit 0;" + started);
}

TEST(RealtimeReceiver, PacketsAreCopiedOnTheReceiversThread)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    Collector collected;
    RealtimeReceiver receiver;
    receiver.set_host("127.0.0.1:7709");
    ASSERT_TRUE(receiver.start(collected.handler()));

    const RealtimeReport sent[2] = {report("600000", "SH", 10.0f, 10.5f, 1000), report("000001", "SZ", 9, 8, 5)};
    fake.push(sent, 2);
    ASSERT_TRUE(collected.wait_packets(1));
    ASSERT_TRUE(fake.wait_delivered(10000));
    std::lock_guard<std::mutex> lock(collected.mutex);
    ASSERT_EQ(collected.packets[0].size(), 2u);
    // The fake spoils its packet after the call: equal bytes show a copy.
    EXPECT_TRUE(same_bytes(collected.packets[0][0], sent[0]));
    EXPECT_TRUE(same_bytes(collected.packets[0][1], sent[1]));
    EXPECT_NE(collected.threads[0], std::this_thread::get_id());
}

TEST(RealtimeReceiver, PacketsWithBadCountsOrPointersAreIgnored)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    Collector collected;
    RealtimeReceiver receiver;
    receiver.set_host("127.0.0.1:7709");
    ASSERT_TRUE(receiver.start(collected.handler()));

    static const RealtimeReport one[1] = {report("600000", "SH", 10, 11, 100)};
    fake.push_raw(-1, one);
    fake.push_raw(RealtimeReceiver::kMaxRecordsPerPacket + 1, one);  // would read far past the one record
    fake.push_raw(INT32_MAX, one);
    fake.push_raw(2, nullptr);
    fake.push_null_packet();
    fake.push_raw(0, nullptr);  // an empty packet is an empty list
    fake.push(one, 1);
    ASSERT_TRUE(fake.wait_delivered(10000));
    ASSERT_TRUE(collected.wait_packets(2));
    std::lock_guard<std::mutex> lock(collected.mutex);
    ASSERT_EQ(collected.packets.size(), 2u) << "only the empty and the good packet are handed on";
    EXPECT_TRUE(collected.packets[0].empty());
    ASSERT_EQ(collected.packets[1].size(), 1u);
    EXPECT_TRUE(same_bytes(collected.packets[1][0], one[0]));
}

TEST(RealtimeReceiver, TheHandlerIsInstalledOnce)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    Collector first;
    Collector second;
    RealtimeReceiver receiver;
    receiver.set_host("127.0.0.1:7709");
    ASSERT_TRUE(receiver.start(first.handler()));
    receiver.stop();
    ASSERT_TRUE(receiver.start(second.handler()));
    const RealtimeReport r = report("600000", "SH", 10, 11, 100);
    fake.push(&r, 1);
    ASSERT_TRUE(fake.wait_delivered(10000));
    EXPECT_EQ(first.size(), 1u);
    EXPECT_EQ(second.size(), 0u);
}

TEST(RealtimeReceiver, GoingAwayStopsTheReceiver)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    fake.reset_calls();
    {
        Collector collected;
        RealtimeReceiver receiver;
        receiver.set_host("h:1");
        ASSERT_TRUE(receiver.start(collected.handler()));
    }
    EXPECT_EQ(fake.calls(), "setup 0;host 0 h:1 0 0 [];init 0 4;quit 0");
}

// ---- Records into rows ----

namespace {

// The row fields one push record sets, as a test expects them.
struct PushedFields {
    int64_t timestamp;
    float pre_close, open, high, low, close;
    int64_t vol;  // total volume; the first record of a day also gives it as the current volume
    double sum;
    float buy_price[5], sell_price[5];
    int64_t buy_vol[5], sell_vol[5];
};

void expect_pushed_fields(const QuoteRealTimeMarket& row, const PushedFields& want)
{
    EXPECT_EQ(row.timestamp, want.timestamp);
    EXPECT_EQ(row.pre_close, want.pre_close);
    EXPECT_EQ(row.open, want.open);
    EXPECT_EQ(row.high, want.high);
    EXPECT_EQ(row.low, want.low);
    EXPECT_EQ(row.close, want.close);
    EXPECT_EQ(row.vol, want.vol);
    EXPECT_EQ(row.cur_vol, want.vol);
    EXPECT_EQ(row.sum, want.sum);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(row.buy_price[i], want.buy_price[i]) << "level " << i + 1;
        EXPECT_EQ(row.sell_price[i], want.sell_price[i]) << "level " << i + 1;
        EXPECT_EQ(row.buy_vol[i], want.buy_vol[i]) << "level " << i + 1;
        EXPECT_EQ(row.sell_vol[i], want.sell_vol[i]) << "level " << i + 1;
    }
}

}  // namespace

TEST(FullPushReply, RecordFieldsBecomeRowFields)
{
    RUN_IN_OWN_PROCESS();
    RealtimeReport r = report("600000", "SH", 10.0f, 11.0f, 123456.0f);
    r.time = 1700000000;
    r.open = 10.5f;
    r.high = 11.5f;
    r.low = 9.5f;
    r.amount = 150000000.0f;
    const float bid_price[3] = {10.99f, 10.98f, 10.97f}, bid_volume[3] = {100, 200, 300};
    const float ask_price[3] = {11.01f, 11.02f, 11.03f}, ask_volume[3] = {400, 500, 600};
    std::memcpy(r.bid_price, bid_price, sizeof bid_price);
    std::memcpy(r.bid_volume, bid_volume, sizeof bid_volume);
    std::memcpy(r.ask_price, ask_price, sizeof ask_price);
    std::memcpy(r.ask_volume, ask_volume, sizeof ask_volume);
    r.bid_price4 = 10.96f, r.bid_volume4 = 700, r.ask_price4 = 11.04f, r.ask_volume4 = 800;
    r.bid_price5 = 10.95f, r.bid_volume5 = 900, r.ask_price5 = 11.05f, r.ask_volume5 = 1000;

    QuoteRealTimeMarket row{};
    row.code_info = code_info("600000", 1, "KEEP");
    row.pe = 7.5f;
    row.vol_rate = 1.25f;
    row.total_shares = 42;
    FullPushReply::update_row(r, row);

    expect_pushed_fields(row, {1700000000,
                               10.0f,
                               10.5f,
                               11.5f,
                               9.5f,
                               11.0f,
                               123456,
                               150000000.0,
                               {10.99f, 10.98f, 10.97f, 10.96f, 10.95f},
                               {11.01f, 11.02f, 11.03f, 11.04f, 11.05f},
                               {100, 200, 300, 700, 900},
                               {400, 500, 600, 800, 1000}});
    EXPECT_EQ(row.rf_value, 1.0f);
    EXPECT_FLOAT_EQ(row.rf_rate, 0.1f);
    // Everything else keeps its value.
    EXPECT_STREQ(row.code_info.name, "KEEP");
    EXPECT_EQ(row.pe, 7.5f);
    EXPECT_EQ(row.vol_rate, 1.25f);
    EXPECT_EQ(row.total_shares, 42);
}

// The record is built as raw bytes at the documented offsets, so a field
// misplaced in the record type shows up here.
TEST(FullPushReply, RawRecordBytesLandInTheDocumentedRowFields)
{
    RUN_IN_OWN_PROCESS();
    unsigned char bytes[158];
    std::memset(bytes, 0x5A, sizeof bytes);  // bytes 0-1 and the code's tail are not read
    const auto put_float = [&bytes](size_t at, float v) { std::memcpy(bytes + at, &v, 4); };
    const int32_t time = 1234567890;
    std::memcpy(bytes + 2, &time, 4);
    bytes[6] = 'S';
    bytes[7] = 'Z';
    std::memcpy(bytes + 8, "000002", 7);
    // Each float field gets its own value: its offset (prices) or ten times
    // it (volumes).
    const size_t prices[] = {50, 54, 58, 62, 66, 78, 82, 86, 102, 106, 110, 126, 134, 142, 150};
    const size_t volumes[] = {70, 90, 94, 98, 114, 118, 122, 130, 138, 146, 154};
    for (size_t at : prices)
        put_float(at, static_cast<float>(at));
    for (size_t at : volumes)
        put_float(at, static_cast<float>(at * 10));
    put_float(74, 7400000.0f);  // amount
    RealtimeReport r;
    static_assert(sizeof r == sizeof bytes, "158-byte record");
    std::memcpy(&r, bytes, sizeof bytes);

    SymbolTable table;
    const QuoteCodeInfo info = code_info("000002", 2);
    table.load(&info, 1);
    const std::vector<SymbolRecord*> updated = FullPushReply::apply({r}, table);
    ASSERT_EQ(updated.size(), 1u) << "\"SZ\" at bytes 6-7 and the code at byte 8 find 000002 in market 2";
    const QuoteRealTimeMarket& row = updated[0]->realtime;
    // Prices are their offsets, volumes ten times theirs.
    expect_pushed_fields(row, {1234567890,
                               50.0f,
                               54.0f,
                               58.0f,
                               62.0f,
                               66.0f,
                               700,
                               7400000.0,
                               {78, 82, 86, 126, 142},
                               {102, 106, 110, 134, 150},
                               {900, 940, 980, 1300, 1460},
                               {1140, 1180, 1220, 1380, 1540}});
    EXPECT_EQ(row.rf_value, 16.0f);       // 66 - 50
    EXPECT_FLOAT_EQ(row.rf_rate, 0.32f);  // 66 / 50 - 1
}

TEST(FullPushReply, CurrentVolumeIsTheGrowthAndANewDayStartsAfresh)
{
    RUN_IN_OWN_PROCESS();
    QuoteRealTimeMarket row{};
    struct Step {
        float volume;
        int64_t vol, cur_vol;
    } steps[] = {{1000, 1000, 1000}, {1500, 1500, 500}, {1500, 1500, 0}, {300, 300, 300}, {450, 450, 150}};
    for (const auto& s : steps) {
        FullPushReply::update_row(report("600000", "SH", 10, 10, s.volume), row);
        EXPECT_EQ(row.vol, s.vol) << "total volume " << s.volume;
        EXPECT_EQ(row.cur_vol, s.cur_vol) << "total volume " << s.volume;
    }
}

TEST(FullPushReply, ConversionsSaturateAndTimeIsUnsigned)
{
    RUN_IN_OWN_PROCESS();
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    RealtimeReport r = report("600000", "SH", 0.0f, 5.0f, 1e30f);
    r.time = -1;
    r.bid_volume[0] = -1e30f;
    r.bid_volume[1] = nan;
    r.bid_volume[2] = inf;
    r.ask_volume[0] = 2.9f;
    r.ask_volume[1] = -2.9f;
    QuoteRealTimeMarket row{};
    FullPushReply::update_row(r, row);
    EXPECT_EQ(row.timestamp, 4294967295LL) << "the quote time is zero-extended";
    EXPECT_EQ(row.vol, INT64_MAX);
    EXPECT_EQ(row.cur_vol, INT64_MAX);
    EXPECT_EQ(row.buy_vol[0], INT64_MIN);
    EXPECT_EQ(row.buy_vol[1], 0);
    EXPECT_EQ(row.buy_vol[2], INT64_MAX);
    EXPECT_EQ(row.sell_vol[0], 2);
    EXPECT_EQ(row.sell_vol[1], -2);
    EXPECT_TRUE(std::isinf(row.rf_rate)) << "a previous close of 0 gives an infinite rate, no failure";
    EXPECT_EQ(row.rf_value, 5.0f);
    // And back from a saturated total to a normal one: a new day.
    FullPushReply::update_row(report("600000", "SH", 1, 1, 10), row);
    EXPECT_EQ(row.cur_vol, 10);
}

TEST(FullPushReply, RecordsFindTheirSymbolsByCodeAndMarketWord)
{
    RUN_IN_OWN_PROCESS();
    SymbolTable table;
    const QuoteCodeInfo infos[] = {code_info("600000", 1), code_info("000001", 2), code_info("000001", 1)};
    table.load(infos, 3);

    RealtimeReport unterminated = report("", "SH", 1, 1, 1);
    std::memset(unterminated.code, 'A', sizeof unterminated.code);  // no NUL within the field
    RealtimeReport zero_word = report("000001", "SZ", 1, 4.0f, 1);
    zero_word.market = 0;  // any word but "SH" is Shenzhen
    const std::vector<RealtimeReport> records = {report("600000", "SH", 1, 1.0f, 1), report("000001", "SZ", 1, 2.0f, 1),
                                                 report("999999", "SH", 1, 1, 1),    unterminated,
                                                 report("600000", "SH", 1, 3.0f, 1), zero_word};
    const std::vector<SymbolRecord*> updated = FullPushReply::apply(records, table);

    SymbolRecord* sh600000 = table.find("600000", 1);
    SymbolRecord* sz000001 = table.find("000001", 2);
    SymbolRecord* sh000001 = table.find("000001", 1);
    ASSERT_TRUE(sh600000 && sz000001 && sh000001);
    const std::vector<SymbolRecord*> expected = {sh600000, sz000001, sh600000, sz000001};
    EXPECT_EQ(updated, expected) << "unknown codes are skipped; a symbol updated twice is listed twice";
    EXPECT_EQ(sh600000->realtime.close, 3.0f) << "the later record wins";
    EXPECT_EQ(sz000001->realtime.close, 4.0f);
    EXPECT_EQ(sh000001->realtime.close, 0.0f) << "\"SZ\" never reaches market 1";
    EXPECT_STREQ(sh600000->realtime.code_info.code, "600000") << "the identity stays";
}

// ---- Through the engine (each its own process: the engine cannot restart) ----

namespace {

struct PushSeen {
    std::thread::id thread;
    std::vector<const void*> symbols;
    std::vector<QuoteRealTimeMarket> rows;
};

// Runs quote_engine_run on a thread of its own with a receiver URL and
// records the kind-11 replies (copied during the callback).
class ReceiverEngine {
public:
    ReceiverEngine(int port, int flags, const char* receiver_url)
        : url_("tcp://127.0.0.1:" + std::to_string(port) + "/?auto_delay=50"), entry_{url_.c_str(), "local", "quote",
                                                                                      receiver_url}
    {
        config_.user_value = reinterpret_cast<intptr_t>(this);
        config_.server = entry_;
        config_.flags = flags;
    }
    ~ReceiverEngine()
    {
        quote_engine_shutdown();
        if (thread_.joinable())
            thread_.join();
    }

    void start()
    {
        thread_ = std::thread([this] {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                engine_thread_ = std::this_thread::get_id();
            }
            quote_engine_run(&config_, &ReceiverEngine::callback);
        });
    }
    void stop()
    {
        quote_engine_shutdown();
        thread_.join();
    }

    // Runs fn on the engine thread and waits until it ran.
    bool on_engine_thread(std::function<void()> fn)
    {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> ran = done->get_future();
        B2CService::instance().post_task([fn, done] {
            fn();
            done->set_value();
        });
        return ran.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    }

    bool wait_logged_in()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [this] { return logged_in_; });
    }
    bool wait_code_table()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [this] { return code_tables_ > 0; });
    }
    bool wait_pushes(size_t n)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return pushes_.size() >= n; });
    }
    std::vector<PushSeen> pushes()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return pushes_;
    }
    std::thread::id engine_thread()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return engine_thread_;
    }

private:
    static void callback(intptr_t user, const QuoteReply* reply)
    {
        auto* self = reinterpret_cast<ReceiverEngine*>(user);
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (reply->kind == QUOTE_REPLY_SERVER && reply->data &&
            static_cast<const QuoteServerState*>(reply->data)->state == 1)
            self->logged_in_ = true;
        if (reply->kind == QUOTE_REPLY_CODE_TABLE)
            ++self->code_tables_;
        if (reply->kind == QUOTE_REPLY_RECEIVER) {
            PushSeen seen;
            seen.thread = std::this_thread::get_id();
            EXPECT_EQ(reply->ctx, nullptr);
            void* const* symbols = static_cast<void* const*>(reply->data);
            for (int32_t i = 0; i < reply->count; ++i) {
                seen.symbols.push_back(symbols[i]);
                seen.rows.push_back(*quote_symbol_realtime(symbols[i]));
            }
            self->pushes_.push_back(std::move(seen));
        }
        self->cv_.notify_all();
    }

    std::string url_;
    const char* entry_[4];
    quote_engine_config config_{};
    std::thread thread_;
    std::mutex mutex_;  // guards what the callback records
    std::condition_variable cv_;
    std::thread::id engine_thread_;
    bool logged_in_ = false;
    int code_tables_ = 0;
    std::vector<PushSeen> pushes_;
};

// A code-table answer of one record, processed as the engine thread does.
void code_table_arrives(const char* code, unsigned market)
{
    WireBytes w;
    w.i16(0).i16(1);
    w.u8(0).u8(market).u8(1).text(code, 6).text("NEW", 24).text("NEW", 6);
    auto reply = processed<B2CClient0x05Reply>(w.bytes(), 1, nullptr, &B2CService::instance());
    EXPECT_EQ(reply->reply()->kind, QUOTE_REPLY_CODE_TABLE);
}

}  // namespace

TEST(ReceiverEngine, AfterTheCodeTableRecordsReachSymbolsAndTheCallbackOnTheEngineThread)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    fake.reset_calls();
    const QuoteCodeInfo infos[] = {code_info("600000", 1), code_info("000001", 2)};
    quote_code_load(infos, 2);

    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    ReceiverEngine engine(server.port(), QUOTE_FLAG_NO_CODE_TABLE | QUOTE_FLAG_RECEIVER, "tcp://127.0.0.1:7709/");
    engine.start();
    ASSERT_TRUE(engine.wait_logged_in());
    EXPECT_EQ(RealtimeReceiver::instance().host(), "127.0.0.1:7709");
    EXPECT_FALSE(RealtimeReceiver::instance().running()) << "it starts only once the code table is in";
    EXPECT_EQ(fake.calls(), "");

    ASSERT_TRUE(engine.on_engine_thread([] { code_table_arrives("600001", 1); }));
    EXPECT_TRUE(RealtimeReceiver::instance().running());
    EXPECT_EQ(fake.calls(), "setup 0;host 0 127.0.0.1:7709 0 0 [];init 0 4");

    const RealtimeReport first[] = {report("600000", "SH", 10.0f, 11.0f, 1000), report("999999", "SH", 1, 1, 1),
                                    report("000001", "SZ", 20.0f, 19.0f, 50), report("600001", "SH", 5, 6, 7)};
    fake.push(first, 4);
    ASSERT_TRUE(engine.wait_pushes(1));
    const RealtimeReport second[] = {report("600000", "SH", 10.0f, 12.0f, 1500)};
    fake.push(second, 1);
    ASSERT_TRUE(engine.wait_pushes(2));

    const std::vector<PushSeen> pushes = engine.pushes();
    const void* sh600000 = quote_symbol_find("600000", 1);
    const void* sz000001 = quote_symbol_find("000001", 2);
    const void* sh600001 = quote_symbol_find("600001", 1);
    ASSERT_TRUE(sh600000 && sz000001 && sh600001);
    const std::vector<const void*> listed = {sh600000, sz000001, sh600001};
    EXPECT_EQ(pushes[0].symbols, listed) << "the unknown code is skipped";
    EXPECT_EQ(pushes[0].thread, engine.engine_thread()) << "delivered on the engine thread";
    EXPECT_EQ(pushes[0].rows[0].close, 11.0f);
    EXPECT_EQ(pushes[0].rows[0].vol, 1000);
    EXPECT_EQ(pushes[0].rows[1].close, 19.0f);
    EXPECT_EQ(pushes[0].rows[2].vol, 7);
    ASSERT_EQ(pushes[1].symbols.size(), 1u);
    EXPECT_EQ(pushes[1].rows[0].close, 12.0f);
    EXPECT_EQ(pushes[1].rows[0].cur_vol, 500);
    EXPECT_EQ(quote_symbol_realtime(sh600000)->vol, 1500) << "the symbol's own row holds the new values";

    // A second code table does not start it twice.
    ASSERT_TRUE(engine.on_engine_thread([] { code_table_arrives("600002", 1); }));
    EXPECT_EQ(fake.calls(), "setup 0;host 0 127.0.0.1:7709 0 0 [];init 0 4");

    engine.stop();
    EXPECT_FALSE(RealtimeReceiver::instance().running());
    EXPECT_EQ(fake.calls(), "setup 0;host 0 127.0.0.1:7709 0 0 [];init 0 4;quit 0");
}

TEST(ReceiverEngine, TheDownloadedCodeTableStartsTheReceiver)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    fake.reset_calls();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    ReceiverEngine engine(server.port(), QUOTE_FLAG_RECEIVER, "tcp://localhost:9000/");
    engine.start();
    ASSERT_TRUE(engine.wait_code_table()) << "expected the code table from the local quote server";
    // The start runs in the code-table reply, before its callback.
    EXPECT_TRUE(RealtimeReceiver::instance().running());
    EXPECT_EQ(fake.calls(), "setup 0;host 0 localhost:9000 0 0 [];init 0 4");

    // The server lists 600005 and the index 1A0001 in Shanghai, 000002 and
    // the stock 000001 in Shenzhen.
    const RealtimeReport records[] = {report("600005", "SH", 8.0f, 8.8f, 10), report("777777", "SH", 1, 1, 1),
                                      report("1A0001", "SH", 3000.0f, 3030.0f, 20),
                                      report("000001", "SZ", 12.0f, 11.4f, 30), report("000002", "SZ", 1, 2, 40)};
    fake.push(records, 5);
    ASSERT_TRUE(engine.wait_pushes(1));
    const PushSeen push = engine.pushes()[0];
    const std::vector<const void*> listed = {quote_symbol_find("600005", 1), quote_symbol_find("1A0001", 1),
                                             quote_symbol_find("000001", 2), quote_symbol_find("000002", 2)};
    for (const void* symbol : listed)
        ASSERT_NE(symbol, nullptr) << "the code table holds the listed symbols";
    EXPECT_EQ(push.symbols, listed);
    ASSERT_EQ(push.rows.size(), 4u);
    EXPECT_EQ(push.thread, engine.engine_thread());
    EXPECT_EQ(push.rows[0].close, 8.8f);
    EXPECT_FLOAT_EQ(push.rows[0].rf_value, 0.8f);
    EXPECT_FLOAT_EQ(push.rows[0].rf_rate, 0.1f);
    EXPECT_EQ(push.rows[1].close, 3030.0f);
    EXPECT_EQ(push.rows[2].close, 11.4f);
    EXPECT_EQ(push.rows[3].vol, 40);
    EXPECT_STREQ(push.rows[0].code_info.code, "600005");

    engine.stop();
    EXPECT_EQ(fake.calls(), "setup 0;host 0 localhost:9000 0 0 [];init 0 4;quit 0");
}

TEST(ReceiverEngine, WithoutTheHostFlagTheReceiverStaysOff)
{
    RUN_IN_OWN_PROCESS();
    FakeStock fake;
    ASSERT_TRUE(fake.ready());
    fake.reset_calls();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    ReceiverEngine engine(server.port(), QUOTE_FLAG_NO_CODE_TABLE, "tcp://127.0.0.1:7709/");
    engine.start();
    ASSERT_TRUE(engine.wait_logged_in());
    ASSERT_TRUE(engine.on_engine_thread([] { code_table_arrives("600001", 1); }));
    EXPECT_TRUE(RealtimeReceiver::instance().loaded());
    EXPECT_EQ(RealtimeReceiver::instance().host(), "");
    EXPECT_FALSE(RealtimeReceiver::instance().running());
    engine.stop();
    EXPECT_EQ(fake.calls(), "");
}

TEST(ReceiverEngine, WithoutAReceiverLibraryNothingHappensAndNothingFails)
{
    RUN_IN_OWN_PROCESS();
    RealtimeReceiver::set_library_name("NoSuchReceiver.dll");
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    ReceiverEngine engine(server.port(), QUOTE_FLAG_NO_CODE_TABLE | QUOTE_FLAG_RECEIVER, "tcp://127.0.0.1:7709/");
    engine.start();
    ASSERT_TRUE(engine.wait_logged_in());
    ASSERT_TRUE(engine.on_engine_thread([] { code_table_arrives("600001", 1); }));
    EXPECT_FALSE(RealtimeReceiver::instance().loaded());
    EXPECT_FALSE(RealtimeReceiver::instance().running());
    EXPECT_NE(quote_symbol_find("600001", 1), nullptr) << "the code table itself was taken";
    engine.stop();
    EXPECT_TRUE(engine.pushes().empty());
}
