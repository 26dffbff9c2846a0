// The engine against the local quote server, through the exported functions.
// Each test is its own process (the engine cannot restart within one).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <cstdio>
#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "b2cservice.h"
#include "enginerecorder.h"
#include "ownprocess.h"
#include "probeclient.h"
#include "quote.h"
#include "serverprocess.h"

namespace {

std::string url_for(int port, const std::string& query = "auto_delay=50")
{
    return "tcp://127.0.0.1:" + std::to_string(port) + "/?" + query;
}

// A context of the tests' own, standing in for a caller's context.
// Each gets a handle value of its own (never dereferenced).
struct TestContext {
    std::shared_ptr<ContextBase> context = std::make_shared<ContextBase>(&B2CService::instance());
    TestContext()
    {
        static std::atomic<uintptr_t> next{0x1000};
        context->set_handle(reinterpret_cast<quote_ctx*>(next.fetch_add(0x10)));
    }
    quote_ctx* handle() const { return context->handle(); }
};

std::string request_line(uint8_t command, uint16_t id)
{
    char line[64];
    std::snprintf(line, sizeof(line), "request 0x%02x %u", command, id);
    return line;
}

bool is_probe_request(const std::string& l)
{
    return l.compare(0, 13, "request 0x7f ") == 0;
}

// How many of the server's log lines start with the prefix.
long count_starting(const std::vector<std::string>& lines, const std::string& prefix)
{
    return std::count_if(lines.begin(), lines.end(),
                         [&prefix](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; });
}

// Starts the engine and waits until it reports the connection up.
void start_connected(EngineRecorder& engine)
{
    engine.start();
    ASSERT_GE(engine.wait_state(1), 0);
}

int32_t yyyymmdd_seconds(int y, int m, int d)
{
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_isdst = -1;
    return static_cast<int32_t>(std::mktime(&tm));
}

}  // namespace

TEST(EngineScenario, LogsInWithTheUrlKeyAndFollowsServerState)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server({"--key", "s3cret-key"});
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine(url_for(server.port(), "encrypt_key=s3cret-key&auto_delay=50"));
    engine.start();

    const int up = engine.wait_state(1);
    ASSERT_GE(up, 0) << "expected a kind-1 reply with state 1 after the login";
    const RecordedReply login = engine.replies()[up];
    EXPECT_EQ(login.server, engine.server_entry()) << "the state reply carries the configuration's server entry";
    EXPECT_EQ(login.ctx, nullptr);
    EXPECT_EQ(login.header_word, 0);
    EXPECT_EQ(login.thread, engine.engine_thread()) << "replies are delivered on the engine thread";
    EXPECT_TRUE(server.wait_line("login ok"));

    const int table = engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_MARKET_STATE; });
    ASSERT_GE(table, 0) << "expected the server-state table (kind 12)";
    const RecordedReply state = engine.replies()[table];
    ASSERT_EQ(state.count, 2);
    ASSERT_EQ(state.markets.size(), 2u);
    EXPECT_EQ(state.markets[0].market, 1);
    EXPECT_EQ(state.markets[1].market, 2);
    EXPECT_EQ(state.markets[0].state, 1);
    EXPECT_EQ(state.header_word, 1) << "server-state messages always count as pushes";
    EXPECT_NE(B2CService::instance().server_state_request_id(), 0);
    EXPECT_TRUE(B2CService::instance().is_pending(B2CService::instance().server_state_request_id()))
        << "the server-state subscription stays pending";

    server.control("state 2 7");
    const int changed = engine.wait_for(
        [](const RecordedReply& r) {
            return r.kind == QUOTE_REPLY_MARKET_STATE && r.markets.size() == 2 && r.markets[1].state == 7;
        },
        table + 1);
    EXPECT_GE(changed, 0) << "a state-byte change is pushed and delivered";

    quote_engine_shutdown();
    ASSERT_TRUE(engine.wait_returned());
    EXPECT_EQ(engine.result(), 1);
    for (const RecordedReply& r : engine.replies())
        EXPECT_FALSE(r.kind == QUOTE_REPLY_SERVER && r.state == 0)
            << "a state-byte change alone must not drop the connection";
}

