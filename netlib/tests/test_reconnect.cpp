// Client connection against the library's own server on 127.0.0.1: login,
// frames both ways, reconnect after a dropped server, sends around closes and
// reconnects, and the connect/delayed-connect rules.
#include <gtest/gtest.h>

#include "net_harness.h"

using namespace nettest;

namespace {

bool waitLoggedIn(TestClient& c, int logins) {
    return c.w.waitFor([&] { return c.logins >= logins && c.loggedIn; });
}

}  // namespace

TEST(ClientConnection, LogsInAndExchangesFramesOnTheLoopThread) {
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop.ev(), server.port());
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 1)) << "no login within the deadline";
    ASSERT_EQ(client.sendQuote(7, "hello"), 1);
    ASSERT_EQ(client.sendQuote(8, "world"), 1);
    ASSERT_TRUE(client.w.waitFor([&] { return client.payloads.size() == 2; }));
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.payloads, (std::vector<std::string>{"hello", "world"}));
    EXPECT_EQ(client.requestIds, (std::vector<uint16_t>{7, 8}));
    for (int tid : client.callbackTids) EXPECT_EQ(tid, loop.tid()) << "a callback ran off the loop thread";
}

TEST(ClientConnection, ReconnectsAfterTheServerGoes200Times) {
    LoopThread loop;
    TestServer first(loop.ev());
    ASSERT_TRUE(first.start());
    const uint16_t port = first.port();
    first.release();
    TestClient client(loop.ev(), port);
    client.reconnectDelayMs = 1;
    for (int cycle = 1; cycle <= 200; ++cycle) {
        TestServer server(loop.ev());
        ASSERT_TRUE(server.start(port)) << "cycle " << cycle << ": port not reusable";
        if (cycle == 1) client.connect();
        ASSERT_TRUE(waitLoggedIn(client, cycle)) << "cycle " << cycle << ": no login";
        const std::string text = "cycle " + std::to_string(cycle);
        ASSERT_EQ(client.sendQuote(static_cast<uint16_t>(cycle), text), 1);
        ASSERT_TRUE(client.w.waitFor([&] { return !client.payloads.empty() && client.payloads.back() == text; }))
            << "cycle " << cycle << ": no echo";
        server.release();  // closes the client's connection
        ASSERT_TRUE(client.w.waitFor([&] { return !client.loggedIn; })) << "cycle " << cycle << ": close not seen";
    }
    client.reconnectDelayMs = 0;
}

TEST(ClientConnection, SendWhileClosedFailsAndEarlySendFollowsTheAnswer) {
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop.ev(), server.port());
    EXPECT_EQ(client.sendQuote(1, "too early"), 0) << "a send while not open must report failure";
    // Send from the open notification, before the challenge is even answered.
    struct Ctx {
        TestClient* client;
    } ctx{&client};
    b2c_connection_on_connection(
        client.conn(),
        [](void* user, _B2CConnection* conn) {
            if (b2c_connection_is_open(conn)) static_cast<Ctx*>(user)->client->sendQuote(2, "before answer");
            return 0;
        },
        &ctx);
    client.connect();
    ASSERT_TRUE(server.w.waitFor([&] { return server.quotes == 1; }));
    std::lock_guard<std::mutex> lock(server.w.mutex());
    ASSERT_EQ(server.kinds.size(), 2u);
    EXPECT_EQ(server.kinds[0], B2C_MESSAGE_AUTH) << "the login answer must be the first frame";
    EXPECT_EQ(server.kinds[1], B2C_MESSAGE_QUOTE);
}

TEST(ClientConnection, FrameSentAcrossACloseDoesNotBlockTheNextSession) {
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop.ev(), server.port());
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 1));
    // The close is queued first; the send, accepted while still open, reaches
    // the loop after it and must be dropped with its session.
    inLoop(loop.ev(), [] {});
    b2c_connection_close(client.conn());
    client.sendQuote(1, "stale");
    ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1; }));
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 2)) << "login after a close with a racing send failed";
    ASSERT_EQ(client.sendQuote(2, "fresh"), 1);
    ASSERT_TRUE(client.w.waitFor([&] { return !client.payloads.empty(); }));
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.payloads, (std::vector<std::string>{"fresh"}));
}

