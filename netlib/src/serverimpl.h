// ServerImpl: listens on one address and port and turns every accepted socket
// into a ConnectionImpl whose input is decoded first by ServerAuthDecoder (the
// login answer), then by NormalDecoder. One timer supervises all connections:
// heartbeats every 8 s and the idle limit. The owner sends the challenge and
// the result itself from its callbacks.
//
// Accepting, decoding, supervision and callbacks run on the event's loop thread.
// Pending work (the accept, the supervision timer, a connection's closed
// notification) holds only weak references to the server: connections closed
// during or after the server's teardown call nothing back, and nothing queued
// on a stopped loop keeps the server, a connection or the loop alive.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "b2c.h"
#include "connectionimpl.h"
#include "eventimpl.h"

struct _B2CServer;

namespace b2c {

class ServerImpl : public std::enable_shared_from_this<ServerImpl> {
public:
    using ConnectionCallback = std::function<void(_B2CServer*, _B2CConnection*)>;
    using ErrorCallback = std::function<void(_B2CServer*, _B2CConnection*, const char* text, int code)>;
    using MessageCallback = std::function<void(_B2CMessage*)>;

    explicit ServerImpl(std::shared_ptr<EventImpl> event);
    ~ServerImpl();
    ServerImpl(const ServerImpl&) = delete;
    ServerImpl& operator=(const ServerImpl&) = delete;

    void setCell(_B2CServer* cell) { cell_ = cell; }
    _B2CServer* cell() const { return cell_; }

    // Owner's thread before start, or loop thread.
    void setOnConnection(ConnectionCallback fn) { onConnection_ = std::move(fn); }
    void setOnError(ErrorCallback fn) { onError_ = std::move(fn); }
    void setOnMessage(MessageCallback fn) { onMessage_ = std::move(fn); }

    // True when listening (also when it already was). A failed start leaves
    // nothing open. Any thread; the work is done on the loop.
    bool start(const char* address, int port);
    // Stops accepting; accepted connections stay. Any thread; done on return,
    // or right after a user callback that stayed under way (see EventImpl).
    void stop();
    // Local port of the listening socket, 0 when not listening.
    uint16_t localPort() const;
    // The handle went (any thread): no callback starts once this returned; the
    // acceptor and the connections close on the loop, where `cell` is freed
    // too, after a callback still under way.
    void detach(std::unique_ptr<_B2CServer> cell);

private:
    bool listen(const char* address, int port);
    void startAccept();
    // Closes the acceptor and ends its listening session.
    void closeAcceptor();
    void onAccepted(const boost::system::error_code& ec, boost::asio::ip::tcp::socket peer);
    void armTimer();
    void onTick();
    void onConnectionClosed(const std::shared_ptr<ConnectionImpl>& conn);
    // Closes every connection and empties the set (loop thread, or the owner's
    // while no thread runs the loop).
    void closeAll();
    // Calls the owner's callbacks, catching what they throw.
    // notifyConnection: true when the owner's callback was called with the handle.
    bool notifyConnection(_B2CConnection* connCell);
    void notifyError(_B2CConnection* connCell, const char* text, int code);

    std::shared_ptr<EventImpl> event_;  // its io_context must outlive the acceptor and timer
    ConnectionCallback onConnection_;
    ErrorCallback onError_;
    MessageCallback onMessage_;
    std::set<std::shared_ptr<ConnectionImpl>> connections_;
    std::atomic<_B2CServer*> cell_{nullptr};  // null once the handle was released
    boost::asio::ip::tcp::acceptor acceptor_;
    std::shared_ptr<boost::asio::steady_timer> timer_;
    std::atomic<uint16_t> port_{0};  // read from any thread
    uint64_t acceptSession_ = 0;     // bumped whenever the acceptor closes (loop thread)
    std::atomic<bool> detached_{false};
};

}  // namespace b2c

// The handle: one share of the server.
struct _B2CServer {
    std::shared_ptr<b2c::ServerImpl> impl;
};
