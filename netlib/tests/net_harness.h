// Shared pieces of the loopback tests: a loop thread, a logged-in test server
// built on the library's own server side, a test client that answers the
// challenge and reconnects, and a raw socket peer for exact bytes.
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "b2c.h"
#include "eventimpl.h"
#include "nettimings.h"
#include "serverimpl.h"

namespace nettest {

inline int currentTid()
{
    return static_cast<int>(::syscall(SYS_gettid));
}

constexpr const char* kSecret = "loopback-secret";
constexpr auto kDeadline = std::chrono::seconds(20);

// Conditions shared between the loop thread and the test thread.
class Waiter {
public:
    template <typename F>
    void update(F f)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            f();
        }
        cv_.notify_all();
    }
    template <typename P>
    bool waitFor(P pred, std::chrono::milliseconds limit = kDeadline)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, limit, pred);
    }
    std::mutex& mutex() { return mutex_; }

private:
    std::mutex mutex_;  // guards the state of whoever owns this waiter
    std::condition_variable cv_;
};

// Runs fn on the loop thread and waits for it; runs it here when the loop is stopped.
inline void inLoop(_B2CEvent* ev, std::function<void()> fn)
{
    if (!ev->impl->running()) {
        fn();
        return;
    }
    struct Call {
        std::function<void()> fn;
        std::promise<void> done;
    } call{std::move(fn), {}};
    auto fut = call.done.get_future();
    b2c_event_run_in_loop(
        ev,
        [](intptr_t user) {
            auto* c = reinterpret_cast<Call*>(user);
            c->fn();
            c->done.set_value();
            return 0;
        },
        reinterpret_cast<intptr_t>(&call));
    fut.wait();
}

// A loopback port that is bound but not listening: it refuses every
// connect. port is 0 when the socket could not be bound.
class RefusingPort {
public:
    RefusingPort()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~RefusingPort()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    uint16_t port = 0;

private:
    int fd_ = -1;
};

// Shortened timers for the duration of a test.
class FastTimers {
public:
    explicit FastTimers(int heartbeatMs = 20, int idleMs = 300, int tickMs = 30)
    {
        b2c::NetTimings t;
        t.heartbeat = std::chrono::milliseconds(heartbeatMs);
        t.idleLimit = std::chrono::milliseconds(idleMs);
        t.serverTick = std::chrono::milliseconds(tickMs);
        t.idleUnit = std::chrono::milliseconds(1);
        b2c::setNetTimings(t);
    }
    ~FastTimers() { b2c::setNetTimings(b2c::NetTimings{}); }
};

// The library's server as a peer: sends the challenge on open, verifies the
// answer, replies with `result`, echoes quote messages.
class TestServer {
public:
    explicit TestServer(_B2CEvent* ev) : ev_(ev) {}
    ~TestServer() { release(); }

    bool start(int port = 0)
    {
        bool ok = false;
        inLoop(ev_, [&] {
            srv_ = b2c_server_create(ev_);
            b2c_server_on_connection(srv_, &TestServer::onConnection, this);
            b2c_server_on_message(srv_, &TestServer::onMessage, this);
            b2c_server_on_error(srv_, &TestServer::onError, this);
            ok = b2c_server_start(srv_, "127.0.0.1", port);
        });
        return ok;
    }
    // Releases the server: its connections close.
    void release()
    {
        if (!srv_)
            return;
        inLoop(ev_, [&] {
            b2c_server_release(srv_);
            srv_ = nullptr;
            for (auto* c : open_)
                b2c_connection_release(c);
            open_.clear();
        });
    }
    // The listening port (the server was started on port 0).
    // Sends `count` quote messages of `size` payload bytes to every open connection.
    void sendBig(int count, size_t size)
    {
        inLoop(ev_, [&] {
            _B2CStream* payload = b2c_stream_create(static_cast<unsigned>(size));
            const std::string fill(size, 'y');
            b2c_stream_append_bytes(payload, fill.data(), static_cast<unsigned>(size));
            for (auto* c : open_) {
                _B2CQuoteMsg q{1, 0, 5, 0x0c, 1, 1, payload};
                _B2CMessage m{c, B2C_MESSAGE_QUOTE, &q};
                for (int i = 0; i < count; ++i)
                    b2c_send_message(&m);
            }
            b2c_stream_release(payload);
        });
    }
    void stop()
    {
        inLoop(ev_, [&] { b2c_server_stop(srv_); });
    }
    // Starts the stopped server again on a new port.
    bool restart()
    {
        bool ok = false;
        inLoop(ev_, [&] { ok = b2c_server_start(srv_, "127.0.0.1", 0); });
        return ok;
    }
    uint16_t port()
    {
        uint16_t p = 0;
        inLoop(ev_, [&] { p = srv_ ? srv_->impl->localPort() : 0; });
        return p;
    }