TEST(EngineScenario, ServerStateMessagesMatchWhateverIdTheyCarry)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    ASSERT_NO_FATAL_FAILURE(start_connected(engine));
    ASSERT_GE(engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_MARKET_STATE; }), 0);
    server.control("state 1 9");  // pushed under the subscription's own id
    ASSERT_TRUE(server.wait_line("pushed"));
    server.control("push-id 0");  // the same table under id 0
    ASSERT_TRUE(server.wait_line("pushed"));
    server.control("push-id 4321");  // and under an id never used
    ASSERT_TRUE(server.wait_line("pushed"));
    const auto is_nine = [](const RecordedReply& r) {
        return r.kind == QUOTE_REPLY_MARKET_STATE && !r.markets.empty() && r.markets[0].state == 9;
    };
    const int first = engine.wait_for(is_nine);
    ASSERT_GE(first, 0);
    const int second = engine.wait_for(is_nine, first + 1);
    ASSERT_GE(second, 0) << "the push under id 0 reaches the server-state subscription";
    EXPECT_GE(engine.wait_for(is_nine, second + 1), 0) << "so does the push under id 4321";
    const std::vector<std::string> lines = server.lines();
    EXPECT_EQ(count_starting(lines, "cancel "), 0) << "server-state pushes are never cancelled";
}

TEST(EngineScenario, WrongKeyIsRefusedAndRetriedAfterTheDelay)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server({"--key", "other"});
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine(url_for(server.port(), "auto_delay=30"));
    engine.start();
    EXPECT_TRUE(server.wait_line("login refused"));
    EXPECT_TRUE(server.wait_line("login refused")) << "a refused session retries after auto_delay";
    EXPECT_GE(engine.wait_state(0), 0) << "every loss reaches the callback as state 0";
    EXPECT_EQ(engine.wait_state(1, 0, std::chrono::milliseconds(100)), -1) << "never logged in";
}

TEST(EngineScenario, OneShotRepliesAndPushesAreMatchedAndCancelled)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    ASSERT_NO_FATAL_FAILURE(start_connected(engine));
    B2CService& svc = B2CService::instance();

    TestContext once;
    auto one_shot = std::make_shared<ProbeClient>(*once.context, kProbeOnce, std::vector<uint8_t>{1, 2, 3});
    const uint16_t id = svc.send(one_shot, false);
    ASSERT_NE(id, 0);
    EXPECT_TRUE(server.wait_line(request_line(kProbeCommand, id)));
    const int got =
        engine.wait_for([&](const RecordedReply& r) { return r.kind == kProbeKind && r.ctx == once.handle(); });
    ASSERT_GE(got, 0);
    EXPECT_EQ(engine.replies()[got].bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(engine.replies()[got].header_word, 0);
    EXPECT_FALSE(svc.is_pending(id)) << "a one-shot answer ends the pending entry";

    TestContext pushes;
    auto sub = std::make_shared<ProbeClient>(*pushes.context, kProbePush, std::vector<uint8_t>{9}, 0, 10);
    const uint16_t sub_id = svc.send(sub, true);
    ASSERT_NE(sub_id, 0);
    EXPECT_NE(sub_id, id);
    size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        const int p = engine.wait_for(
            [&](const RecordedReply& r) { return r.kind == kProbeKind && r.ctx == pushes.handle(); }, from);
        ASSERT_GE(p, 0) << "push " << i;
        EXPECT_EQ(engine.replies()[p].header_word, 1);
        from = static_cast<size_t>(p) + 1;
    }
    EXPECT_TRUE(svc.is_pending(sub_id)) << "pushes keep the subscription pending";

    svc.cancel(sub->request_id());
    EXPECT_FALSE(svc.is_pending(sub_id));
    EXPECT_TRUE(server.wait_line("cancel " + std::to_string(sub_id))) << "the server is told with command 0x11";
}

