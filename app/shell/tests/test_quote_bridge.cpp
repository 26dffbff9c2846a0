// The reply bridge: which signals each reply kind gives, the last server
// state, and the real quote engine on its own thread against the local quote
// server, with deliveries reaching the GUI thread while the engine waits.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QThread>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ownprocess.h"
#include "quote.h"
#include "serverprocess.h"
#include "shell/quoteproxy.h"
#include "shell/quotethread.h"
#include "shell/serverstatemodel.h"
#include "shell/settingsstores.h"

namespace {

const char* const kSignalNames[] = {"quotePeroidRealTime",  "quoteReplayTypeMinute",
                                    "quoteReplayTypeKLine", "quoteReplayTypeDividend",
                                    "quoteReplayTypePrice", "quoteCodes",
                                    "quoteDetail",          "quoteServerState",
                                    "quoteStockTip"};

// Records every bridge signal it receives: name, kind, context and whether
// the slot ran on the GUI thread. Lives on the GUI thread.
class Recorder : public QObject {
public:
    struct Seen {
        std::string signal;
        int kind;
        quote_ctx* ctx;
        bool onGuiThread;
    };

    explicit Recorder(Qt::ConnectionType type)
    {
        QuoteProxy* p = QuoteProxy::instance();
        using Signal = void (QuoteProxy::*)(const QuoteReply*);
        const Signal sources[] = {&QuoteProxy::quotePeroidRealTime,  &QuoteProxy::quoteReplayTypeMinute,
                                  &QuoteProxy::quoteReplayTypeKLine, &QuoteProxy::quoteReplayTypeDividend,
                                  &QuoteProxy::quoteReplayTypePrice, &QuoteProxy::quoteCodes,
                                  &QuoteProxy::quoteDetail,          &QuoteProxy::quoteServerState,
                                  &QuoteProxy::quoteStockTip};
        static_assert(std::size(sources) == std::size(kSignalNames), "one name per signal");
        for (size_t i = 0; i < std::size(sources); ++i) {
            const std::string name = kSignalNames[i];
            connect(
                p, sources[i], this,
                [this, name](const QuoteReply* r) {
                    seen.push_back({name, r->kind, r->ctx, QThread::currentThread() == qApp->thread()});
                },
                type);
        }
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const Seen& s : seen)
            out.push_back(s.signal);
        return out;
    }
    bool has(quote_ctx* ctx, const std::string& signal) const
    {
        for (const Seen& s : seen)
            if (s.ctx == ctx && s.signal == signal)
                return true;
        return false;
    }

    std::vector<Seen> seen;
};

}  // namespace

TEST(QuoteProxy, EveryKindGivesItsSignalsInOrder)
{
    RUN_IN_OWN_PROCESS();
    Recorder recorder(Qt::DirectConnection);
    const char* entry[] = {"tcp://x", "主站", "1", ""};
    QuoteServerState state{entry, 1};
    struct Row {
        uint16_t kind;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {0, {}},
        {1, {"quoteServerState"}},
        {2, {"quoteCodes"}},
        {3, {"quotePeroidRealTime", "quoteReplayTypePrice"}},
        {4, {"quoteReplayTypeMinute"}},
        {5, {"quoteReplayTypeKLine"}},
        {6, {"quoteDetail"}},
        {7, {"quoteReplayTypeDividend"}},
        {8, {}},
        {9, {"quoteStockTip"}},
        {10, {}},
        {11, {}},
        {12, {}},
        {200, {}},
    };
    for (const Row& r : rows) {
        recorder.seen.clear();
        QuoteReply reply{0, r.kind, nullptr, 1, &state};
        QuoteProxy::instance()->onUpdate(&reply);
        EXPECT_EQ(recorder.names(), r.expected) << "kind " << r.kind;
    }
    EXPECT_EQ(QuoteProxy::instance()->deliveriesInFlight(), 0);
}