TEST(ClientConnection, CloseCallsOnConnectionOnceAndCloseWhenClosedNothing) {
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop.ev(), server.port());
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 1));
    b2c_connection_close(client.conn());
    ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1 && !client.errors.empty(); }));
    b2c_connection_close(client.conn());
    inLoop(loop.ev(), [] {});
    inLoop(loop.ev(), [] {});
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.closed, 1);
    EXPECT_EQ(client.errors.size(), 1u) << "one error for the aborted read, none for the second close";
    EXPECT_EQ(b2c_connection_is_open(client.conn()), 0);
}

TEST(ClientConnection, ConnectOnAnOpenConnectionClosesItFirst) {
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop.ev(), server.port());
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 1));
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 2));
    ASSERT_TRUE(server.w.waitFor([&] { return server.closed == 1; })) << "the first server side must see a close";
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.states, (std::vector<std::string>{"open", "login", "closed", "open", "login"}));
}

TEST(ClientConnection, DelayedConnectRules) {
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop.ev(), server.port());
    // A second delayed connect while one is pending changes nothing.
    EXPECT_EQ(b2c_connection_delay_connect(client.conn(), "127.0.0.1", server.port(), 100000), 1);
    EXPECT_EQ(b2c_connection_delay_connect(client.conn(), "127.0.0.1", server.port(), 1), 0);
    // A connect cancels the pending delay: exactly one attempt follows.
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 1));
    // Once the pending one is gone a new delayed connect may be armed.
    EXPECT_EQ(b2c_connection_delay_connect(client.conn(), "127.0.0.1", server.port(), 100000), 1);
    client.connect();  // cancels it again (and reconnects)
    ASSERT_TRUE(waitLoggedIn(client, 2));
    {
        std::lock_guard<std::mutex> lock(server.w.mutex());
        EXPECT_EQ(server.accepted, 2);
    }
}

TEST(ClientConnection, FailedConnectReportsErrorThenNotOpen) {
    LoopThread loop;
    TestClient client(loop.ev(), 1);
    b2c_connection_connect(client.conn(), "127.0.0.1", 1);  // nothing listens on port 1 here
    ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1; }));
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.opened, 0);
    ASSERT_EQ(client.errors.size(), 1u);
    EXPECT_EQ(client.errors[0], ECONNREFUSED);
}

TEST(ClientConnection, BadHostReportsResolveError) {
    LoopThread loop;
    TestClient client(loop.ev(), 1);
    b2c_connection_connect(client.conn(), "no such host.invalid", 1);
    ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1; }));
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.opened, 0);
    EXPECT_EQ(client.errors.size(), 1u);
}

TEST(ClientConnection, ThrowingOrMissingCallbackIsReportedNotFatal) {
    LoopThread loop;
    TestServer server(loop.ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop.ev(), server.port());
    // An on_connection that throws (a C++ caller's callback) reaches on_error.
    b2c_connection_on_connection(
        client.conn(), [](void*, _B2CConnection*) -> int { throw std::runtime_error("boom"); }, nullptr);
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 1));
    // A message with no message callback set is reported, not a crash.
    b2c_connection_on_message(client.conn(), nullptr, nullptr);
    ASSERT_EQ(client.sendQuote(3, "echo"), 1);
    ASSERT_TRUE(client.w.waitFor([&] { return client.errors.size() >= 2; }));
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.errors[0], B2C_ERROR_CALLBACK);
    EXPECT_EQ(client.errors[1], B2C_ERROR_CALLBACK);
}

TEST(ClientConnection, UserWordHoldsAnAddress) {
    LoopThread loop;
    TestClient client(loop.ev(), 1);
    int anchor = 0;
    const intptr_t word = reinterpret_cast<intptr_t>(&anchor);
    EXPECT_EQ(b2c_connection_set_ud(client.conn(), word), word);
    EXPECT_EQ(b2c_connection_get_ud(client.conn()), word);
}