TEST(EngineScenario, ConcurrentSendersEachGetTheirOneAnswer)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    ASSERT_NO_FATAL_FAILURE(start_connected(engine));
    // The state reply is posted before the re-send after the login; the
    // first server-state table shows that the subscription is pending again.
    ASSERT_GE(engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_MARKET_STATE; }), 0);
    B2CService& svc = B2CService::instance();
    const size_t baseline = svc.pending_count();
    EXPECT_EQ(baseline, 1u) << "only the server-state subscription";

    constexpr int kThreads = 4;
    constexpr int kEach = 250;
    std::vector<std::unique_ptr<TestContext>> contexts(kThreads * kEach);
    std::vector<std::shared_ptr<ProbeClient>> clients(kThreads * kEach);
    for (int i = 0; i < kThreads * kEach; ++i) {
        contexts[i] = std::make_unique<TestContext>();
        clients[i] =
            std::make_shared<ProbeClient>(*contexts[i]->context, kProbeOnce,
                                          std::vector<uint8_t>{static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)});
    }
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t)
        senders.emplace_back([&, t] {
            for (int i = t * kEach; i < (t + 1) * kEach; ++i)
                svc.send(clients[i], false);
        });
    for (std::thread& t : senders)
        t.join();

    const size_t total = kThreads * kEach;
    const auto is_probe = [](const RecordedReply& r) { return r.kind == kProbeKind; };
    ASSERT_TRUE(engine.wait_count(is_probe, total)) << "every request is answered";
    std::map<quote_ctx*, int> answers;
    for (const RecordedReply& r : engine.replies())
        if (is_probe(r))
            ++answers[r.ctx];
    ASSERT_EQ(answers.size(), total) << "each context got its own answer";
    for (size_t i = 0; i < total; ++i)
        EXPECT_EQ(answers[contexts[i]->handle()], 1) << "request " << i;
    EXPECT_EQ(svc.pending_count(), baseline) << "no entry is left behind";
}

TEST(EngineScenario, ErrorRepliesPlainGzipAndEmpty)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    ASSERT_NO_FATAL_FAILURE(start_connected(engine));
    B2CService& svc = B2CService::instance();

    struct Case {
        uint8_t mode;
        std::vector<uint8_t> payload;
        uint16_t kind;
        int32_t code;
        std::string text;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {kProbeError, {0xFE, 'n', 'o', ' ', 'd', 'a', 't', 'a'}, QUOTE_REPLY_ERROR, -2, "no data", {}},
        {kProbeErrorGzip, {0x05, 'b', 'u', 's', 'y'}, QUOTE_REPLY_ERROR, 5, "busy", {}},
        {kProbeError, {0xFF}, QUOTE_REPLY_ERROR, -1, "", {}},
        {kProbeEmptyError, {}, QUOTE_REPLY_ERROR, QUOTE_ERROR_BAD_REPLY, "", {}},
        {kProbeOnceGzip, {7, 7, 7, 7}, kProbeKind, 0, "", {7, 7, 7, 7}},
        {kProbeVersion2, {4, 2}, kProbeKind, 0, "", {4, 2}},
        {kProbeOnceGzip33, {3, 3}, kProbeKind, 0, "", {3, 3}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        TestContext ctx;
        auto client = std::make_shared<ProbeClient>(*ctx.context, c.mode, c.payload);
        const uint16_t id = svc.send(client, false);
        ASSERT_NE(id, 0);
        const int got = engine.wait_for([&](const RecordedReply& r) { return r.ctx == ctx.handle(); });
        ASSERT_GE(got, 0) << "case " << i << ": no reply";
        const RecordedReply r = engine.replies()[got];
        EXPECT_EQ(r.kind, c.kind) << "case " << i;
        EXPECT_EQ(r.count, static_cast<int32_t>(c.bytes.size())) << "case " << i;
        if (c.kind == QUOTE_REPLY_ERROR) {
            EXPECT_EQ(r.error_code, c.code) << "case " << i;
            EXPECT_EQ(r.error_text, c.text) << "case " << i;
        } else {
            EXPECT_EQ(r.bytes, c.bytes) << "case " << i;
        }
        EXPECT_FALSE(svc.is_pending(id)) << "case " << i;
    }
}

