// ServerImpl: listens on one address and port and turns every accepted socket
// into a ConnectionImpl whose input is decoded first by ServerAuthDecoder (the
// login answer), then by NormalDecoder. One timer supervises all connections:
// heartbeats every 8 s and the idle limit. The owner sends the challenge and
// the result itself from its callbacks.
//
// Accepting, decoding, supervision and callbacks run on the event's loop thread.
// A connection's closed notification holds only a weak reference to the server,
// so connections closed during or after the server's teardown call nothing back.
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
    // nothing open. Owner's thread or loop thread.
    bool start(const char* address, int port);
    // Stops accepting; accepted connections stay. Any thread.
    void stop();
    // Local port of the listening socket, 0 when not listening.
    uint16_t localPort() const;
    // The handle went: no callback is made any more; the connections close.
    void detach();

private:
    void startAccept();
    void onAccepted(const std::shared_ptr<ConnectionImpl>& conn, std::unique_ptr<_B2CConnection> ownedCell,
                    const boost::system::error_code& ec);
    void armTimer();
    void onTick();
    void onConnectionClosed(const std::shared_ptr<ConnectionImpl>& conn);
    void closeAll();
    // Calls the owner's callbacks, catching what they throw.
    void notifyConnection(_B2CConnection* connCell);
    void notifyError(_B2CConnection* connCell, const char* text, int code);

    std::shared_ptr<EventImpl> event_;
    ConnectionCallback onConnection_;
    ErrorCallback onError_;
    MessageCallback onMessage_;
    std::set<std::shared_ptr<ConnectionImpl>> connections_;
    std::atomic<_B2CServer*> cell_{nullptr};  // null once the handle was released
    boost::asio::ip::tcp::acceptor acceptor_;
    std::shared_ptr<boost::asio::steady_timer> timer_;
    uint16_t port_ = 0;
    std::atomic<bool> detached_{false};
};

}  // namespace b2c

// The handle: one share of the server.
struct _B2CServer {
    std::shared_ptr<b2c::ServerImpl> impl;
};
