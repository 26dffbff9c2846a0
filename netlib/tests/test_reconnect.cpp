// Client connection against the library's own server on 127.0.0.1: login,
// frames both ways, reconnect after a dropped server, sends around closes and
// reconnects, and the connect/delayed-connect rules.
#include <gtest/gtest.h>

#include "connectionimpl.h"
#include "net_harness.h"

using namespace nettest;

namespace {

bool waitLoggedIn(TestClient& c, int logins)
{
    return c.w.waitFor([&] { return c.logins >= logins && c.loggedIn; });
}

}  // namespace

TEST(ClientConnection, LogsInAndExchangesFramesOnTheLoopThread)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.logIn()) << "no login within the deadline";
    ASSERT_EQ(s.client.sendQuote(7, "hello"), 1);
    ASSERT_EQ(s.client.sendQuote(8, "world"), 1);
    ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.payloads.size() == 2; }));
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.payloads, (std::vector<std::string>{"hello", "world"}));
    EXPECT_EQ(s.client.requestIds, (std::vector<uint16_t>{7, 8}));
    for (int tid : s.client.callbackTids)
        EXPECT_EQ(tid, s.loop.tid()) << "a callback ran off the loop thread";
}

TEST(ClientConnection, ReconnectsAfterTheServerGoes200Times)
{
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
        if (cycle == 1)
            client.connect();
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

TEST(ClientConnection, SendWhileClosedFailsAndEarlySendFollowsTheAnswer)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    EXPECT_EQ(s.client.sendQuote(1, "too early"), 0) << "a send while not open must report failure";
    // Send from the open notification, before the challenge is even answered.
    s.client.whenOpen = [](TestClient& c) { c.sendQuote(2, "before answer"); };
    s.client.connect();
    ASSERT_TRUE(s.server.w.waitFor([&] { return s.server.quotes == 1; }));
    std::lock_guard<std::mutex> lock(s.server.w.mutex());
    ASSERT_EQ(s.server.kinds.size(), 2u);
    EXPECT_EQ(s.server.kinds[0], B2C_MESSAGE_AUTH) << "the login answer must be the first frame";
    EXPECT_EQ(s.server.kinds[1], B2C_MESSAGE_QUOTE);
}

TEST(ClientConnection, FrameSentAcrossACloseDoesNotBlockTheNextSession)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.logIn());
    // The close is queued first; the send, accepted while still open, reaches
    // the loop after it and must be dropped with its session.
    inLoop(s.loop.ev(), [] {});
    b2c_connection_close(s.client.conn());
    s.client.sendQuote(1, "stale");
    ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.closed == 1; }));
    s.client.connect();
    ASSERT_TRUE(s.waitLoggedIn(2)) << "login after a close with a racing send failed";
    ASSERT_EQ(s.client.sendQuote(2, "fresh"), 1);
    ASSERT_TRUE(s.client.w.waitFor([&] { return !s.client.payloads.empty(); }));
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.payloads, (std::vector<std::string>{"fresh"}));
}

TEST(ClientConnection, CloseCallsOnConnectionOnceAndCloseWhenClosedNothing)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.logIn());
    b2c_connection_close(s.client.conn());
    ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.closed == 1 && !s.client.errors.empty(); }));
    b2c_connection_close(s.client.conn());
    inLoop(s.loop.ev(), [] {});
    inLoop(s.loop.ev(), [] {});
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.closed, 1);
    EXPECT_EQ(s.client.errors.size(), 1u) << "one error for the aborted read, none for the second close";
    EXPECT_EQ(b2c_connection_is_open(s.client.conn()), 0);
}

TEST(ClientConnection, ConnectOnAnOpenConnectionClosesItFirst)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.logIn());
    s.client.connect();
    ASSERT_TRUE(s.waitLoggedIn(2));
    ASSERT_TRUE(s.server.w.waitFor([&] { return s.server.closed == 1; })) << "the first server side must see a close";
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.states, (std::vector<std::string>{"open", "login", "closed", "open", "login"}));
}

TEST(ClientConnection, DelayedConnectRules)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    // A second delayed connect while one is pending changes nothing.
    EXPECT_EQ(b2c_connection_delay_connect(s.client.conn(), "127.0.0.1", s.server.port(), 100000), 1);
    EXPECT_EQ(b2c_connection_delay_connect(s.client.conn(), "127.0.0.1", s.server.port(), 1), 0);
    // A connect cancels the pending delay: exactly one attempt follows.
    ASSERT_TRUE(s.logIn());
    // Once the pending one is gone a new delayed connect may be armed.
    EXPECT_EQ(b2c_connection_delay_connect(s.client.conn(), "127.0.0.1", s.server.port(), 100000), 1);
    s.client.connect();  // cancels it again (and reconnects)
    ASSERT_TRUE(s.waitLoggedIn(2));
    {
        std::lock_guard<std::mutex> lock(s.server.w.mutex());
        EXPECT_EQ(s.server.accepted, 2);
    }
}