TEST(EngineScenario, RequestsBeforeLoginGoOutOnceAfterTheLoginAnswer)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server({"--hold-challenge"});
    EngineRecorder engine(url_for(server.port()));
    engine.start();
    ASSERT_TRUE(server.wait_line("open"));
    B2CService& svc = B2CService::instance();
    // Connected, challenge held back: the session is open but not logged in.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!b2c_connection_is_open(svc.session()->connection()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_TRUE(b2c_connection_is_open(svc.session()->connection()));
    ASSERT_FALSE(svc.session()->authenticated());

    TestContext a, b;
    auto first = std::make_shared<ProbeClient>(*a.context, kProbeOnce, std::vector<uint8_t>{1});
    auto second = std::make_shared<ProbeClient>(*b.context, kProbeOnce, std::vector<uint8_t>{2});
    const uint16_t id1 = svc.send(first, false);
    const uint16_t id2 = svc.send(second, false);
    ASSERT_NE(id1, 0);
    ASSERT_NE(id2, 0);
    EXPECT_TRUE(svc.is_pending(id1));
    server.control("challenge");

    ASSERT_GE(engine.wait_for([&](const RecordedReply& r) { return r.ctx == a.handle(); }), 0);
    ASSERT_GE(engine.wait_for([&](const RecordedReply& r) { return r.ctx == b.handle(); }), 0);
    EXPECT_FALSE(svc.is_pending(id1)) << "the old ids are no longer pending";
    EXPECT_FALSE(svc.is_pending(id2));
    EXPECT_NE(first->request_id(), id1) << "re-sent under a new id";
    EXPECT_NE(second->request_id(), id2);

    // The server's event lines arrive through a pipe of their own: wait until
    // it has reported both requests before counting.
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, first->request_id())));
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, second->request_id())));
    const std::vector<std::string> lines = server.lines();
    const auto login = std::find(lines.begin(), lines.end(), "login ok");
    ASSERT_NE(login, lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), login, is_probe_request), 0) << "nothing went out ahead of the login";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), is_probe_request), 2) << "each request went out exactly once";
}

TEST(EngineScenario, DroppedServerReconnectsAndResendsPendingRequests)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port(), "auto_delay=40"));
    engine.start();
    const int up = engine.wait_state(1);
    ASSERT_GE(up, 0);
    B2CService& svc = B2CService::instance();

    // A request whose context is released while it waits is not sent again.
    auto released = std::make_unique<TestContext>();
    auto orphan = std::make_shared<ProbeClient>(*released->context, kProbeSilent, std::vector<uint8_t>{});
    const uint16_t orphan_id = svc.send(orphan, false);
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, orphan_id)));
    released.reset();

    TestContext pushes, silent;
    auto sub = std::make_shared<ProbeClient>(*pushes.context, kProbePush, std::vector<uint8_t>{5}, 0, 10);
    auto waiting = std::make_shared<ProbeClient>(*silent.context, kProbeSilent, std::vector<uint8_t>{});
    const uint16_t sub_id = svc.send(sub, true);
    const uint16_t wait_id = svc.send(waiting, false);
    ASSERT_GE(engine.wait_for([&](const RecordedReply& r) { return r.ctx == pushes.handle(); }), 0);
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, wait_id)));
    const uint16_t state_id = svc.server_state_request_id();

    server.control("drop");
    const int down = engine.wait_state(0, up + 1);
    ASSERT_GE(down, 0) << "the loss reaches the callback";
    const int again = engine.wait_state(1, down + 1);
    ASSERT_GE(again, 0) << "reconnected and logged in after auto_delay";

    const size_t mark = engine.size();
    ASSERT_GE(engine.wait_for([&](const RecordedReply& r) { return r.ctx == pushes.handle(); }, mark), 0)
        << "pushes resume after the re-send";
    EXPECT_FALSE(svc.is_pending(sub_id));
    EXPECT_FALSE(svc.is_pending(wait_id));
    EXPECT_NE(sub->request_id(), sub_id);
    EXPECT_NE(waiting->request_id(), wait_id);
    EXPECT_TRUE(svc.is_pending(sub->request_id()));
    EXPECT_TRUE(svc.is_pending(waiting->request_id())) << "an unanswered request stays pending under its new id";
    EXPECT_TRUE(server.wait_line(request_line(kProbeCommand, waiting->request_id())));
    EXPECT_NE(svc.server_state_request_id(), state_id) << "the server-state subscription is renewed";
    // The orphan's old id was the lowest, so a wrong re-send would have gone
    // out before the others.
    const std::vector<std::string> lines = server.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), is_probe_request), 5)
        << "three requests before the drop, two re-sent after it";
    EXPECT_FALSE(svc.is_pending(orphan_id));
}

// A probe whose re-send after a login is cancelled from inside its own
// build, i.e. after the engine gave it its new id and before it went out.
class CancelledOnResend : public ProbeClient {
public:
    using ProbeClient::ProbeClient;
    std::weak_ptr<IB2CClient> self;
    std::atomic<int> builds{0};

protected:
    // Sending thread (the loop thread for the re-send).
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override
    {
        if (builds.fetch_add(1) == 1)
            engine()->cancel_client(self.lock());
        return ProbeClient::build_body(header, context);
    }
};