    int32_t result = -1;  // sent after a good answer
    bool echo = true;
    Waiter w;
    // guarded by w.mutex()
    int accepted = 0;
    int closed = 0;
    int answers = 0;
    int quotes = 0;
    std::vector<int> kinds;             // message kinds in arrival order
    std::vector<int> errors;            // the server's own error callback (idle limit)
    std::vector<int> connectionErrors;  // the accepted connections' error callbacks
    std::vector<_B2CAuthMsg> answerRecords;
    std::vector<int> callbackTids;

private:
    static int onConnection(void* user, _B2CServer*, _B2CConnection* conn)
    {
        auto* self = static_cast<TestServer*>(user);
        if (b2c_connection_is_open(conn)) {
            _B2CAuthMsg challenge;
            b2c_auth_msg_gen_key(&challenge);
            self->challenges_[conn] = challenge;
            self->open_.push_back(conn);
            b2c_connection_on_error(conn, &TestServer::onConnectionError, self);
            _B2CMessage msg{conn, B2C_MESSAGE_AUTH, &challenge};
            b2c_send_message(&msg);
            self->w.update([&] {
                ++self->accepted;
                self->callbackTids.push_back(currentTid());
            });
        } else {
            self->challenges_.erase(conn);
            for (auto it = self->open_.begin(); it != self->open_.end(); ++it) {
                if (*it == conn) {
                    self->open_.erase(it);
                    break;
                }
            }
            b2c_connection_release(conn);
            self->w.update([&] { ++self->closed; });
        }
        return 0;
    }
    static int onMessage(void* user, _B2CMessage* msg)
    {
        auto* self = static_cast<TestServer*>(user);
        if (msg->kind == B2C_MESSAGE_AUTH) {
            const auto* answer = static_cast<const _B2CAuthMsg*>(msg->data);
            const bool good = b2c_auth_msg_verify(&self->challenges_[msg->connection], answer, kSecret,
                                                  static_cast<unsigned>(std::strlen(kSecret)));
            _B2CAuthMsg res{};
            res.kind = B2C_AUTH_RESULT;
            const int32_t value = good ? self->result : 1;
            std::memcpy(res.key, &value, 4);
            _B2CMessage out{msg->connection, B2C_MESSAGE_AUTH, &res};
            b2c_send_message(&out);
            self->w.update([&] {
                ++self->answers;
                self->kinds.push_back(msg->kind);
                self->answerRecords.push_back(*answer);
            });
        } else {
            if (self->echo && msg->kind == B2C_MESSAGE_QUOTE) {
                auto* q = static_cast<_B2CQuoteMsg*>(msg->data);
                _B2CQuoteMsg reply = *q;  // the payload stream is shared by the encoder
                _B2CMessage out{msg->connection, B2C_MESSAGE_QUOTE, &reply};
                b2c_send_message(&out);
            }
            self->w.update([&] {
                ++self->quotes;
                self->kinds.push_back(msg->kind);
            });
        }
        return 0;
    }
    static int onError(void* user, _B2CServer*, _B2CConnection*, const char*, int code)
    {
        auto* self = static_cast<TestServer*>(user);
        self->w.update([&] { self->errors.push_back(code); });
        return 0;
    }
    static int onConnectionError(void* user, _B2CConnection*, const char*, int code)
    {
        auto* self = static_cast<TestServer*>(user);
        self->w.update([&] { self->connectionErrors.push_back(code); });
        return 0;
    }

    _B2CEvent* ev_;
    _B2CServer* srv_ = nullptr;
    // loop thread only
    std::map<_B2CConnection*, _B2CAuthMsg> challenges_;
    std::vector<_B2CConnection*> open_;
};

