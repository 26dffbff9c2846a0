// ConnectionImpl: one framed TCP connection, client side or accepted by a server.
//
// It resolves and connects, reads into its input buffer and runs the decoder
// in force, writes queued frames in order, sends a heartbeat every 5 s and
// drops the connection after more than 30 s without completed traffic (a
// steady clock measures it), and can connect again after a delay.
//
// Sessions: every successful connect starts a new session and every close ends
// it. A frame is queued for the session that was open when it was sent and is
// dropped if that session ends first, so a send racing a close never leaks
// into the next session. On a client connection, frames other than login
// records are held back until this side's login record of the session has
// been queued: nothing goes out ahead of the login answer. Heartbeats are not
// held but dropped in that time, and the idle limit applies from the login
// record on.
//
// Every socket, timer and callback step runs on the event's loop thread; only
// send(), close(), connect(), delayConnect() and isOpen() may be called from
// other threads. Callbacks are caught at their boundary: an exception, or a
// callback that is not set, is reported through the error callback.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "b2c.h"
#include "eventimpl.h"
#include "framedecoder.h"
#include "frameencoder.h"
#include "moduobuffer.h"

struct _B2CConnection;

namespace b2c {

class ConnectionImpl : public std::enable_shared_from_this<ConnectionImpl> {
public:
    using Clock = std::chrono::steady_clock;
    using ConnectionCallback = std::function<void(const std::shared_ptr<ConnectionImpl>&)>;
    using ErrorCallback = std::function<void(const std::shared_ptr<ConnectionImpl>&, const char* text, int code)>;
    using MessageCallback = std::function<void(_B2CMessage*)>;

    static constexpr uint32_t kInputSize = 1024;
    static constexpr uint32_t kReadChunk = 4096;
    // Frames gathered into one write at most (they go out in order either way).
    static constexpr size_t kMaxBatchFrames = 64;
    static constexpr size_t kMaxBatchBytes = 256 * 1024;

    explicit ConnectionImpl(std::shared_ptr<EventImpl> event);
    ~ConnectionImpl();
    ConnectionImpl(const ConnectionImpl&) = delete;
    ConnectionImpl& operator=(const ConnectionImpl&) = delete;

    // The handle cell handed to callbacks; null once the handle was released.
    void setCell(_B2CConnection* cell) { cell_ = cell; }
    _B2CConnection* cell() const { return cell_; }
    EventImpl& event() { return *event_; }
    boost::asio::ip::tcp::socket& socket() { return socket_; }

    // Callback setters: on the owner's thread before connecting, or on the loop thread.
    void setOnConnection(ConnectionCallback fn) { onConnection_ = std::move(fn); }
    void setOnError(ErrorCallback fn) { onError_ = std::move(fn); }
    void setOnMessage(MessageCallback fn) { onMessage_ = std::move(fn); }
    intptr_t setUserWord(intptr_t word) { return userWord_ = word; }
    intptr_t userWord() const { return userWord_; }

    // Any thread.
    bool isOpen() const { return (state_.load() & 1u) != 0; }
    // Queues a frame for the open session: false (nothing queued) when not open.
    bool send(FrameProducer frame);
    // Closes on the loop thread.
    void close();
    // Cancels a pending delayed connect, closes an open connection, then
    // resolves and connects on the loop thread.
    void connect(const std::string& host, uint16_t port);
    // Connects after delayMs; false (nothing changes) while a delayed connect is pending.
    bool delayConnect(const std::string& host, uint16_t port, int delayMs);
    // The handle went (any thread): no callback starts once this returned, and
    // the connection is closed on the loop so that nothing keeps running for
    // nobody. `cell` is freed there too, after a callback still under way.
    void detach(std::unique_ptr<_B2CConnection> cell);

    // Loop thread.
    // Starts an accepted socket: open, the given decoder, reading; no heartbeat timer.
    void startAccepted(const FrameDecoder& decoder);
    void closeNow();
    void sendHeartbeat();
    Clock::time_point lastActivity() const { return lastActivity_; }
    void reportError(const char* text, int code);

private:
    void startConnect(const std::string& host, uint16_t port);
    void cancelDelayedConnect();
    void onConnected();
    void armHeartbeat(const std::shared_ptr<boost::asio::steady_timer>& timer);
    void onHeartbeat(const std::shared_ptr<boost::asio::steady_timer>& timer);
    void appendFrame(FrameProducer frame, uint64_t state);
    void startWrite();
    void startRead();
    void onRead(const boost::system::error_code& ec, size_t n, uint64_t state);
    void runDecoder(uint64_t state);
    void callOnConnection();
    void deliver(_B2CMessage* msg);

    // Shared: the socket and timers must go before the loop's io_context. The
    // cycle this makes through pending work (which holds this connection) is
    // broken when the event is released and drops that work.
    std::shared_ptr<EventImpl> event_;
    boost::asio::ip::tcp::socket socket_;

    std::mutex delayMutex_;  // guards delayTimer_, delayPending_ and delayGeneration_
    std::weak_ptr<boost::asio::steady_timer> delayTimer_;
    bool delayPending_ = false;
    uint64_t delayGeneration_ = 0;

    std::shared_ptr<boost::asio::steady_timer> heartbeatTimer_;
    // Session counter shifted left by one, with the open flag in bit 0.
    std::atomic<uint64_t> state_{0};
    std::atomic<bool> detached_{false};
    ModuoBuffer input_;
    Clock::time_point lastActivity_;
    const FrameDecoder* decoder_;
    std::deque<FrameProducer> sendQueue_;
    std::vector<FrameProducer> held_;  // frames waiting for the login record
    bool holdForLogin_ = false;
    bool writing_ = false;
    uint64_t connectAttempt_ = 0;

    ConnectionCallback onConnection_;
    ErrorCallback onError_;
    MessageCallback onMessage_;
    intptr_t userWord_ = 0;
    std::atomic<_B2CConnection*> cell_{nullptr};
};

}  // namespace b2c

// The handle: one share of the connection.
struct _B2CConnection {
    std::shared_ptr<b2c::ConnectionImpl> impl;
};