TEST(EngineScenario, ACancelDuringTheResendAfterALoginIsHonoured)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port(), "auto_delay=40"));
    engine.start();
    const int up = engine.wait_state(1);
    ASSERT_GE(up, 0);
    B2CService& svc = B2CService::instance();

    TestContext cancelled_ctx, witness_ctx;
    auto cancelled = std::make_shared<CancelledOnResend>(*cancelled_ctx.context, kProbeSilent, std::vector<uint8_t>{});
    cancelled->self = cancelled;
    auto witness = std::make_shared<ProbeClient>(*witness_ctx.context, kProbeSilent, std::vector<uint8_t>{});
    const uint16_t cancelled_id = svc.send(cancelled, true);
    const uint16_t witness_id = svc.send(witness, false);
    ASSERT_LT(cancelled_id, witness_id) << "re-sends go in the order of the old ids";
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, cancelled_id)));
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, witness_id)));

    server.control("drop");
    const int down = engine.wait_state(0, up + 1);
    ASSERT_GE(down, 0);
    ASSERT_GE(engine.wait_state(1, down + 1), 0);
    // The witness is re-sent after the cancelled one, on the same thread: the
    // next probe request the server sees is the witness's.
    std::string next;
    ASSERT_TRUE(server.wait_for(is_probe_request, &next));
    EXPECT_EQ(next, request_line(kProbeCommand, witness->request_id()));
    EXPECT_NE(witness->request_id(), witness_id);
    EXPECT_EQ(cancelled->builds.load(), 2);
    EXPECT_FALSE(svc.is_pending(cancelled->request_id())) << "the cancel found the request under its new id";
    EXPECT_TRUE(svc.is_pending(witness->request_id()));
    const std::vector<std::string> lines = server.lines();
    const auto relogin = std::find(std::find(lines.begin(), lines.end(), "login ok") + 1, lines.end(), "login ok");
    ASSERT_NE(relogin, lines.end());
    EXPECT_EQ(std::count_if(relogin, lines.end(), is_probe_request), 1) << "only the witness went out again";
}

TEST(EngineScenario, AutoDelayZeroNeverReconnects)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port(), "auto_delay=0"));
    engine.start();
    const int up = engine.wait_state(1);
    ASSERT_GE(up, 0);
    ASSERT_TRUE(server.wait_line("open"));
    server.control("drop");
    ASSERT_GE(engine.wait_state(0, up + 1), 0);
    EXPECT_FALSE(
        server.wait_for([](const std::string& l) { return l == "open"; }, nullptr, std::chrono::milliseconds(300)))
        << "no reconnect with auto_delay 0";
}

TEST(EngineScenario, DateChangeClosesAndReconnects)
{
    RUN_IN_OWN_PROCESS();
    // Worked out before the engine thread starts converting dates itself.
    const int64_t new_day = yyyymmdd_seconds(2030, 1, 2);
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port(), "auto_delay=40"));
    engine.start();
    const int up = engine.wait_state(1);
    ASSERT_GE(up, 0);
    ASSERT_GE(engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_MARKET_STATE; }), 0);

    server.control("state 1 3");  // same dates: no reconnect
    ASSERT_TRUE(server.wait_line("pushed"));
    server.control("date 1 20300102");
    const int moved = engine.wait_for([new_day](const RecordedReply& r) {
        return r.kind == QUOTE_REPLY_MARKET_STATE && !r.markets.empty() && r.markets[0].date == new_day;
    });
    ASSERT_GE(moved, 0) << "expected the new date as local midnight of 2030-01-02";
    const int down = engine.wait_state(0, up + 1);
    ASSERT_GE(down, 0) << "a date change closes the connection";
    EXPECT_GT(down, moved);
    ASSERT_GE(engine.wait_state(1, down + 1), 0) << "and the session logs in again";
    ASSERT_GE(engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_MARKET_STATE; },
                              static_cast<size_t>(down + 1)),
              0)
        << "the server-state subscription starts afresh";

    int downs = 0;
    for (const RecordedReply& r : engine.replies())
        downs += r.kind == QUOTE_REPLY_SERVER && r.state == 0;
    EXPECT_EQ(downs, 1) << "only the date change dropped the connection";
}

