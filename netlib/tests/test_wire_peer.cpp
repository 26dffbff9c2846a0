// Client connection against a raw socket peer: the exact bytes of the login
// answer, data frames and heartbeats; bad input from the peer; the idle limit.
#include <gtest/gtest.h>

#include <thread>

#include "connectionimpl.h"
#include "net_harness.h"

using namespace nettest;

namespace {

using Bytes = std::vector<unsigned char>;

// Reads frames until a data frame arrives; counts the heartbeats before it.
Bytes readDataFrame(int fd, int* heartbeats)
{
    for (;;) {
        Bytes head = rawRead(fd, 5);
        if (head.size() != 5)
            return {};
        const uint32_t len = (uint32_t{head[0]} << 24) | (uint32_t{head[1]} << 16) | (uint32_t{head[2]} << 8) | head[3];
        if (head[4] == 0 && len == 0) {
            if (heartbeats)
                ++*heartbeats;
            continue;
        }
        Bytes body = rawRead(fd, len);
        head.insert(head.end(), body.begin(), body.end());
        return head;
    }
}

// The header of the 38-byte login answer: length 33, type 1, kind 0x04.
const Bytes kAnswerHead{0, 0, 0, 33, 1, 4};

// A client on its own loop thread connected to a raw socket peer, taken
// step by step through the login exchange.
struct RawSession {
    LoopThread loop;
    RawListener peer;
    TestClient client{loop.ev(), peer.port()};
    int fd = -1;

    ~RawSession()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Connects and accepts the client's socket; true once the client saw it open.
    bool open()
    {
        client.connect();
        fd = peer.accept();
        return fd >= 0 && client.w.waitFor([&] { return client.opened == 1; });
    }
    // Sends a challenge with key bytes 1..24 and reads the 38-byte answer.
    bool challenge(Bytes* answer = nullptr)
    {
        unsigned char key[24];
        for (int i = 0; i < 24; ++i)
            key[i] = static_cast<unsigned char>(i + 1);
        if (!rawSend(fd, challengeFrame(key)))
            return false;
        Bytes got = rawRead(fd, 38);
        if (answer)
            *answer = got;
        return got.size() == 38;
    }
    // The whole exchange up to a logged-in client.
    bool logIn(Bytes* answer = nullptr)
    {
        return open() && challenge(answer) && rawSend(fd, resultFrame(-1)) &&
               client.w.waitFor([&] { return client.loggedIn; });
    }
};

}  // namespace

TEST(WirePeer, LoginAnswerDataFrameAndHeartbeatBytes)
{
    FastTimers timers(20, 5000, 30);
    RawSession s;
    Bytes answer;
    ASSERT_TRUE(s.logIn(&answer)) << "no 38-byte answer or no login";
    // Header: length 33, type 1, kind 0x04; then 16 big-endian products of the
    // key material (the 15-byte secret, then challenge byte 16) and the challenge.
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 6), kAnswerHead);
    const std::string secret = kSecret;
    ASSERT_EQ(secret.size(), 15u);
    for (int i = 0; i < 16; ++i) {
        const unsigned m = i < 15 ? static_cast<unsigned char>(secret[i]) : 17u;  // challenge byte 16 is 17
        const unsigned product = m * static_cast<unsigned>(i + 1);
        EXPECT_EQ(answer[6 + 2 * i], product >> 8) << "product " << i;
        EXPECT_EQ(answer[7 + 2 * i], product & 0xFF) << "product " << i;
    }

    ASSERT_EQ(s.client.sendQuote(0x0102, "ab"), 1);
    int heartbeats = 0;
    const Bytes data = readDataFrame(s.fd, &heartbeats);
    const Bytes expected{0, 0, 0, 11, 1, 0x02, 1, 0, 0, 5, 0x0c, 1, 0x01, 0x02, 'a', 'b'};
    EXPECT_EQ(data, expected);
    // Heartbeats keep coming: five zero bytes each.
    const Bytes hb = rawRead(s.fd, 5);
    EXPECT_EQ(hb, (Bytes{0, 0, 0, 0, 0}));
    // Sends from this thread go out one after another, in order.
    for (uint16_t id = 1; id <= 3; ++id)
        ASSERT_EQ(s.client.sendQuote(id, "x"), 1);
    for (uint16_t id = 1; id <= 3; ++id) {
        const Bytes f = readDataFrame(s.fd, nullptr);
        ASSERT_EQ(f.size(), 15u);
        EXPECT_EQ(f[13], id) << "frame out of order";
    }
}