TEST(QuoteProxy, KeepsTheLastServerStateForLateModels)
{
    RUN_IN_OWN_PROCESS();
    QuoteProxy* proxy = QuoteProxy::instance();
    EXPECT_EQ(proxy->serverName(), QString());
    EXPECT_EQ(proxy->serverState(), 0);

    const char* entry[] = {"tcp://x", "主站", "1", ""};
    QuoteServerState up{entry, 1};
    QuoteReply reply{0, QUOTE_REPLY_SERVER, nullptr, 1, &up};
    proxy->onUpdate(&reply);  // no receiver yet
    ServerStateModel late;
    EXPECT_EQ(late.property("server_name").toString(), QString::fromUtf8("主站"));
    EXPECT_EQ(late.property("server_state").toInt(), 1);

    // Later changes come from the engine thread, while it waits.
    int changes = 0;
    QObject::connect(&late, &ServerStateModel::dataChanged, [&changes] { ++changes; });
    const char* unnamed[] = {"tcp://x", nullptr, "1", ""};
    QuoteServerState down{unnamed, 0};
    QuoteReply downReply{0, QUOTE_REPLY_SERVER, nullptr, 1, &down};
    std::thread engine([&] { proxy->onUpdate(&downReply); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 1; }, 5000));
    engine.join();
    EXPECT_TRUE(late.property("server_name").toString().isNull()) << "a null name gives a null text";
    EXPECT_EQ(late.property("server_state").toInt(), 0);
    EXPECT_TRUE(proxy->serverName().isNull());
}

TEST(QuoteServerEntry, TextsFromTheFirstServerObject)
{
    RUN_IN_OWN_PROCESS();
    const QJsonArray servers{QJsonObject{{"url", "tcp://127.0.0.1:1/?auto_delay=5"}, {"name", "主站"}, {"type", "2"}},
                             QJsonObject{{"url", "tcp://other"}}};
    const QuoteServerEntry entry{QVariant(servers)};
    EXPECT_STREQ(entry.texts[0], "tcp://127.0.0.1:1/?auto_delay=5");
    EXPECT_STREQ(entry.texts[1], "主站");
    EXPECT_STREQ(entry.texts[2], "2");
    EXPECT_STREQ(entry.texts[3], "") << "no receiver host";
    const quote_engine_config config = entry.config();
    EXPECT_EQ(config.user_value, 0);
    EXPECT_EQ(config.flags, 0);
    EXPECT_EQ(config.server, entry.texts.data());

    // Missing fields and a missing array give empty texts.
    const QuoteServerEntry partial{QVariant(QJsonArray{QJsonObject{{"name", "n"}}})};
    EXPECT_STREQ(partial.texts[0], "");
    EXPECT_STREQ(partial.texts[1], "n");
    const QuoteServerEntry none{QVariant()};
    for (const char* t : none.texts)
        EXPECT_STREQ(t, "");
}

// The real engine on its thread: every forwarded kind reaches the GUI thread;
// a kind-10 reply gives nothing.
TEST(QuoteBridge, RealEngineRepliesReachTheGuiThread)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    const QString url = QString("tcp://127.0.0.1:%1/?auto_delay=50").arg(server.port());
    settings::setServerAddresses(QJsonObject{
        {"url", QJsonObject{{"quote", QJsonArray{QJsonObject{{"url", url}, {"name", "本地"}, {"type", "1"}}}}}}});

    Recorder recorder(Qt::BlockingQueuedConnection);
    QuoteEngineThread thread;
    thread.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.has(nullptr, "quoteCodes"); }, 10000)) << "no code list";
    ASSERT_TRUE(recorder.has(nullptr, "quoteServerState"));
    ServerStateModel late;  // made after the connection came up
    EXPECT_EQ(late.property("server_name").toString(), QString::fromUtf8("本地"));
    EXPECT_EQ(late.property("server_state").toInt(), 1);

    struct Case {
        int type;
        uint8_t period;
        bool block;
        std::vector<std::string> expected;  // empty: the reply must give none
        uint16_t libraryKind;
    };
    const Case cases[] = {{0, 30, true, {"quotePeroidRealTime", "quoteReplayTypePrice"}, QUOTE_REPLY_REALTIME},
                          {0, 32, false, {"quoteReplayTypeMinute"}, QUOTE_REPLY_MINUTE},
                          {0, 35, false, {"quoteReplayTypeKLine"}, QUOTE_REPLY_KLINE},
                          {0, 31, false, {"quoteDetail"}, QUOTE_REPLY_DETAIL},
                          {1, 0, false, {"quoteReplayTypeDividend"}, QUOTE_REPLY_DIVIDEND},
                          {3, 0, false, {"quoteStockTip"}, QUOTE_REPLY_SMART_TIP},
                          {4, 0, false, {}, QUOTE_REPLY_PRICE_VOLUME}};
    std::array<char, 17> code{};
    std::memcpy(code.data(), "000002", 6);
    code[16] = 2;
    const uint16_t fields[] = {0, 8};
    quote_ctx* fence = nullptr;
    std::vector<quote_ctx*> contexts;  // released at the end, so no address is reused
    for (const Case& c : cases) {
        quote_ctx* ctx = quote_ctx_create();
        contexts.push_back(ctx);
        quote_ctx_set_type(ctx, c.type);
        quote_ctx_set_peroid(ctx, c.period);
        quote_ctx_set_code(ctx, code.data(), 1);
        if (c.block)
            quote_ctx_set_block(ctx, 1110);
        quote_ctx_set_market_field(ctx, fields, 2);
        quote_ctx_set_page(ctx, 0, 10);
        ASSERT_EQ(quote_ctx_request(ctx), 1);
        if (c.expected.empty()) {
            // Replies come in order: once a later request's reply is in, this
            // one was delivered (and dropped).
            fence = quote_ctx_create();
            quote_ctx_set_type(fence, 1);
            quote_ctx_set_code(fence, code.data(), 1);
            ASSERT_EQ(quote_ctx_request(fence), 1);
            ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.has(fence, "quoteReplayTypeDividend"); }, 10000));
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.has(ctx, c.expected.back()); }, 10000))
                << "kind " << c.libraryKind;
        }
        std::vector<std::string> got;
        for (const Recorder::Seen& s : recorder.seen) {
            if (s.ctx != ctx)
                continue;
            got.push_back(s.signal);
            EXPECT_EQ(s.kind, c.libraryKind);
            EXPECT_TRUE(s.onGuiThread) << s.signal;
        }
        EXPECT_EQ(got, c.expected) << "kind " << c.libraryKind;
    }
    for (quote_ctx* ctx : contexts)
        quote_ctx_release(ctx);
    quote_ctx_release(fence);

    const auto before = std::chrono::steady_clock::now();
    thread.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
}