// A client that answers the challenge with kSecret, closes on a refused login
// and, when `reconnectDelayMs` > 0, reconnects after every loss.
class TestClient {
public:
    TestClient(_B2CEvent* ev, uint16_t port) : ev_(ev), port_(port)
    {
        conn_ = b2c_connection_create(ev);
        b2c_connection_on_connection(conn_, &TestClient::onConnection, this);
        b2c_connection_on_message(conn_, &TestClient::onMessage, this);
        b2c_connection_on_error(conn_, &TestClient::onError, this);
    }
    ~TestClient() { release(); }
    // Releases the connection handle early (done once).
    void release()
    {
        b2c_connection_release(conn_);
        conn_ = nullptr;
    }
    _B2CConnection* conn() { return conn_; }
    void connect() { b2c_connection_connect(conn_, "127.0.0.1", port_); }

    // Sends a quote message whose payload is `text`; the result of b2c_send_message.
    int sendQuote(uint16_t requestId, const std::string& text)
    {
        _B2CStream* payload = b2c_stream_create(static_cast<unsigned>(text.size()));
        b2c_stream_append_bytes(payload, text.data(), static_cast<unsigned>(text.size()));
        _B2CQuoteMsg q{1, 0, 5, 0x0c, 1, requestId, payload};
        _B2CMessage msg{conn_, B2C_MESSAGE_QUOTE, &q};
        const int rc = b2c_send_message(&msg);
        b2c_stream_release(payload);
        return rc;
    }

    // Sends a raw stream holding `bytes` (its first byte is the kind byte);
    // the result of b2c_send_message.
    int sendRaw(const std::string& bytes)
    {
        _B2CStream* body = b2c_stream_create(static_cast<unsigned>(bytes.size()));
        b2c_stream_append_bytes(body, bytes.data(), static_cast<unsigned>(bytes.size()));
        _B2CMessage msg{conn_, B2C_MESSAGE_RAW, body};
        const int rc = b2c_send_message(&msg);
        b2c_stream_release(body);
        return rc;
    }

    std::atomic<int> reconnectDelayMs{0};
    // Called on the loop thread when the connection opened (set before connecting).
    std::function<void(TestClient&)> whenOpen;
    Waiter w;
    // guarded by w.mutex()
    int opened = 0;
    int closed = 0;
    int logins = 0;
    bool loggedIn = false;
    std::vector<std::string> payloads;
    std::vector<uint16_t> requestIds;
    std::vector<int> errors;
    std::vector<int> callbackTids;
    std::vector<std::string> states;  // "open", "closed", "login"

private:
    static int onConnection(void* user, _B2CConnection* conn)
    {
        auto* self = static_cast<TestClient*>(user);
        const bool open = b2c_connection_is_open(conn) != 0;
        self->w.update([&] {
            open ? ++self->opened : ++self->closed;
            if (!open)
                self->loggedIn = false;
            self->states.push_back(open ? "open" : "closed");
            self->callbackTids.push_back(currentTid());
        });
        if (open && self->whenOpen)
            self->whenOpen(*self);
        const int delay = self->reconnectDelayMs;
        if (!open && delay > 0)
            b2c_connection_delay_connect(conn, "127.0.0.1", self->port_, delay);
        return 0;
    }
    static int onMessage(void* user, _B2CMessage* msg)
    {
        auto* self = static_cast<TestClient*>(user);
        if (msg->kind == B2C_MESSAGE_AUTH) {
            const auto* rec = static_cast<const _B2CAuthMsg*>(msg->data);
            if (rec->kind == B2C_AUTH_CHALLENGE) {
                _B2CAuthMsg answer{};
                answer.kind = B2C_AUTH_ANSWER;
                b2c_auth_msg_encrypt(rec, &answer, kSecret, static_cast<unsigned>(std::strlen(kSecret)));
                _B2CMessage out{msg->connection, B2C_MESSAGE_AUTH, &answer};
                b2c_send_message(&out);
            } else {
                int32_t result;
                std::memcpy(&result, rec->key, 4);
                if (result != -1) {
                    b2c_connection_close(msg->connection);
                } else {
                    self->w.update([&] {
                        ++self->logins;
                        self->loggedIn = true;
                        self->states.push_back("login");
                    });
                }
            }
        } else if (msg->kind == B2C_MESSAGE_QUOTE) {
            auto* q = static_cast<_B2CQuoteMsg*>(msg->data);
            std::string text(b2c_stream_read_pos(q->payload), b2c_stream_readable_size(q->payload));
            self->w.update([&] {
                self->payloads.push_back(text);
                self->requestIds.push_back(q->request_id);
                self->callbackTids.push_back(currentTid());
            });
        }
        return 0;
    }
    static int onError(void* user, _B2CConnection*, const char*, int code)
    {
        auto* self = static_cast<TestClient*>(user);
        self->w.update([&] { self->errors.push_back(code); });
        return 0;
    }

