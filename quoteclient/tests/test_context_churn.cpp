// Contexts used the way the program's quote models use them all day, against
// the local quote server: one K-line context re-requested over and over, and
// contexts released on one thread while the engine thread delivers to them.
// Both are bounded by counts, not by time.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "b2cservice.h"
#include "context.h"
#include "basicquotereply.h"
#include "enginerecorder.h"
#include "exporthelpers.h"
#include "ownprocess.h"
#include "quote.h"
#include "serverprocess.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string serverUrl(int port)
{
    return "tcp://127.0.0.1:" + std::to_string(port) + "/?auto_delay=50";
}

// The K-line answers of one context: how many carried each code.
class Answers {
public:
    // Engine thread.
    void add(const QuoteReply& r)
    {
        if (r.kind != QUOTE_REPLY_KLINE || !r.data)
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++counts_[static_cast<const QuoteKPoints*>(r.data)->code_info.code];
        }
        cv_.notify_all();
    }
    // Waits (30 s at most: a busy machine is slow) until n answers carried the code.
    bool wait(const std::string& code, size_t n)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(30), [&] { return counts_[code] >= n; });
    }

private:
    std::mutex mutex_;  // guards counts_
    std::condition_variable cv_;
    std::map<std::string, size_t> counts_;
};

size_t countAfter(const std::vector<std::string>& lines, const std::string& mark, const std::string& prefix)
{
    auto it = std::find(lines.begin(), lines.end(), mark);
    size_t n = 0;
    for (; it != lines.end(); ++it)
        n += it->compare(0, prefix.size(), prefix) == 0;
    return n;
}

// A 5-minute K-line context asking for the newest two bars.
quote_ctx* fiveMinuteContext()
{
    quote_ctx* ctx = quote_ctx_create();
    quote_ctx_set_type(ctx, 0);
    quote_ctx_set_peroid(ctx, 35);
    quote_ctx_set_page(ctx, 0, 2);
    return ctx;
}

// A local quote server and a logged-in engine whose K-line answers are counted.
class ContextChurn : public ::testing::Test {
protected:
    void SetUp() override
    {
        SET_UP_IN_OWN_PROCESS();
        ASSERT_GT(server.port(), 0);
        engine = std::make_unique<EngineRecorder>(serverUrl(server.port()));
        engine->set_on_reply([this](const QuoteReply& r) { answers.add(r); });
        engine->start();
        ASSERT_GE(engine->wait_state(1), 0) << "no login";
    }

    QuoteServerProcess server;
    Answers answers;  // before the engine, whose thread fills it until it stops
    std::unique_ptr<EngineRecorder> engine;
};

}  // namespace

// Flipping through codes on one K-line screen: each request replaces the last,
// answered ones leave nothing pending (the ids would run out after 65,535),
// and a new login sends none of them again.
TEST_F(ContextChurn, HundredThousandReRequestsOnOneContext)
{
    RUN_IN_OWN_PROCESS();
    quote_ctx* ctx = fiveMinuteContext();
    // Every 64th request and the last ask for 600000 and wait for the answer,
    // so that the client is alive when it comes; the others are replaced at once.
    const auto waited = entry17("600000", 1);
    const std::array<std::array<char, 17>, 2> others = {entry17("600001", 1), entry17("600002", 1)};
    // More requests than there are request ids; fewer under the sanitizers,
    // which slow each one down many times.
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kRequests = 70000;
#else
    constexpr int kRequests = 100000;
#endif
    constexpr int kEvery = 64;
    size_t waits = 0;
    for (int i = 0; i < kRequests; ++i) {
        const bool wait = i % kEvery == kEvery - 1 || i == kRequests - 1;
        quote_ctx_set_code(ctx, wait ? waited.data() : others[i % 2].data(), 1);
        ASSERT_EQ(quote_ctx_request(ctx), 1) << "request " << i << " was not taken";
        if (!wait)
            continue;
        ASSERT_TRUE(answers.wait("600000", ++waits)) << "no answer to request " << i;
        // Only the engine's own server-state subscription stays pending.
        ASSERT_LE(B2CService::instance().pending_count(), 1u) << "after request " << i;
    }
    EXPECT_LE(B2CService::instance().pending_count(), 1u);

    // The server drops the session; after the new login only the engine's
    // subscription goes out again, then a fresh request is answered.
    const size_t seen = engine->size();
    server.control("drop");
    ASSERT_TRUE(server.wait_line("dropped"));
    ASSERT_GE(engine->wait_state(0, seen), 0);
    ASSERT_GE(engine->wait_state(1, seen), 0) << "no new login";
    ASSERT_TRUE(server.wait_prefix("request 0x03 "));
    ASSERT_TRUE(server.wait_prefix("request 0x03 ")) << "the subscription is sent again";
    const auto marker = entry17("600003", 1);
    quote_ctx_set_code(ctx, marker.data(), 1);
    B2CService::instance().set_request_counter(40000);  // the marker goes out as 40001
    ASSERT_EQ(quote_ctx_request(ctx), 1);
    ASSERT_TRUE(answers.wait("600003", 1));
    // The server's log trails its answers, and id 40001 went out before the
    // drop too: wait for the marker's line after the drop.
    ASSERT_TRUE(server.wait_lines([](const std::vector<std::string>& lines) {
        const auto dropped = std::find(lines.begin(), lines.end(), "dropped");
        return std::find(dropped, lines.end(), "request 0x44 40001") != lines.end();
    }));
    EXPECT_EQ(countAfter(server.lines(), "dropped", "request 0x44 "), 1u) << "answered requests went out again";
    quote_ctx_release(ctx);
}

