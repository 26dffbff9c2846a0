// Client connection against a raw socket peer: the exact bytes of the login
// answer, data frames and heartbeats; bad input from the peer; the idle limit.
#include <gtest/gtest.h>

#include <thread>

#include "net_harness.h"

using namespace nettest;

namespace {

using Bytes = std::vector<unsigned char>;

// Accepts the client's socket, sends a challenge with key bytes 1..24 and
// returns the socket with the 38-byte answer read (or -1).
int acceptAndChallenge(RawListener& peer, Bytes* answer = nullptr) {
    const int fd = peer.accept();
    if (fd < 0) return -1;
    unsigned char key[24];
    for (int i = 0; i < 24; ++i) key[i] = static_cast<unsigned char>(i + 1);
    if (!rawSend(fd, challengeFrame(key))) return -1;
    Bytes got = rawRead(fd, 38);
    if (answer) *answer = got;
    return got.size() == 38 ? fd : -1;
}

// Reads frames until a data frame arrives; counts the heartbeats before it.
Bytes readDataFrame(int fd, int* heartbeats) {
    for (;;) {
        Bytes head = rawRead(fd, 5);
        if (head.size() != 5) return {};
        const uint32_t len = (uint32_t{head[0]} << 24) | (uint32_t{head[1]} << 16) | (uint32_t{head[2]} << 8) | head[3];
        if (head[4] == 0 && len == 0) {
            if (heartbeats) ++*heartbeats;
            continue;
        }
        Bytes body = rawRead(fd, len);
        head.insert(head.end(), body.begin(), body.end());
        return head;
    }
}

}  // namespace

TEST(WirePeer, LoginAnswerDataFrameAndHeartbeatBytes) {
    FastTimers timers(20, 5000, 30);
    LoopThread loop;
    RawListener peer;
    TestClient client(loop.ev(), peer.port());
    client.connect();
    Bytes answer;
    const int fd = acceptAndChallenge(peer, &answer);
    ASSERT_GE(fd, 0) << "no 38-byte answer";
    // Header: length 33, type 1, kind 0x04; then 16 big-endian products of the
    // key material (the 15-byte secret, then challenge byte 16) and the challenge.
    const Bytes head{0, 0, 0, 33, 1, 4};
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 6), head);
    const std::string secret = kSecret;
    ASSERT_EQ(secret.size(), 15u);
    for (int i = 0; i < 16; ++i) {
        const unsigned m = i < 15 ? static_cast<unsigned char>(secret[i]) : 17u;  // challenge byte 16 is 17
        const unsigned product = m * static_cast<unsigned>(i + 1);
        EXPECT_EQ(answer[6 + 2 * i], product >> 8) << "product " << i;
        EXPECT_EQ(answer[7 + 2 * i], product & 0xFF) << "product " << i;
    }
    ASSERT_TRUE(rawSend(fd, resultFrame(-1)));
    ASSERT_TRUE(client.w.waitFor([&] { return client.loggedIn; }));

    ASSERT_EQ(client.sendQuote(0x0102, "ab"), 1);
    int heartbeats = 0;
    const Bytes data = readDataFrame(fd, &heartbeats);
    const Bytes expected{0, 0, 0, 11, 1, 0x02, 1, 0, 0, 5, 0x0c, 1, 0x01, 0x02, 'a', 'b'};
    EXPECT_EQ(data, expected);
    // Heartbeats keep coming: five zero bytes each.
    const Bytes hb = rawRead(fd, 5);
    EXPECT_EQ(hb, (Bytes{0, 0, 0, 0, 0}));
    ::close(fd);
}

struct BadInputCase {
    const char* name;
    bool afterLogin;
    Bytes bytes;
};

TEST(WirePeer, BadInputClosesWithAnError) {
    const std::vector<BadInputCase> cases = {
        {"length over the cap", true, {0x7F, 0xFF, 0xFF, 0xFF, 1, 2}},
        {"zero-length data frame", true, {0, 0, 0, 0, 1}},
        {"wrong login record size", false, frame(Bytes(26, 4))},
        {"garbage bytes", false, {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '\r', '\n', '\r', '\n'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopThread loop;
        RawListener peer;
        TestClient client(loop.ev(), peer.port());
        client.connect();
        int fd = -1;
        if (c.afterLogin) {
            fd = acceptAndChallenge(peer);
            ASSERT_GE(fd, 0);
            ASSERT_TRUE(rawSend(fd, resultFrame(-1)));
            ASSERT_TRUE(client.w.waitFor([&] { return client.loggedIn; }));
        } else {
            fd = peer.accept();
            ASSERT_GE(fd, 0);
            ASSERT_TRUE(client.w.waitFor([&] { return client.opened == 1; }));
        }
        ASSERT_TRUE(rawSend(fd, c.bytes));
        ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1; })) << "connection not closed";
        EXPECT_TRUE(rawWaitClosed(fd)) << "peer did not see the close";
        {
            std::lock_guard<std::mutex> lock(client.w.mutex());
            ASSERT_FALSE(client.errors.empty());
            EXPECT_EQ(client.errors[0], B2C_ERROR_BAD_INPUT);
        }
        ::close(fd);
    }
}

TEST(WirePeer, StalledWritesTripTheIdleLimit) {
    FastTimers timers(20, 300, 30);
    LoopThread loop;
    RawListener peer;
    TestClient client(loop.ev(), peer.port());
    client.connect();
    const int fd = acceptAndChallenge(peer);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(rawSend(fd, resultFrame(-1)));
    ASSERT_TRUE(client.w.waitFor([&] { return client.loggedIn; }));
    // The peer stops reading; large frames fill the socket buffers.
    const std::string big(64 * 1024, 'x');
    for (int i = 0; i < 400 && b2c_connection_is_open(client.conn()); ++i) client.sendQuote(1, big);
    ASSERT_TRUE(client.w.waitFor([&] { return client.closed == 1; })) << "stalled connection not dropped";
    std::lock_guard<std::mutex> lock(client.w.mutex());
    ASSERT_FALSE(client.errors.empty());
    EXPECT_EQ(client.errors[0], B2C_ERROR_TIMED_OUT);
    ::close(fd);
}

TEST(WirePeer, SilentPeerThatTakesHeartbeatsStaysConnected) {
    FastTimers timers(20, 300, 30);
    LoopThread loop;
    RawListener peer;
    TestClient client(loop.ev(), peer.port());
    client.connect();
    const int fd = acceptAndChallenge(peer);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(rawSend(fd, resultFrame(-1)));
    ASSERT_TRUE(client.w.waitFor([&] { return client.loggedIn; }));
    // 50 heartbeats at 20 ms span well over three idle limits of 300 ms.
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(rawRead(fd, 5), (Bytes{0, 0, 0, 0, 0})) << "heartbeat " << i;
    }
    EXPECT_EQ(b2c_connection_is_open(client.conn()), 1);
    std::lock_guard<std::mutex> lock(client.w.mutex());
    EXPECT_EQ(client.closed, 0);
    EXPECT_TRUE(client.errors.empty());
    ::close(fd);
}