namespace {

// Ends the test process when the watched step takes longer than its limit,
// so a hang fails instead of stalling the run.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!cv_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "watchdog: the step did not end within %d s\n", int(limit.count()));
                  std::_Exit(2);
              }
          })
    {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;  // guards done_
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_;
};

void useQuoteServer(const QString& url)
{
    settings::setServerAddresses(QJsonObject{
        {"url", QJsonObject{{"quote", QJsonArray{QJsonObject{{"url", url}, {"name", "本地"}, {"type", "1"}}}}}}});
}

}  // namespace

// The engine thread waits in a delivery that the GUI thread is not serving
// (it is busy here); stopping must release it and end quickly. The receiver
// outlives the stop, as the stock dictionary does.
TEST(QuoteBridge, StopWhileTheEngineWaitsOnTheGuiThread)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    useQuoteServer(QString("tcp://127.0.0.1:%1/?auto_delay=50").arg(server.port()));
    QObject receiver;
    int served = 0;
    for (auto signal : {&QuoteProxy::quoteServerState, &QuoteProxy::quoteCodes})
        QObject::connect(
            QuoteProxy::instance(), signal, &receiver, [&served](const QuoteReply*) { ++served; },
            Qt::BlockingQueuedConnection);
    QuoteEngineThread thread;
    thread.start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (QuoteProxy::instance()->deliveriesInFlight() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_GT(QuoteProxy::instance()->deliveriesInFlight(), 0) << "the engine never delivered";
    EXPECT_EQ(served, 0);

    Watchdog watchdog(std::chrono::seconds(5));
    const auto before = std::chrono::steady_clock::now();
    thread.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_FALSE(thread.started());
    EXPECT_EQ(served, 1) << "the waiting delivery was served, no later one was made";
}

TEST(QuoteBridge, StopWhileDisconnected)
{
    RUN_IN_OWN_PROCESS();
    useQuoteServer("tcp://127.0.0.1:1/?auto_delay=100");  // nothing listens there
    ServerStateModel state;
    QuoteEngineThread thread;
    thread.start();
    (void)QTest::qWaitFor([&] { return state.property("server_name").toString() == QString::fromUtf8("本地"); }, 3000);
    EXPECT_EQ(state.property("server_state").toInt(), 0);
    Watchdog watchdog(std::chrono::seconds(5));
    const auto before = std::chrono::steady_clock::now();
    thread.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
}

TEST(QuoteBridge, StopWithoutStartOnlyDisconnects)
{
    RUN_IN_OWN_PROCESS();
    ServerStateModel state;
    QuoteEngineThread thread;
    EXPECT_FALSE(thread.started());
    thread.stop();  // no join, no engine call that could wait
    EXPECT_FALSE(QObject::disconnect(QuoteProxy::instance(), &QuoteProxy::quoteServerState, &state,
                                     &ServerStateModel::onQuoteServerState))
        << "the connection was already removed";
}