    _B2CEvent* ev_;
    uint16_t port_;
    _B2CConnection* conn_;
};

// A loop running on its own thread for the length of a test.
class LoopThread {
public:
    LoopThread() : ev_(b2c_event_create()), tid_(b2c_event_run(ev_, 1)) {}
    ~LoopThread() { b2c_event_release(ev_); }
    _B2CEvent* ev() { return ev_; }
    int tid() const { return tid_; }
    void stop() { b2c_event_stop(ev_); }

private:
    _B2CEvent* ev_;
    int tid_;
};

// A loop thread, the library's server started on a free port, and a client of it.
struct ServedClient {
    LoopThread loop;
    TestServer server{loop.ev()};
    const bool started = server.start();
    TestClient client{loop.ev(), server.port()};

    // Waits until the client has logged in `logins` times and is logged in now.
    bool waitLoggedIn(int logins = 1)
    {
        return client.w.waitFor([&] { return client.logins >= logins && client.loggedIn; });
    }
    // Connects and waits for the first login.
    bool logIn()
    {
        client.connect();
        return waitLoggedIn(1);
    }
};

// Waits until a run of `ev` has started: a call queued to the loop has run.
inline bool waitLoopRuns(_B2CEvent* ev)
{
    std::promise<void> inside;
    std::future<void> ran = inside.get_future();
    b2c_event_run_in_loop(
        ev,
        [](intptr_t user) {
            reinterpret_cast<std::promise<void>*>(user)->set_value();
            return 0;
        },
        reinterpret_cast<intptr_t>(&inside));
    return ran.wait_for(kDeadline) == std::future_status::ready;
}

// A plain socket peer on 127.0.0.1 for exact bytes.
class RawListener {
public:
    RawListener()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 16);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~RawListener() { ::close(fd_); }
    uint16_t port() const { return port_; }
    // An accepted socket, or -1 after the deadline.
    int accept()
    {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0)
            return -1;
        return ::accept(fd_, nullptr, nullptr);
    }

private:
    int fd_;
    uint16_t port_ = 0;
};

// Raw socket helpers.
inline int rawConnect(uint16_t port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
inline bool rawSend(int fd, const std::vector<unsigned char>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
// Reads exactly n bytes (fewer on close or after the deadline).
inline std::vector<unsigned char> rawRead(int fd, size_t n, int timeoutMs = 20000)
{
    std::vector<unsigned char> out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        unsigned char buf[4096];
        const ssize_t r = ::recv(fd, buf, std::min(sizeof buf, n - out.size()), 0);
        if (r <= 0)
            break;
        out.insert(out.end(), buf, buf + r);
    }
    return out;
}
// True when the peer closed the socket (EOF) within the deadline; data before it is skipped.
inline bool rawWaitClosed(int fd, int timeoutMs = 20000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        unsigned char buf[4096];
        const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
        if (r <= 0)
            return true;
    }
}
inline std::vector<unsigned char> frame(const std::vector<unsigned char>& body, unsigned char type = 1)
{
    const uint32_t n = static_cast<uint32_t>(body.size());
    std::vector<unsigned char> f{static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                                 static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), type};
    f.insert(f.end(), body.begin(), body.end());
    return f;
}
inline std::vector<unsigned char> challengeFrame(const unsigned char key[24])
{
    std::vector<unsigned char> body{0x04};
    body.insert(body.end(), key, key + 24);
    return frame(body);
}
inline std::vector<unsigned char> resultFrame(int32_t result)
{
    const uint32_t r = static_cast<uint32_t>(result);
    return frame({0x04, static_cast<unsigned char>(r >> 24), static_cast<unsigned char>(r >> 16),
                  static_cast<unsigned char>(r >> 8), static_cast<unsigned char>(r)});
}

}  // namespace nettest