TEST(WirePeer, FramesSentBeforeTheLoginRecordFollowTheAnswer)
{
    RawSession s;
    // Sent from the open notification, before the challenge arrives: a raw
    // body whose first byte is the login kind byte 0x04 is not a login record
    // and is held like the quote message.
    s.client.whenOpen = [](TestClient& c) {
        c.sendRaw(
            std::string("\x04"
                        "early"));
        c.sendQuote(2, "q");
    };
    ASSERT_TRUE(s.open());
    Bytes answer;
    ASSERT_TRUE(s.challenge(&answer));
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 6), kAnswerHead) << "the login answer must be the first frame";
    EXPECT_EQ(readDataFrame(s.fd, nullptr), (Bytes{0, 0, 0, 6, 1, 0x04, 'e', 'a', 'r', 'l', 'y'}));
    EXPECT_EQ(readDataFrame(s.fd, nullptr), (Bytes{0, 0, 0, 10, 1, 0x02, 1, 0, 0, 5, 0x0c, 1, 0, 2, 'q'}));
}

TEST(WirePeer, SlowChallengeKeepsTheConnectionOpenAndWritesNothing)
{
    // Heartbeat periods and idle limits pass many times over before the
    // challenge; a server that has not challenged yet reads nothing, and the
    // wait counts as traffic, as the heartbeats would.
    FastTimers timers(5, 50, 30);
    RawSession s;
    ASSERT_TRUE(s.open());
    EXPECT_FALSE(s.client.w.waitFor([&] { return s.client.closed > 0; }, std::chrono::milliseconds(500)))
        << "the connection was dropped while waiting for the challenge";
    EXPECT_TRUE(rawRead(s.fd, 1, 1).empty()) << "bytes were written ahead of the login answer";
    {
        std::lock_guard<std::mutex> lock(s.client.w.mutex());
        EXPECT_TRUE(s.client.errors.empty());
    }
    Bytes answer;
    ASSERT_TRUE(s.challenge(&answer));
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 6), kAnswerHead);
}

TEST(WirePeer, HeartbeatsDueBeforeTheChallengeDoNotFollowTheAnswer)
{
    FastTimers timers(5, 100000, 30);
    RawSession s;
    ASSERT_TRUE(s.open());
    // 60 heartbeat periods pass with no challenge.
    EXPECT_TRUE(rawRead(s.fd, 1, 300).empty()) << "bytes were written ahead of the login answer";
    // From here on heartbeats are rare: at most the one already armed goes
    // out once the answer is queued.
    b2c::NetTimings slow;
    slow.heartbeat = std::chrono::milliseconds(100000);
    slow.idleLimit = std::chrono::milliseconds(100000);
    b2c::setNetTimings(slow);
    Bytes answer;
    ASSERT_TRUE(s.challenge(&answer));
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 6), kAnswerHead);
    const Bytes after = rawRead(s.fd, 6, 300);
    EXPECT_LE(after.size(), 5u) << "heartbeats held before the challenge went out behind the answer";
}

TEST(WirePeer, WriteErrorClosesAndLaterSendsFail)
{
    RawSession s;
    ASSERT_TRUE(s.logIn());
    // Shut the client's own sending side: its next write fails with EPIPE.
    ASSERT_EQ(::shutdown(s.client.conn()->impl->socket().native_handle(), SHUT_WR), 0);
    ASSERT_EQ(s.client.sendQuote(1, "lost"), 1);
    ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.closed == 1; })) << "write error did not close";
    EXPECT_EQ(s.client.sendQuote(2, "after"), 0) << "a send after the write error must fail";
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    ASSERT_FALSE(s.client.errors.empty());
    EXPECT_EQ(s.client.errors[0], EPIPE);
}

// Where in the exchange the bad bytes arrive, i.e. which decoder is in force.
enum class Stage { Opened, Challenged, LoggedIn };

struct BadInputCase {
    const char* name;
    Stage stage;
    Bytes bytes;
};