// The program releases contexts on the GUI thread while the engine thread
// delivers to them. A delivery under way keeps a valid handle whose getters
// answer (the user data as set, or 0); release never waits for it.
TEST(ContextRelease, RacingDeliveries)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine(serverUrl(server.port()));
    constexpr intptr_t kWord = static_cast<intptr_t>(0x5eed0000abcdLL);
    std::atomic<quote_ctx*> target{nullptr};      // the handle the next delivery holds up
    std::atomic<quote_ctx*> delivering{nullptr};  // set by that delivery once it runs
    std::atomic<quote_ctx*> released{nullptr};    // set once release has returned
    std::atomic<int> wrong{0};                    // getters that answered neither kWord nor 0
    std::atomic<int> waited{0};                   // deliveries that saw release wait for them
    std::atomic<int> delivered{0};
    engine.set_on_reply([&](const QuoteReply& r) {
        if (!r.ctx)
            return;
        quote_ctx* const ctx = r.ctx;
        if (ctx == target.load()) {
            // Hold this delivery until the other thread's release has returned.
            delivering.store(ctx);
            const auto until = Clock::now() + std::chrono::seconds(5);
            while (released.load() != ctx && Clock::now() < until)
                std::this_thread::yield();
            if (released.load() != ctx)
                ++waited;
            target.store(nullptr);
        }
        const intptr_t word = quote_ctx_get_user_data(ctx);
        if (word != kWord && word != 0)
            ++wrong;
        if (quote_ctx_get_page_first_no(ctx) != 0)
            ++wrong;
        ++delivered;
    });
    engine.start();
    ASSERT_GE(engine.wait_state(1), 0) << "no login";
    const auto code = entry17("600000", 1);
    const auto make = [&](int period) {
        quote_ctx* ctx = quote_ctx_create();
        quote_ctx_set_user_data(ctx, kWord);
        quote_ctx_set_type(ctx, 0);
        quote_ctx_set_peroid(ctx, static_cast<uint8_t>(period));
        quote_ctx_set_page(ctx, 0, 2);
        quote_ctx_set_code(ctx, code.data(), 1);
        return ctx;
    };

    // Each round: the callback holds its context's answer while this thread
    // releases the context.
    for (int round = 0; round < 200; ++round) {
        quote_ctx* ctx = make(35);
        delivering.store(nullptr);
        released.store(nullptr);
        target.store(ctx);
        ASSERT_EQ(quote_ctx_request(ctx), 1);
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (delivering.load() != ctx && Clock::now() < until)
            std::this_thread::yield();
        ASSERT_EQ(delivering.load(), ctx) << "round " << round << ": no answer";
        quote_ctx_release(ctx);
        released.store(ctx);
        while (target.load() != nullptr && Clock::now() < until)
            std::this_thread::yield();
        ASSERT_EQ(target.load(), nullptr) << "round " << round << ": the delivery did not finish";
    }
    EXPECT_EQ(waited.load(), 0) << "release waited for a delivery";

    // Four threads churn contexts (K-line answers and subscribed lists) and
    // release them at once or after a first answer may have come.
    std::vector<std::thread> churn;
    for (int t = 0; t < 4; ++t) {
        churn.emplace_back([&make, t] {
            for (int i = 0; i < 500; ++i) {
                quote_ctx* ctx = make(i % 2 == 0 ? 35 : 30);
                if ((i + t) % 3 == 0)
                    quote_ctx_subscribe(ctx);
                else
                    quote_ctx_request(ctx);
                if (i % 4 == 0)
                    std::this_thread::yield();
                quote_ctx_release(ctx);
            }
        });
    }
    for (std::thread& t : churn)
        t.join();
    EXPECT_EQ(wrong.load(), 0) << "a getter read something other than the user data or 0";
    EXPECT_GE(delivered.load(), 200);
}

