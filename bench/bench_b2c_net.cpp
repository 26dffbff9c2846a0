// Loopback connection speed: round trip of one small quote message through the
// library's own server and back (median and p99 latency), and sustained small
// data frames per second from the server to a client on one connection.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "b2c.h"
#include "serverimpl.h"

namespace {

constexpr const char* kSecret = "bench-secret";

struct ServerSide {
    std::map<_B2CConnection*, _B2CAuthMsg> challenges;  // loop thread only
    std::vector<_B2CConnection*> open;                  // loop thread only
};

int serverOnConnection(void* user, _B2CServer*, _B2CConnection* conn)
{
    auto* s = static_cast<ServerSide*>(user);
    if (b2c_connection_is_open(conn)) {
        _B2CAuthMsg ch;
        b2c_auth_msg_gen_key(&ch);
        s->challenges[conn] = ch;
        s->open.push_back(conn);
        _B2CMessage m{conn, B2C_MESSAGE_AUTH, &ch};
        b2c_send_message(&m);
    } else {
        s->open.erase(std::remove(s->open.begin(), s->open.end(), conn), s->open.end());
        b2c_connection_release(conn);
    }
    return 0;
}

// Answers the login; echoes a quote message, or, for command 0x7F, sends
// request_id * 64 small frames back.
int serverOnMessage(void* user, _B2CMessage* msg)
{
    auto* s = static_cast<ServerSide*>(user);
    if (msg->kind == B2C_MESSAGE_AUTH) {
        _B2CAuthMsg res{};
        res.kind = B2C_AUTH_RESULT;
        const bool ok = b2c_auth_msg_verify(&s->challenges[msg->connection], static_cast<_B2CAuthMsg*>(msg->data),
                                            kSecret, static_cast<unsigned>(std::strlen(kSecret)));
        const int32_t v = ok ? -1 : 1;
        std::memcpy(res.key, &v, 4);
        _B2CMessage out{msg->connection, B2C_MESSAGE_AUTH, &res};
        b2c_send_message(&out);
        return 0;
    }
    if (msg->kind != B2C_MESSAGE_QUOTE)
        return 0;
    auto* q = static_cast<_B2CQuoteMsg*>(msg->data);
    if (q->command == 0x7F) {
        const int frames = q->request_id * 64;
        _B2CQuoteMsg small{1, 0, 5, 0x0c, 1, 0, nullptr};
        _B2CMessage out{msg->connection, B2C_MESSAGE_QUOTE, &small};
        for (int i = 0; i < frames; ++i)
            b2c_send_message(&out);
    } else {
        _B2CQuoteMsg reply = *q;
        _B2CMessage out{msg->connection, B2C_MESSAGE_QUOTE, &reply};
        b2c_send_message(&out);
    }
    return 0;
}

struct ClientSide {
    std::atomic<bool> loggedIn{false};
    std::atomic<uint64_t> received{0};
};

int clientOnConnection(void*, _B2CConnection*)
{
    return 0;
}

int clientOnMessage(void* user, _B2CMessage* msg)
{
    auto* c = static_cast<ClientSide*>(user);
    if (msg->kind == B2C_MESSAGE_AUTH) {
        auto* rec = static_cast<_B2CAuthMsg*>(msg->data);
        if (rec->kind == B2C_AUTH_CHALLENGE) {
            _B2CAuthMsg ans{};
            ans.kind = B2C_AUTH_ANSWER;
            b2c_auth_msg_encrypt(rec, &ans, kSecret, static_cast<unsigned>(std::strlen(kSecret)));
            _B2CMessage out{msg->connection, B2C_MESSAGE_AUTH, &ans};
            b2c_send_message(&out);
        } else {
            c->loggedIn = true;
        }
        return 0;
    }
    c->received.fetch_add(1, std::memory_order_release);
    return 0;
}

// A logged-in client and server, each on its own loop thread (as in the program,
// where the peer is another process).
class Pair {
public:
    Pair()
    {
        serverEv_ = b2c_event_create();
        clientEv_ = b2c_event_create();
        srv_ = b2c_server_create(serverEv_);
        b2c_server_on_connection(srv_, serverOnConnection, &server_);
        b2c_server_on_message(srv_, serverOnMessage, &server_);
        b2c_server_start(srv_, "127.0.0.1", 0);
        const uint16_t port = srv_->impl->localPort();
        b2c_event_run(serverEv_, 1);
        b2c_event_run(clientEv_, 1);
        conn_ = b2c_connection_create(clientEv_);
        b2c_connection_on_connection(conn_, clientOnConnection, &client_);
        b2c_connection_on_message(conn_, clientOnMessage, &client_);
        b2c_connection_connect(conn_, "127.0.0.1", port);
        while (!client_.loggedIn)
            std::this_thread::yield();
    }
    ~Pair()
    {
        b2c_event_stop(clientEv_);
        b2c_event_stop(serverEv_);
        b2c_connection_release(conn_);
        b2c_server_release(srv_);
        for (auto* c : server_.open)
            b2c_connection_release(c);
        b2c_event_release(clientEv_);
        b2c_event_release(serverEv_);
    }
    int send(uint8_t command, uint16_t requestId, _B2CStream* payload)
    {
        _B2CQuoteMsg q{1, 0, 5, command, 1, requestId, payload};
        _B2CMessage m{conn_, B2C_MESSAGE_QUOTE, &q};
        return b2c_send_message(&m);
    }
    ClientSide& client() { return client_; }

private:
    ServerSide server_;
    ClientSide client_;
    _B2CEvent* serverEv_;
    _B2CEvent* clientEv_;
    _B2CServer* srv_;
    _B2CConnection* conn_;
};

void BM_LoopbackRoundTrip(benchmark::State& state)
{
    Pair pair;
    _B2CStream* payload = b2c_stream_create(32);
    const char body[32] = "0123456789abcdef0123456789abcde";
    b2c_stream_append_bytes(payload, body, sizeof body);
    std::vector<double> micros;
    micros.reserve(1 << 20);
    for (auto _ : state) {
        const uint64_t before = pair.client().received.load(std::memory_order_acquire);
        const auto t0 = std::chrono::steady_clock::now();
        pair.send(0x0c, 1, payload);
        while (pair.client().received.load(std::memory_order_acquire) == before) {
        }
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    b2c_stream_release(payload);
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    }
}
BENCHMARK(BM_LoopbackRoundTrip)->UseRealTime();

void BM_ServerToClientSmallFrames(benchmark::State& state)
{
    Pair pair;
    constexpr uint16_t kBatches = 1024;  // 65536 frames of 14 bytes per iteration
    uint64_t frames = 0;
    for (auto _ : state) {
        const uint64_t before = pair.client().received.load(std::memory_order_acquire);
        pair.send(0x7F, kBatches, nullptr);
        const uint64_t want = before + uint64_t{kBatches} * 64;
        while (pair.client().received.load(std::memory_order_acquire) < want)
            std::this_thread::yield();
        frames += uint64_t{kBatches} * 64;
    }
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ServerToClientSmallFrames)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