TEST(WirePeer, BadInputClosesWithAnError)
{
    const Bytes emptyDataFrame{0, 0, 0, 0, 1};
    const std::vector<BadInputCase> cases = {
        {"length over the cap", Stage::LoggedIn, {0x7F, 0xFF, 0xFF, 0xFF, 1, 2}},
        // A data frame carries at least its kind byte: every decoder refuses
        // an empty one.
        {"zero-length data frame instead of the challenge", Stage::Opened, emptyDataFrame},
        {"zero-length data frame instead of the result", Stage::Challenged, emptyDataFrame},
        {"zero-length data frame after login", Stage::LoggedIn, emptyDataFrame},
        {"wrong login record size", Stage::Opened, frame(Bytes(26, 4))},
        {"wrong result record size", Stage::Challenged, frame(Bytes(6, 4))},
        {"garbage bytes", Stage::Opened, {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '\r', '\n', '\r', '\n'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawSession s;
        if (c.stage == Stage::Opened) {
            ASSERT_TRUE(s.open());
        } else if (c.stage == Stage::Challenged) {
            ASSERT_TRUE(s.open() && s.challenge());
        } else {
            ASSERT_TRUE(s.logIn());
        }
        ASSERT_TRUE(rawSend(s.fd, c.bytes));
        ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.closed == 1; })) << "connection not closed";
        EXPECT_TRUE(rawWaitClosed(s.fd)) << "peer did not see the close";
        std::lock_guard<std::mutex> lock(s.client.w.mutex());
        ASSERT_FALSE(s.client.errors.empty());
        EXPECT_EQ(s.client.errors[0], B2C_ERROR_BAD_INPUT);
        EXPECT_EQ(s.client.payloads.size(), 0u) << "nothing may be delivered from bad input";
    }
}

TEST(WirePeer, StalledWritesTripTheIdleLimit)
{
    FastTimers timers(20, 300, 30);
    RawSession s;
    ASSERT_TRUE(s.logIn());
    // The peer stops reading; large frames fill the socket buffers.
    const std::string big(64 * 1024, 'x');
    for (int i = 0; i < 400 && b2c_connection_is_open(s.client.conn()); ++i)
        s.client.sendQuote(1, big);
    ASSERT_TRUE(s.client.w.waitFor([&] { return s.client.closed == 1; })) << "stalled connection not dropped";
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    ASSERT_FALSE(s.client.errors.empty());
    EXPECT_EQ(s.client.errors[0], B2C_ERROR_TIMED_OUT);
}

TEST(WirePeer, SilentPeerThatTakesHeartbeatsStaysConnected)
{
    FastTimers timers(20, 600, 30);
    RawSession s;
    ASSERT_TRUE(s.logIn());
    // 80 heartbeats at 20 ms span well over two idle limits of 600 ms.
    for (int i = 0; i < 80; ++i) {
        ASSERT_EQ(rawRead(s.fd, 5), (Bytes{0, 0, 0, 0, 0})) << "heartbeat " << i;
    }
    EXPECT_EQ(b2c_connection_is_open(s.client.conn()), 1);
    std::lock_guard<std::mutex> lock(s.client.w.mutex());
    EXPECT_EQ(s.client.closed, 0);
    EXPECT_TRUE(s.client.errors.empty());
}

TEST(IdleLimit, CountsWholeUnitsAsTheProtocolDoes)
{
    using std::chrono::milliseconds;
    struct Case {
        milliseconds idle;
        bool tooLong;
    };
    // Defaults: idle counted in whole seconds, dropped when the count exceeds 30.
    const b2c::NetTimings defaults;
    for (const Case& c :
         {Case{milliseconds(0), false}, Case{milliseconds(30000), false}, Case{milliseconds(30999), false},
          Case{milliseconds(31000), true}, Case{milliseconds(-5000), false}}) {
        EXPECT_EQ(b2c::idleTooLong(c.idle, defaults), c.tooLong) << c.idle.count() << " ms idle, default timings";
    }
    // The shortened test timings count in milliseconds.
    b2c::NetTimings fast;
    fast.idleLimit = milliseconds(300);
    fast.idleUnit = milliseconds(1);
    for (const Case& c : {Case{milliseconds(300), false}, Case{milliseconds(301), true}}) {
        EXPECT_EQ(b2c::idleTooLong(c.idle, fast), c.tooLong) << c.idle.count() << " ms idle, 300 ms limit";
    }
}
