// The server side: start rules, the login answer in both forms, data behind the
// answer, stopping, and one bad client among good ones.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>

#include "net_harness.h"

using namespace nettest;

namespace {

using Bytes = std::vector<unsigned char>;

// Reads the 30-byte challenge and returns the answer frame for it, of kind 1
// (38 bytes) or, with an id, of kind 2 (62 bytes), built by hand.
Bytes answerFor(int fd, bool withId)
{
    const Bytes ch = rawRead(fd, 30);
    if (ch.size() != 30)
        return {};
    const unsigned char* key = ch.data() + 6;
    const std::string secret = kSecret;  // 15 bytes: the 16th is challenge byte 16
    Bytes body{0x04};
    for (int i = 0; i < 16; ++i) {
        const unsigned m = i < 15 ? static_cast<unsigned char>(secret[i]) : key[16];
        const unsigned p = m * key[i];
        body.push_back(static_cast<unsigned char>(p >> 8));
        body.push_back(static_cast<unsigned char>(p));
    }
    if (withId) {
        const Bytes id{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
        body.insert(body.end(), id.begin(), id.end());
        for (int i = 0; i < 16; ++i)
            body.push_back(static_cast<unsigned char>(0xA0 + i));
    }
    return frame(body);
}

}  // namespace

TEST(ServerSide, AnswerWithIdAndAFrameInTheSameWrite)
{
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    const int fd = rawConnect(server.port());
    ASSERT_GE(fd, 0);
    Bytes out = answerFor(fd, true);
    ASSERT_EQ(out.size(), 62u);
    const Bytes quote = frame({0x02, 1, 0, 0, 5, 0x0c, 1, 0x00, 0x09, 'h', 'i'});
    out.insert(out.end(), quote.begin(), quote.end());
    ASSERT_TRUE(rawSend(fd, out));
    // The result (-1: the answer verified) and then the echo come back.
    EXPECT_EQ(rawRead(fd, 10), (Bytes{0, 0, 0, 5, 1, 4, 0xFF, 0xFF, 0xFF, 0xFF}));
    int skipped = 0;
    Bytes echo;
    for (;;) {
        Bytes head = rawRead(fd, 5);
        ASSERT_EQ(head.size(), 5u);
        if (head == Bytes{0, 0, 0, 0, 0} && ++skipped < 100)
            continue;
        const Bytes body = rawRead(fd, head[3]);
        echo = head;
        echo.insert(echo.end(), body.begin(), body.end());
        break;
    }
    EXPECT_EQ(echo, quote);
    std::lock_guard<std::mutex> lock(server.w.mutex());
    ASSERT_EQ(server.answerRecords.size(), 1u);
    const _B2CAuthMsg& rec = server.answerRecords[0];
    EXPECT_EQ(rec.kind, B2C_AUTH_ANSWER_ID);
    EXPECT_EQ(rec.id[0], 0x05060708u) << "low word";
    EXPECT_EQ(rec.id[1], 0x01020304u) << "high word";
    EXPECT_EQ(rec.extra[0], 0xA0);
    EXPECT_EQ(rec.extra[15], 0xAF);
    ::close(fd);
}

TEST(ServerSide, PlainAnswerIsDeliveredOnce)
{
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    const int fd = rawConnect(server.port());
    ASSERT_GE(fd, 0);
    const Bytes out = answerFor(fd, false);
    ASSERT_EQ(out.size(), 38u);
    // One byte at a time: nothing is delivered before the frame is complete.
    for (unsigned char b : out)
        ASSERT_TRUE(rawSend(fd, {b}));
    EXPECT_EQ(rawRead(fd, 10), (Bytes{0, 0, 0, 5, 1, 4, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::lock_guard<std::mutex> lock(server.w.mutex());
    ASSERT_EQ(server.answerRecords.size(), 1u);
    EXPECT_EQ(server.answerRecords[0].kind, B2C_AUTH_ANSWER);
    ::close(fd);
}

TEST(ServerSide, StartRules)
{
    LoopThread loop;
    TestServer first(loop.ev());
    ASSERT_TRUE(first.start());
    const uint16_t port = first.port();
    ASSERT_NE(port, 0);
    bool again = false, badPortLow = true, badPortHigh = true, badAddress = true, taken = true, freshAfter = false;
    inLoop(loop.ev(), [&] {
        _B2CServer* s = b2c_server_create(loop.ev());
        badPortLow = b2c_server_start(s, "127.0.0.1", -1);
        badPortHigh = b2c_server_start(s, "127.0.0.1", 70000);
        badAddress = b2c_server_start(s, "not an address", 0);
        taken = b2c_server_start(s, "127.0.0.1", port);    // in use by `first`
        freshAfter = b2c_server_start(s, "127.0.0.1", 0);  // nothing was left half open
        again = b2c_server_start(s, "127.0.0.1", 0);
        b2c_server_release(s);
    });
    EXPECT_FALSE(badPortLow);
    EXPECT_FALSE(badPortHigh);
    EXPECT_FALSE(badAddress);
    EXPECT_FALSE(taken);
    EXPECT_TRUE(freshAfter);
    EXPECT_TRUE(again) << "a second start on a listening server reports true";
}

TEST(ServerSide, StopEndsAcceptingButKeepsConnections)
{
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    const uint16_t port = server.port();
    TestClient client(loop.ev(), port);
    client.connect();
    ASSERT_TRUE(client.w.waitFor([&] { return client.loggedIn; }));
    server.stop();
    EXPECT_LT(rawConnect(port), 0) << "still accepting after stop";
    ASSERT_EQ(client.sendQuote(4, "still here"), 1);
    ASSERT_TRUE(client.w.waitFor([&] { return !client.payloads.empty(); }));
}

TEST(ServerSide, StopAndStartInOneLoopCallbackKeepsListening)
{
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    // Both inside one callback: the first listening session's aborted accept
    // only completes after the second session has started listening.
    bool restarted = false;
    inLoop(loop.ev(), [&] {
        server.stop();  // runs at once on the loop thread
        restarted = server.restart();
    });
    ASSERT_TRUE(restarted);
    const int fd = rawConnect(server.port());
    ASSERT_GE(fd, 0) << "the restarted server does not listen";
    EXPECT_EQ(rawRead(fd, 30).size(), 30u) << "the restarted server does not accept";
    ::close(fd);
}

TEST(ServerSide, BadClientIsClosedOthersGoOn)
{
    ServedClient s;  // a good client beside the bad one
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.logIn());
    const int bad = rawConnect(s.server.port());
    ASSERT_GE(bad, 0);
    ASSERT_EQ(rawRead(bad, 30).size(), 30u);
    ASSERT_TRUE(rawSend(bad, {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1', '\r', '\n'}));
    EXPECT_TRUE(rawWaitClosed(bad)) << "garbage did not close the connection";
    ::close(bad);
    ASSERT_EQ(s.client.sendQuote(5, "unaffected"), 1);
    ASSERT_TRUE(s.client.w.waitFor([&] { return !s.client.payloads.empty(); }));
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.payloads[0], "unaffected");
}

TEST(ServerSide, ZeroLengthDataFrameClosesThatConnectionWithAnError)
{
    ServedClient s;  // a good client beside the bad one
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.logIn());
    const Bytes emptyDataFrame{0, 0, 0, 0, 1};
    // In place of the login answer, and after a good login.
    int refused = 0;
    for (bool loggedIn : {false, true}) {
        SCOPED_TRACE(loggedIn ? "after the login" : "in place of the answer");
        const int closedBefore = [&] {
            std::lock_guard<std::mutex> lock(s.server.w.mutex());
            return s.server.closed;
        }();
        const int fd = rawConnect(s.server.port());
        ASSERT_GE(fd, 0);
        if (loggedIn) {
            ASSERT_TRUE(rawSend(fd, answerFor(fd, false)));
            ASSERT_EQ(rawRead(fd, 10).size(), 10u);
        } else {
            ASSERT_EQ(rawRead(fd, 30).size(), 30u);
        }
        ASSERT_TRUE(rawSend(fd, emptyDataFrame));
        EXPECT_TRUE(rawWaitClosed(fd)) << "the empty data frame did not close the connection";
        ::close(fd);
        ASSERT_TRUE(s.server.w.waitFor([&] { return s.server.closed == closedBefore + 1; }));
        std::lock_guard<std::mutex> lock(s.server.w.mutex());
        ++refused;
        EXPECT_EQ(std::count(s.server.connectionErrors.begin(), s.server.connectionErrors.end(), B2C_ERROR_BAD_INPUT),
                  refused)
            << "the connection's error callback must report the bad input";
    }
    // The other connection goes on.
    ASSERT_EQ(s.client.sendQuote(6, "still fine"), 1);
    ASSERT_TRUE(s.client.w.waitFor([&] { return !s.client.payloads.empty(); }));
}

TEST(ServerSide, IdleLimitClosesAStalledConnectionAndSparesAListeningOne)
{
    // An idle limit of 5 s: long enough that a saturated machine, holding the
    // loop thread back for a while (its timer can then run before the
    // completion of the last heartbeat's write), does not trip it for a
    // reading client. 2 s did, once in eight sanitizer runs at load 25.
    constexpr auto kLimit = std::chrono::milliseconds(5000);
    FastTimers timers(20, static_cast<int>(kLimit.count()), 30);
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    // A client that reads the server's heartbeats (every 30 ms) stays open past the limit.
    const int listening = rawConnect(server.port());
    ASSERT_GE(listening, 0);
    ASSERT_TRUE(rawSend(listening, answerFor(listening, false)));
    ASSERT_EQ(rawRead(listening, 10).size(), 10u);
    const auto until = std::chrono::steady_clock::now() + kLimit * 6 / 5;
    for (int i = 0; std::chrono::steady_clock::now() < until; ++i)
        ASSERT_EQ(rawRead(listening, 5), (Bytes{0, 0, 0, 0, 0})) << "heartbeat " << i;
    {
        std::lock_guard<std::mutex> lock(server.w.mutex());
        EXPECT_EQ(server.closed, 0);
        EXPECT_TRUE(server.errors.empty());
    }
    ::close(listening);
    ASSERT_TRUE(server.w.waitFor([&] { return server.closed == 1; }));
    // A client that stops reading: the server's writes stall and the limit trips.
    const int stalled = rawConnect(server.port());
    ASSERT_GE(stalled, 0);
    ASSERT_TRUE(rawSend(stalled, answerFor(stalled, false)));
    ASSERT_EQ(rawRead(stalled, 10).size(), 10u);
    server.sendBig(400, 64 * 1024);
    ASSERT_TRUE(server.w.waitFor([&] { return server.closed == 2; })) << "stalled connection not dropped";
    std::lock_guard<std::mutex> lock(server.w.mutex());
    ASSERT_EQ(server.errors.size(), 1u);
    EXPECT_EQ(server.errors[0], B2C_ERROR_TIMED_OUT);
    ::close(stalled);
}

TEST(ServerSide, AcceptGoesOnAfterRunningOutOfDescriptors)
{
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    // Leave exactly one descriptor free: the client's socket takes it, so the
    // server's accept fails with EMFILE.
    const int probe = ::dup(0);
    ASSERT_GE(probe, 0);
    ::close(probe);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(probe) + 1;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const int fd = rawConnect(server.port());
    // Give the server time to hit the limit at least once, then lift it.
    const Bytes nothing = rawRead(fd, 30, 300);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(nothing.empty()) << "accepted although no descriptor was free";
    EXPECT_EQ(rawRead(fd, 30).size(), 30u) << "accepting stopped after EMFILE";
    ::close(fd);
}