TEST(EngineScenario, CodeTableIsFetchedOnceAcrossReconnects)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port(), "auto_delay=40"), 0);
    engine.start();
    const int table = engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_CODE_TABLE; });
    ASSERT_GE(table, 0) << "the engine asks for the code table at start";
    const RecordedReply reply = engine.replies()[table];
    EXPECT_GT(reply.count, 0);
    EXPECT_EQ(reply.ctx, nullptr) << "the engine's own context has no handle";

    const int up = engine.wait_state(1);
    ASSERT_GE(up, 0);
    server.control("drop");
    const int down = engine.wait_state(0, up + 1);
    ASSERT_GE(down, 0);
    ASSERT_GE(engine.wait_state(1, down + 1), 0);
    ASSERT_TRUE(server.wait_prefix("request 0x03"));  // first subscription
    ASSERT_TRUE(server.wait_prefix("request 0x03"));  // renewed after the reconnect
    const std::vector<std::string> lines = server.lines();
    EXPECT_EQ(count_starting(lines, "request 0x05"), 1)
        << "an answered one-shot request is not repeated after a reconnect";
}

TEST(EngineScenario, ShutdownFromAnotherThreadEndsRunAndRepeatsAsNoOp)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    ASSERT_NO_FATAL_FAILURE(start_connected(engine));

    std::thread other([] { quote_engine_shutdown(); });
    other.join();
    ASSERT_TRUE(engine.wait_returned()) << "quote_engine_run returns after the shutdown";
    EXPECT_EQ(engine.result(), 1);
    EXPECT_TRUE(server.wait_line("closed")) << "the connection was closed before the loop stopped";

    quote_engine_shutdown();  // a second shutdown does nothing
    EngineRecorder late(url_for(server.port()));
    EXPECT_EQ(quote_engine_run(late.config(), &EngineRecorder::callback), 0) << "no restart after a shutdown";
}

TEST(EngineScenario, ShutdownFromTheResultCallback)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    engine.set_on_reply([](const QuoteReply& r) {
        if (r.kind == QUOTE_REPLY_SERVER && static_cast<const QuoteServerState*>(r.data)->state == 1)
            quote_engine_shutdown();
    });
    engine.start();
    ASSERT_TRUE(engine.wait_returned());
    EXPECT_EQ(engine.result(), 1);
}

TEST(EngineScenario, BadConfigurationsAreRefusedBeforeAnyThreadStarts)
{
    RUN_IN_OWN_PROCESS();
    const std::vector<std::string> bad = {
        "tcp://127.0.0.1/?auto_delay=10",             // no port
        "tcp://127.0.0.1:0/",                         // port 0
        "tcp://127.0.0.1:70000/",                     // port out of range
        "tcp://127.0.0.1:9/?auto_delay=soon",         // auto_delay not a number
        "tcp://127.0.0.1:9/?auto_delay=99999999999",  // auto_delay too large
        "tcp://[zz]:9/",                              // URL the parser refuses
        "",
    };
    for (const std::string& url : bad) {
        EngineRecorder engine(url);
        EXPECT_EQ(quote_engine_run(engine.config(), &EngineRecorder::callback), 0) << url;
        const std::vector<RecordedReply> r = engine.replies();
        ASSERT_EQ(r.size(), 1u) << url;
        EXPECT_EQ(r[0].kind, QUOTE_REPLY_SERVER) << url;
        EXPECT_EQ(r[0].state, 0) << url;
    }
    EXPECT_EQ(quote_engine_run(nullptr, &EngineRecorder::callback), 0);

    // The engine is still usable with a good configuration; a negative
    // auto_delay means the default.
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port(), "auto_delay=-5"));
    engine.start();
    ASSERT_GE(engine.wait_state(1), 0);
    EXPECT_EQ(B2CService::instance().session()->connect_info().auto_delay, B2CService::kDefaultAutoDelay);
    EXPECT_EQ(quote_engine_run(engine.config(), &EngineRecorder::callback), 0) << "a second run is refused";
}

