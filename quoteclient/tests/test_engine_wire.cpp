// The engine's bytes on the wire, against a bare loopback socket that plays
// the quote server by hand: the login answer, request and cancel frames, the
// request ids before and after each login, and which pushes are cancelled.
// Every expected frame is written out byte by byte.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "b2cservice.h"
#include "enginerecorder.h"
#include "ownprocess.h"
#include "probeclient.h"
#include "quote.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string hex(const Bytes& b)
{
    std::string s;
    char two[4];
    for (uint8_t c : b) {
        std::snprintf(two, sizeof two, "%02X ", c);
        s += two;
    }
    return s;
}

// A listening loopback socket and its accepted connection, with reads that
// give up after a generous deadline instead of hanging.
class BareServer {
public:
    // listening = false: the port is bound but refuses connections until listen().
    explicit BareServer(bool listening = true)
    {
        ::signal(SIGPIPE, SIG_IGN);
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && (!listening || listen()) &&
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port_ = ntohs(addr.sin_port);
    }
    bool listen() { return ::listen(listen_, 4) == 0; }
    ~BareServer()
    {
        drop();
        if (listen_ >= 0)
            ::close(listen_);
    }

    int port() const { return port_; }

    bool accept_one()
    {
        drop();
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, kWaitMs) != 1)
            return false;
        conn_ = ::accept(listen_, nullptr, nullptr);
        return conn_ >= 0;
    }
    void drop()
    {
        if (conn_ >= 0)
            ::close(conn_);
        conn_ = -1;
    }

    bool write(const Bytes& b)
    {
        size_t done = 0;
        while (done < b.size()) {
            const ssize_t n = ::send(conn_, b.data() + done, b.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // One whole frame (5-byte frame header and body); heartbeats are skipped.
    // Empty when the peer closed or nothing came in time.
    Bytes frame()
    {
        for (;;) {
            Bytes head;
            if (!read(5, head))
                return {};
            const uint32_t length =
                (uint32_t{head[0]} << 24) | (uint32_t{head[1]} << 16) | (uint32_t{head[2]} << 8) | head[3];
            if (length == 0 && head[4] == 0)
                continue;
            Bytes body;
            if (length > 1 << 20 || !read(length, body))
                return {};
            head.insert(head.end(), body.begin(), body.end());
            return head;
        }
    }

    // True when the peer closes the connection (before anything else arrives).
    bool closed_by_peer()
    {
        Bytes b;
        return !read(1, b) && eof_;
    }

private:
    static constexpr int kWaitMs = 10000;

    bool read(size_t n, Bytes& out)
    {
        out.resize(n);
        size_t done = 0;
        eof_ = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (done < n) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{conn_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1)
                return false;
            const ssize_t got = ::recv(conn_, out.data() + done, n - done, 0);
            if (got <= 0) {
                eof_ = got == 0;
                return false;
            }
            done += static_cast<size_t>(got);
        }
        return true;
    }

    int listen_ = -1;
    int conn_ = -1;
    int port_ = 0;
    bool eof_ = false;
};

// Challenge bytes 1, 2, ..., 24.
const Bytes kChallengeFrame = {0x00, 0x00, 0x00, 0x19, 0x01, 0x04, 1,  2,  3,  4,  5,  6,  7,  8,  9,
                               10,   11,   12,   13,   14,   15,   16, 17, 18, 19, 20, 21, 22, 23, 24};

// The answer to that challenge with the session key "k3y": key material
// 'k' '3' 'y' then challenge bytes 16.. (17 to 24, then zeros); each of the 16
// words is material[i] * challenge[i] as a big-endian u16:
// 107*1=107, 51*2=102, 121*3=363, 17*4=68, 18*5=90, 19*6=114, 20*7=140,
// 21*8=168, 22*9=198, 23*10=230, 24*11=264, then five zero products.
const Bytes kAnswerFrame = {0x00, 0x00, 0x00, 0x21, 0x01, 0x04, 0x00, 0x6B, 0x00, 0x66, 0x01, 0x6B, 0x00,
                            0x44, 0x00, 0x5A, 0x00, 0x72, 0x00, 0x8C, 0x00, 0xA8, 0x00, 0xC6, 0x00, 0xE6,
                            0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

const Bytes kAcceptedFrame = {0x00, 0x00, 0x00, 0x05, 0x01, 0x04, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kRefusedFrame = {0x00, 0x00, 0x00, 0x05, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00};

// Accepts the engine's next connection and logs it in: the challenge, the
// answer to it with the key "k3y", then the accepted result.
void accept_and_log_in(BareServer& server, const char* accept_note = "")
{
    ASSERT_TRUE(server.accept_one()) << accept_note;
    ASSERT_TRUE(server.write(kChallengeFrame));
    EXPECT_EQ(hex(server.frame()), hex(kAnswerFrame));
    ASSERT_TRUE(server.write(kAcceptedFrame));
}

// A request frame as the engine must send it: body kind 0x02, header version
// 1, word 0, kind 5, the command, flag 1, the request id, then the body.
Bytes request_frame(uint8_t command, uint16_t id, const Bytes& body = {})
{
    const uint32_t length = static_cast<uint32_t>(9 + body.size());
    Bytes f = {0x00,
               0x00,
               0x00,
               static_cast<uint8_t>(length),
               0x01,
               0x02,
               0x01,
               0x00,
               0x00,
               0x05,
               command,
               0x01,
               static_cast<uint8_t>(id >> 8),
               static_cast<uint8_t>(id)};
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

// The cancel frame for one id: command 0x11, request id 0, body {u16 1, u16 id}.
Bytes cancel_frame(uint16_t id)
{
    return request_frame(0x11, 0, {0x00, 0x01, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)});
}

// The 8-byte quote header of an answer from the server.
Bytes answer_header(uint16_t word, uint8_t command, uint16_t id)
{
    return {0x01, static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word), 0x05, command,
            0x01, static_cast<uint8_t>(id >> 8),   static_cast<uint8_t>(id)};
}

Bytes plain_answer(uint16_t word, uint8_t command, uint16_t id)
{
    Bytes f = {0x00, 0x00, 0x00, 0x09, 0x01, 0x02};
    const Bytes h = answer_header(word, command, id);
    f.insert(f.end(), h.begin(), h.end());
    return f;
}

// The same answer compressed: body kind byte, then gzip data (zlib's own
// deflate with the gzip wrapper) holding the header.
Bytes gzip_answer(uint8_t body_kind, uint16_t word, uint8_t command, uint16_t id)
{
    Bytes in = answer_header(word, command, id);
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    Bytes out(256);
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    const uint32_t length = static_cast<uint32_t>(1 + out.size());
    Bytes f = {0x00, 0x00, 0x00, static_cast<uint8_t>(length), 0x01, body_kind};
    f.insert(f.end(), out.begin(), out.end());
    return f;
}

std::string url_for(int port, const std::string& query)
{
    return "tcp://127.0.0.1:" + std::to_string(port) + "/?" + query;
}

// The body ProbeClient writes: mode, u16 repeat, u16 interval.
Bytes probe_body(uint8_t mode, uint16_t repeat, uint16_t interval)
{
    return {mode, static_cast<uint8_t>(repeat >> 8), static_cast<uint8_t>(repeat), static_cast<uint8_t>(interval >> 8),
            static_cast<uint8_t>(interval)};
}

}  // namespace

TEST(EngineWire, LoginRequestsCancelsAndResendsByteForByte)
{
    RUN_IN_OWN_PROCESS();
    BareServer server;
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine(url_for(server.port(), "encrypt_key=k3y&auto_delay=40"));
    engine.start();
    B2CService& svc = B2CService::instance();

    ASSERT_TRUE(server.accept_one()) << "the engine connects to the URL's host and port";
    ASSERT_TRUE(server.write(kChallengeFrame));
    Bytes f = server.frame();
    EXPECT_EQ(hex(f), hex(kAnswerFrame)) << "a kind-1 answer made with the URL's encrypt_key";
    ASSERT_TRUE(server.write(kAcceptedFrame));

    // The subscription issued at start (id 1) waited for the login and goes
    // out once, under the next id.
    f = server.frame();
    EXPECT_EQ(hex(f), hex(request_frame(0x03, 2)));
    ASSERT_GE(engine.wait_state(1), 0);
    EXPECT_EQ(svc.server_state_request_id(), 2);

    auto context = std::make_shared<ContextBase>(&svc);
    auto once = std::make_shared<ProbeClient>(*context, kProbeOnce, Bytes{}, 0, 20);
    EXPECT_EQ(svc.send(once, false), 3);
    f = server.frame();
    EXPECT_EQ(hex(f), hex(request_frame(0x7F, 3, probe_body(kProbeOnce, 0, 20))));

    // Unknown ids: a one-shot answer (word 0) and a push with word 2 are
    // dropped quietly; a push with word 1 is cancelled, plain or compressed
    // under either body kind.
    ASSERT_TRUE(server.write(plain_answer(0, 0x7F, 0x0005)));
    ASSERT_TRUE(server.write(plain_answer(2, 0x7F, 0x0006)));
    ASSERT_TRUE(server.write(plain_answer(1, 0x7F, 0x1234)));
    f = server.frame();
    EXPECT_EQ(hex(f), hex(cancel_frame(0x1234))) << "the first frame after the three answers";
    ASSERT_TRUE(server.write(gzip_answer(0x02, 1, 0x7F, 0x0102)));
    f = server.frame();
    EXPECT_EQ(hex(f), hex(cancel_frame(0x0102)));
    ASSERT_TRUE(server.write(gzip_answer(0x33, 1, 0x7F, 0x4321)));
    f = server.frame();
    EXPECT_EQ(hex(f), hex(cancel_frame(0x4321)));

    // An error answer (command 0x10) with word 1 for a living request ends it
    // and is answered by a cancel; the client still gets a kind-0 reply.
    ASSERT_TRUE(server.write(plain_answer(1, 0x10, 3)));
    f = server.frame();
    EXPECT_EQ(hex(f), hex(cancel_frame(3)));
    EXPECT_FALSE(svc.is_pending(3));

    // A request that stays unanswered (id 4), then the server goes away.
    auto silent = std::make_shared<ProbeClient>(*context, kProbeSilent, Bytes{}, 0, 20);
    EXPECT_EQ(svc.send(silent, false), 4);
    f = server.frame();
    EXPECT_EQ(hex(f), hex(request_frame(0x7F, 4, probe_body(kProbeSilent, 0, 20))));
    const size_t before_drop = engine.size();
    server.drop();
    ASSERT_GE(engine.wait_state(0, before_drop), 0);

    // Reconnected after auto_delay; a request made while logged out waits too.
    auto later = std::make_shared<ProbeClient>(*context, kProbeSilent, Bytes{}, 0, 20);
    EXPECT_EQ(svc.send(later, false), 5);
    auto dropped = std::make_shared<ProbeClient>(*context, kProbeSilent, Bytes{}, 0, 20);
    EXPECT_EQ(svc.send(dropped, false), 6);
    ASSERT_TRUE(server.accept_one()) << "reconnected after the delay";
    ASSERT_TRUE(server.write(kChallengeFrame));
    f = server.frame();
    EXPECT_EQ(hex(f), hex(kAnswerFrame));
    // Cancelled between the answer and the result: nothing may go out ahead
    // of the login result, and the request is not re-sent.
    svc.cancel(6);
    EXPECT_FALSE(svc.is_pending(6));
    ASSERT_TRUE(server.write(kAcceptedFrame));
    // Pending ids 2 (subscription), 4 and 5 go out in that order as 7, 8, 9.
    f = server.frame();
    EXPECT_EQ(hex(f), hex(request_frame(0x03, 7))) << "the first frame after the login result";
    f = server.frame();
    EXPECT_EQ(hex(f), hex(request_frame(0x7F, 8, probe_body(kProbeSilent, 0, 20))));
    f = server.frame();
    EXPECT_EQ(hex(f), hex(request_frame(0x7F, 9, probe_body(kProbeSilent, 0, 20))));
    EXPECT_EQ(silent->request_id(), 8);
    EXPECT_EQ(later->request_id(), 9);
    EXPECT_EQ(dropped->request_id(), 6) << "a cancelled request is not sent again";
    EXPECT_EQ(svc.pending_count(), 3u);
    // Nothing else was sent: the next frame is the cancel of a stray push.
    ASSERT_TRUE(server.write(plain_answer(1, 0x7F, 0x0777)));
    f = server.frame();
    EXPECT_EQ(hex(f), hex(cancel_frame(0x0777)));

    // The error reply reached the callback as kind 0 with a defined code.
    const int err = engine.wait_for([](const RecordedReply& r) { return r.kind == QUOTE_REPLY_ERROR; });
    ASSERT_GE(err, 0);
    EXPECT_EQ(engine.replies()[err].error_code, QUOTE_ERROR_BAD_REPLY) << "an error answer without a body";
    EXPECT_EQ(engine.replies()[err].header_word, 1);
}

TEST(EngineWire, RefusedLoginAndEarlyQuoteMessagesCloseTheConnection)
{
    RUN_IN_OWN_PROCESS();
    BareServer server;
    ASSERT_GT(server.port(), 0);
    // No encrypt_key: the default session key.
    EngineRecorder engine(url_for(server.port(), "auto_delay=30"));
    engine.start();

    ASSERT_TRUE(server.accept_one());
    ASSERT_TRUE(server.write(kChallengeFrame));
    Bytes f = server.frame();
    ASSERT_EQ(f.size(), 38u) << "a kind-1 answer: 32 bytes after the kind byte";
    _B2CAuthMsg challenge{};
    std::copy(kChallengeFrame.begin() + 6, kChallengeFrame.end(), challenge.key);
    _B2CAuthMsg answer{};
    answer.kind = B2C_AUTH_ANSWER;
    std::copy(f.begin() + 6, f.end(), answer.key);
    EXPECT_TRUE(b2c_auth_msg_verify(&challenge, &answer, "varnoquel", 9));
    ASSERT_TRUE(server.write(kRefusedFrame));
    EXPECT_TRUE(server.closed_by_peer()) << "a result other than -1 closes the connection";

    ASSERT_TRUE(server.accept_one()) << "a refused session retries after auto_delay";
    ASSERT_TRUE(server.write(kChallengeFrame));
    f = server.frame();
    ASSERT_EQ(f.size(), 38u);
    ASSERT_TRUE(server.write(plain_answer(0, 0x7F, 1)));
    EXPECT_TRUE(server.closed_by_peer()) << "a quote message before the login result closes the connection";

    ASSERT_TRUE(server.accept_one());
    EXPECT_EQ(engine.wait_state(1, 0, std::chrono::milliseconds(50)), -1) << "never logged in";
    EXPECT_GE(engine.wait_state(0), 0);
}

TEST(EngineWire, AFailedFirstConnectIsReportedAndRetriedAfterTheDelay)
{
    RUN_IN_OWN_PROCESS();
    BareServer server(false);
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine(url_for(server.port(), "encrypt_key=k3y&auto_delay=20"));
    engine.start();
    const int down = engine.wait_state(0);
    ASSERT_GE(down, 0) << "a refused connect reaches the callback as state 0, never having logged in";
    EXPECT_EQ(engine.replies()[down].header_word, 0);
    EXPECT_EQ(engine.replies()[down].ctx, nullptr);

    ASSERT_TRUE(server.listen());
    ASSERT_NO_FATAL_FAILURE(accept_and_log_in(server, "the connect is retried after auto_delay"));
    EXPECT_EQ(hex(server.frame()), hex(request_frame(0x03, 2)));
    EXPECT_GE(engine.wait_state(1), 0);
}

namespace {

// A probe that, once armed, cancels another request while the engine has it
// building its own body: during the re-send after a login, that is the moment
// between two re-sent entries.
class CancellingProbe : public ProbeClient {
public:
    using ProbeClient::ProbeClient;
    void arm(uint16_t victim) { victim_ = victim; }

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override
    {
        if (victim_ != 0) {
            B2CService::instance().cancel(victim_);
            victim_ = 0;
        }
        return ProbeClient::build_body(header, context);
    }

private:
    uint16_t victim_ = 0;
};

}  // namespace

TEST(EngineWire, ACancelDuringTheResendAfterLoginIsHonoured)
{
    RUN_IN_OWN_PROCESS();
    BareServer server;
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine(url_for(server.port(), "encrypt_key=k3y&auto_delay=20"));
    engine.start();
    B2CService& svc = B2CService::instance();
    ASSERT_NO_FATAL_FAILURE(accept_and_log_in(server));
    EXPECT_EQ(hex(server.frame()), hex(request_frame(0x03, 2)));
    ASSERT_GE(engine.wait_state(1), 0);

    const size_t before_drop = engine.size();
    server.drop();
    ASSERT_GE(engine.wait_state(0, before_drop), 0);
    auto context = std::make_shared<ContextBase>(&svc);
    auto canceller = std::make_shared<CancellingProbe>(*context, kProbeSilent, Bytes{}, 0, 20);
    auto victim = std::make_shared<ProbeClient>(*context, kProbeSilent, Bytes{}, 0, 20);
    ASSERT_EQ(svc.send(canceller, false), 3);
    ASSERT_EQ(svc.send(victim, false), 4);
    canceller->arm(4);

    ASSERT_NO_FATAL_FAILURE(accept_and_log_in(server));
    // Re-sent in the order of the old ids: 2 as 5, then 3 as 6, whose body is
    // built after the cancel of 4 went out; 4 itself is not re-sent.
    EXPECT_EQ(hex(server.frame()), hex(request_frame(0x03, 5)));
    EXPECT_EQ(hex(server.frame()), hex(cancel_frame(4)));
    EXPECT_EQ(hex(server.frame()), hex(request_frame(0x7F, 6, probe_body(kProbeSilent, 0, 20))));
    ASSERT_TRUE(server.write(plain_answer(1, 0x7F, 0x0777)));
    EXPECT_EQ(hex(server.frame()), hex(cancel_frame(0x0777))) << "the cancelled request went out again";
    EXPECT_EQ(victim->request_id(), 4);
    EXPECT_EQ(svc.pending_count(), 2u);
}