TEST(ClientConnection, ConnectFromAnotherThreadEndsAPendingDelayAtOnce)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    const std::weak_ptr<b2c::ConnectionImpl> obj = s.client.conn()->impl;
    EXPECT_EQ(b2c_connection_delay_connect(s.client.conn(), "127.0.0.1", s.server.port(), 1000000), 1);
    inLoop(s.loop.ev(), [] {});  // the wait is armed
    s.client.connect();          // from this thread: cancels the pending wait, not just its effect
    ASSERT_TRUE(s.waitLoggedIn(1));
    s.client.release();
    // With the wait cancelled nothing holds the connection any more: it goes
    // as soon as the loop has run the completions of the close.
    bool gone = false;
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!gone && std::chrono::steady_clock::now() < end) {
        inLoop(s.loop.ev(), [] {});
        gone = obj.expired();
    }
    EXPECT_TRUE(gone) << "the cancelled delayed connect still holds the connection";
}

TEST(ClientConnection, FailedConnectReportsErrorThenNotOpen)
{
    RefusingPort refusing;
    ASSERT_NE(refusing.port, 0);
    const uint16_t port = refusing.port;
    LoopThread loop;
    TestClient client(loop.ev(), port);
    client.connect();
    ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1; }));
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.opened, 0);
    ASSERT_EQ(client.errors.size(), 1u);
    EXPECT_EQ(client.errors[0], ECONNREFUSED);
}

TEST(ClientConnection, BadHostReportsResolveError)
{
    LoopThread loop;
    TestClient client(loop.ev(), 1);
    // The lookup must fail without any query leaving the machine: the name is
    // not in the hosts file, and the system resolver refuses to encode a DNS
    // label longer than 63 bytes, so it fails before sending anything. The
    // reserved ".invalid" suffix is a second guard should a resolver try anyway.
    const std::string host = std::string(70, 'a') + ".invalid";
    b2c_connection_connect(client.conn(), host.c_str(), 1);
    ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1; }));
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.opened, 0);
    EXPECT_EQ(client.errors.size(), 1u);
}

TEST(ClientConnection, ThrowingOrMissingCallbackIsReportedNotFatal)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    // An on_connection that throws (a C++ caller's callback) reaches on_error.
    b2c_connection_on_connection(
        s.client.conn(), [](void*, _B2CConnection*) -> int { throw std::runtime_error("boom"); }, nullptr);
    ASSERT_TRUE(s.logIn());
    // A message with no message callback set is reported, not a crash.
    b2c_connection_on_message(s.client.conn(), nullptr, nullptr);
    ASSERT_EQ(s.client.sendQuote(3, "echo"), 1);
    ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.errors.size() >= 2; }));
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.errors[0], B2C_ERROR_CALLBACK);
    EXPECT_EQ(s.client.errors[1], B2C_ERROR_CALLBACK);
}

TEST(ClientConnection, UserWordHoldsAnAddress)
{
    LoopThread loop;
    TestClient client(loop.ev(), 1);
    int anchor = 0;
    const intptr_t word = reinterpret_cast<intptr_t>(&anchor);
    EXPECT_EQ(b2c_connection_set_ud(client.conn(), word), word);
    EXPECT_EQ(b2c_connection_get_ud(client.conn()), word);
}

TEST(ClientConnection, RefusedLoginClosesAndRetriesAfterTheDelay)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    s.server.result = 0;  // anything but -1 refuses; read on the loop once an answer arrives
    s.client.reconnectDelayMs = 1;
    s.client.connect();
    ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.closed >= 3; })) << "refused sessions were not retried";
    s.client.reconnectDelayMs = 0;
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.logins, 0);
}

TEST(ClientConnection, ReleasingTheEventBeforeAnOpenConnectionIsSafe)
{
    auto loop = std::make_unique<LoopThread>();
    TestServer server(loop->ev());
    ASSERT_TRUE(server.start());
    TestClient client(loop->ev(), server.port());
    client.connect();
    ASSERT_TRUE(waitLoggedIn(client, 1));
    // As at shutdown: stop the loop, queue a close and a send, drop the event;
    // the connection handle goes last (the client's destructor).
    loop->stop();
    b2c_connection_close(client.conn());
    client.sendQuote(1, "never sent");
    server.release();  // the loop is stopped: done on this thread
    loop.reset();
    EXPECT_EQ(b2c_connection_is_open(client.conn()), 1) << "the queued close never ran";
}

TEST(ClientConnection, SendRefusesAnEmptyRawStreamAndABodyOverTheCap)
{
    ServedClient s;
    ASSERT_TRUE(s.started);
    ASSERT_TRUE(s.logIn());
    // An empty raw stream would be an empty data frame, which receivers refuse.
    EXPECT_EQ(s.client.sendRaw(""), 0) << "an empty raw stream was queued";
    // A quote message whose 9 header bytes and payload pass 64 MiB.
    const std::string huge((64u << 20) - 8, 'z');
    EXPECT_EQ(s.client.sendQuote(1, huge), 0) << "a body over 64 MiB was queued";
    // The connection goes on as before.
    ASSERT_EQ(s.client.sendQuote(2, "still here"), 1);
    ASSERT_TRUE(s.client.w.waitFor([&] { return !s.client.payloads.empty(); }));
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.payloads, (std::vector<std::string>{"still here"}));
    EXPECT_TRUE(s.client.errors.empty());
}