namespace {

// A reply whose parsing waits until the test lets it go, as a large answer
// keeps the engine thread parsing while the caller releases the context.
class HeldReply : public BasicQuoteReply {
public:
    static constexpr uint16_t kKind = 201;
    HeldReply(std::weak_ptr<ContextBase> context, std::atomic<int>* stage) : stage_(stage)
    {
        set_context(std::move(context));
    }
    void process() override
    {
        int fresh = 0;
        stage_->compare_exchange_strong(fresh, 1);  // a stage already at 2 goes straight on
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (stage_->load() != 2 && Clock::now() < until)
            std::this_thread::yield();
        reply_.kind = kKind;
    }

private:
    std::atomic<int>* stage_;
};

}  // namespace

// A context released while its reply is being parsed gets no callback; one
// that stays alive gets it.
TEST(ContextRelease, ReplyParsedWhileTheContextIsReleasedIsDropped)
{
    RUN_IN_OWN_PROCESS();
    EngineRecorder engine("tcp://127.0.0.1:1/?auto_delay=0");
    engine.start();
    for (const bool release : {true, false, true}) {
        SCOPED_TRACE(release ? "released" : "kept");
        quote_ctx* ctx = quote_ctx_create();
        std::weak_ptr<ContextBase> context = ctx->lock();
        std::atomic<int> stage{0};
        const size_t before = engine.size();
        B2CService::instance().post(std::make_shared<HeldReply>(context, &stage));
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (stage.load() != 1 && Clock::now() < until)
            std::this_thread::yield();
        ASSERT_EQ(stage.load(), 1) << "the engine did not take the reply";
        if (release)
            quote_ctx_release(ctx);
        stage.store(2);
        // A reply of a live context queued behind it shows the first was handled.
        quote_ctx* marker = quote_ctx_create();
        std::atomic<int> go{2};
        B2CService::instance().post(std::make_shared<HeldReply>(marker->lock(), &go));
        ASSERT_GE(engine.wait_for([marker](const RecordedReply& r) { return r.ctx == marker; }, before), 0);
        size_t reached = 0;
        const std::vector<RecordedReply> replies = engine.replies();
        for (size_t i = before; i < replies.size(); ++i)
            reached += replies[i].ctx == ctx && replies[i].kind == HeldReply::kKind;
        EXPECT_EQ(reached, release ? 0u : 1u);
        if (!release)
            quote_ctx_release(ctx);
        quote_ctx_release(marker);
    }
}

// Ids come round again: once a context's request is answered, its id may go
// to another context's request, which that context's cancel leaves running.
TEST_F(ContextChurn, CancelLeavesAnIdTakenByAnotherRequestAlone)
{
    RUN_IN_OWN_PROCESS();
    quote_ctx* once = fiveMinuteContext();
    const auto shanghai0 = entry17("600000", 1);
    quote_ctx_set_code(once, shanghai0.data(), 1);
    ASSERT_EQ(quote_ctx_request(once), 1);
    ASSERT_TRUE(answers.wait("600000", 1));
    std::string line;
    ASSERT_TRUE(server.wait_prefix("request 0x44 ", &line));
    const std::string id = line.substr(std::strlen("request 0x44 "));

    // The next request takes the same id: a list the server pushes every 100 ms.
    B2CService::instance().set_request_counter(static_cast<uint16_t>(std::stoi(id) - 1));
    quote_ctx* list = quote_ctx_create();
    quote_ctx_set_type(list, 0);
    quote_ctx_set_peroid(list, 30);
    const auto shanghai1 = entry17("600001", 1);
    quote_ctx_set_code(list, shanghai1.data(), 1);
    ASSERT_EQ(quote_ctx_subscribe(list), 1);
    ASSERT_TRUE(server.wait_line("request 0x20 " + id)) << "the id came round again";
    const auto rows = [list](const RecordedReply& r) { return r.ctx == list && r.kind == QUOTE_REPLY_REALTIME; };
    ASSERT_TRUE(engine->wait_count(rows, 2)) << "the first answer and a push";

    ASSERT_EQ(quote_ctx_cancel(once), 1);
    EXPECT_TRUE(engine->wait_count(rows, 4)) << "the list still pushes after the other context's cancel";
    EXPECT_LE(server.count("cancel " + id), 1u) << "at most the answered one-shot's own end";
    for (quote_ctx* ctx : {once, list})
        quote_ctx_release(ctx);
}