TEST(EngineScenario, RepliesOfReleasedContextsAreDroppedAndPushesCancelled)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    ASSERT_NO_FATAL_FAILURE(start_connected(engine));
    B2CService& svc = B2CService::instance();

    // A push subscription whose context is released: the next push finds no
    // client, and the engine tells the server to cancel it.
    auto pushes = std::make_unique<TestContext>();
    quote_ctx* gone_handle = pushes->handle();
    auto sub = std::make_shared<ProbeClient>(*pushes->context, kProbePush, std::vector<uint8_t>{1}, 0, 10);
    const uint16_t sub_id = svc.send(sub, true);
    ASSERT_GE(engine.wait_for([&](const RecordedReply& r) { return r.ctx == gone_handle; }), 0);
    pushes.reset();
    sub.reset();
    EXPECT_TRUE(server.wait_line("cancel " + std::to_string(sub_id)));

    // A reply for a context released before delivery is not delivered: the
    // server holds both answers until the context is gone.
    server.control("hold");
    ASSERT_TRUE(server.wait_line("holding"));
    // Only what comes from now on counts: the released push context's
    // address may be handed out again for the doomed one.
    const size_t from = engine.size();
    auto doomed = std::make_unique<TestContext>();
    quote_ctx* doomed_handle = doomed->handle();
    auto late = std::make_shared<ProbeClient>(*doomed->context, kProbeOnce, std::vector<uint8_t>{3});
    const uint16_t late_id = svc.send(late, false);
    TestContext marker;
    auto after = std::make_shared<ProbeClient>(*marker.context, kProbeOnce, std::vector<uint8_t>{4});
    const uint16_t after_id = svc.send(after, false);
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, late_id)));
    ASSERT_TRUE(server.wait_line(request_line(kProbeCommand, after_id)));
    doomed.reset();
    // Counted before the release: the marker's reply may be in before the
    // next line of this thread runs.
    const size_t mark = engine.size();
    server.control("release");
    ASSERT_GE(engine.wait_for([&](const RecordedReply& r) { return r.ctx == marker.handle(); }, mark), 0);
    const auto replies = engine.replies();
    for (size_t i = from; i < replies.size(); ++i)
        EXPECT_NE(replies[i].ctx, doomed_handle) << "a released context's reply was delivered";
}

// Pushes that were already on their way when the engine cancelled their
// subscription are dropped without a second cancel: the server, holding
// everything sent to it meanwhile, finds one cancel for the id.
TEST(EngineScenario, PushesUnderWayAfterACancelAreNotCancelledAgain)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    EngineRecorder engine(url_for(server.port()));
    ASSERT_NO_FATAL_FAILURE(start_connected(engine));
    B2CService& svc = B2CService::instance();
    TestContext gone_ctx;
    TestContext witness_ctx;
    auto gone = std::make_shared<ProbeClient>(*gone_ctx.context, kProbePush, std::vector<uint8_t>{1}, 0, 5);
    auto witness = std::make_shared<ProbeClient>(*witness_ctx.context, kProbePush, std::vector<uint8_t>{2}, 0, 5);
    const uint16_t gone_id = svc.send(gone, true);
    ASSERT_NE(gone_id, 0);
    ASSERT_NE(svc.send(witness, true), 0);
    const auto of = [](const TestContext& c) {
        return [h = c.handle()](const RecordedReply& r) { return r.kind == kProbeKind && r.ctx == h; };
    };
    ASSERT_TRUE(engine.wait_count(of(gone_ctx), 2));

    server.control("hold");
    ASSERT_TRUE(server.wait_line("holding"));
    svc.cancel(gone_id);
    // Both kept pushing every 5 ms: five more witness pushes mean several
    // pushes of the cancelled one came in after the cancel went out.
    const auto replies = engine.replies();
    const size_t seen = static_cast<size_t>(std::count_if(replies.begin(), replies.end(), of(witness_ctx)));
    ASSERT_TRUE(engine.wait_count(of(witness_ctx), seen + 5));
    server.control("release");
    ASSERT_TRUE(server.wait_line("released"));
    ASSERT_TRUE(server.wait_line("cancel " + std::to_string(gone_id)));
    // A request sent now is answered after every held cancel was carried out.
    TestContext marker_ctx;
    auto marker = std::make_shared<ProbeClient>(*marker_ctx.context, kProbeOnce, std::vector<uint8_t>{3});
    ASSERT_NE(svc.send(marker, false), 0);
    ASSERT_TRUE(engine.wait_count(of(marker_ctx), 1));
    EXPECT_EQ(server.count("cancel " + std::to_string(gone_id)), 1u);
}
