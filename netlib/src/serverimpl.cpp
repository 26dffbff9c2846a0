#include "serverimpl.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "nettimings.h"
#include "serverauthdecoder.h"

namespace b2c {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

// Accept errors after which accepting goes on: the failure concerns one
// client or a passing shortage of descriptors or memory.
bool isTransientAcceptError(const boost::system::error_code& ec) {
    switch (ec.value()) {
    case ECONNABORTED:
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
    case EPROTO:
    case EPERM:
    case EINTR:
    case EAGAIN:
        return ec.category() == boost::system::system_category();
    default:
        return false;
    }
}

constexpr auto kAcceptRetryDelay = std::chrono::milliseconds(100);

}  // namespace

ServerImpl::ServerImpl(std::shared_ptr<EventImpl> event) : event_(std::move(event)), acceptor_(event_->io()) {}

ServerImpl::~ServerImpl() {
    if (timer_) timer_->cancel();
    closeAll();
    boost::system::error_code ignored;
    acceptor_.close(ignored);
}

void ServerImpl::closeAll() {
    // The connections' closed notifications find the server gone and call nothing.
    auto connections = std::move(connections_);
    connections_.clear();
    for (const auto& conn : connections) {
        if (!event_->running() || event_->inLoopThread()) {
            conn->closeNow();
        } else {
            conn->close();
        }
    }
}

bool ServerImpl::start(const char* address, int port) {
    if (acceptor_.is_open()) return true;
    if (address == nullptr || port < 0 || port > 65535) return false;
    boost::system::error_code ec;
    const asio::ip::address addr = asio::ip::make_address(address, ec);
    if (ec) return false;
    const tcp::endpoint endpoint(addr, static_cast<uint16_t>(port));
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        boost::system::error_code ignored;
        acceptor_.close(ignored);
        return false;
    }
    port_ = acceptor_.local_endpoint(ec).port();
    if (!timer_) {
        timer_ = std::make_shared<asio::steady_timer>(event_->io());
        armTimer();
    }
    startAccept();
    return true;
}

void ServerImpl::stop() {
    if (!event_->running() || event_->inLoopThread()) {
        boost::system::error_code ignored;
        acceptor_.close(ignored);
        port_ = 0;
        return;
    }
    asio::post(event_->io(), [self = shared_from_this()] {
        boost::system::error_code ignored;
        self->acceptor_.close(ignored);
        self->port_ = 0;
    });
}

uint16_t ServerImpl::localPort() const { return port_; }

void ServerImpl::detach() {
    // No callback may carry the released handle from now on.
    detached_ = true;
    cell_ = nullptr;
    auto finish = [self = shared_from_this()] {
        if (self->timer_) self->timer_->cancel();
        boost::system::error_code ignored;
        self->acceptor_.close(ignored);
        self->closeAll();
    };
    if (!event_->running() || event_->inLoopThread()) {
        finish();
    } else {
        asio::post(event_->io(), finish);
    }
}

// Loop thread (or the owner's thread for the first accept).
void ServerImpl::startAccept() {
    auto conn = std::make_shared<ConnectionImpl>(event_);
    // The pending accept owns the prepared handle until it is handed to the
    // owner; destroyed unrun (the loop released), it frees the handle.
    std::unique_ptr<_B2CConnection> connCell(new _B2CConnection{conn});
    conn->setCell(connCell.get());
    auto& socket = conn->socket();
    acceptor_.async_accept(socket, [self = shared_from_this(), conn = std::move(conn), connCell = std::move(connCell)](
                                       const boost::system::error_code& ec) mutable {
        self->onAccepted(conn, std::move(connCell), ec);
    });
}

// Loop thread.
void ServerImpl::onAccepted(const std::shared_ptr<ConnectionImpl>& conn, std::unique_ptr<_B2CConnection> ownedCell,
                            const boost::system::error_code& ec) {
    if (ec || detached_) {
        conn->setCell(nullptr);
        ownedCell.reset();
        if (detached_ || !acceptor_.is_open()) return;
        if (isTransientAcceptError(ec) && ec.value() == ECONNABORTED) {
            startAccept();
        } else if (isTransientAcceptError(ec)) {
            // Out of descriptors or memory: try again shortly instead of spinning.
            auto retry = std::make_shared<asio::steady_timer>(event_->io(), kAcceptRetryDelay);
            retry->async_wait([self = shared_from_this(), retry](const boost::system::error_code& wec) {
                if (!wec && !self->detached_ && self->acceptor_.is_open()) self->startAccept();
            });
        } else {
            boost::system::error_code ignored;
            acceptor_.close(ignored);  // accepting ends
            port_ = 0;
        }
        return;
    }
    _B2CConnection* connCell = ownedCell.release();  // the owner releases it after the closed notification
    conn->startAccepted(ServerAuthDecoder::instance());
    std::weak_ptr<ServerImpl> weak = shared_from_this();
    conn->setOnConnection([weak](const std::shared_ptr<ConnectionImpl>& c) {
        if (auto server = weak.lock()) server->onConnectionClosed(c);
    });
    conn->setOnMessage(onMessage_);
    startAccept();
    connections_.insert(conn);
    notifyConnection(connCell);
}

// Loop thread.
void ServerImpl::onConnectionClosed(const std::shared_ptr<ConnectionImpl>& conn) {
    if (conn->isOpen()) return;
    if (connections_.erase(conn) == 0) return;
    if (conn->cell()) notifyConnection(conn->cell());
}

// Loop thread.
void ServerImpl::notifyConnection(_B2CConnection* connCell) {
    _B2CServer* const srv = cell_;
    if (!srv) return;
    if (!onConnection_) {
        notifyError(connCell, "no connection callback set", B2C_ERROR_CALLBACK);
        return;
    }
    try {
        onConnection_(srv, connCell);
    } catch (const std::exception& e) {
        notifyError(connCell, e.what(), B2C_ERROR_CALLBACK);
    } catch (...) {
        notifyError(connCell, "connection callback failed", B2C_ERROR_CALLBACK);
    }
}

// Loop thread.
void ServerImpl::notifyError(_B2CConnection* connCell, const char* text, int code) {
    _B2CServer* const srv = cell_;
    if (!srv) return;
    if (onError_) {
        try {
            onError_(srv, connCell, text, code);
            return;
        } catch (...) {
            // fall through to the printer: the error must not vanish
        }
    }
    std::printf("server [%p] connection [%p] error: [%d]%s\r\n", static_cast<void*>(srv),
                static_cast<void*>(connCell), code, text);
    std::fflush(stdout);
}

// Loop thread.
void ServerImpl::armTimer() {
    auto timer = timer_;
    timer->expires_after(netTimings().serverTick);
    std::weak_ptr<ServerImpl> weak = shared_from_this();
    timer->async_wait([weak, timer](const boost::system::error_code& ec) {
        if (ec) return;
        if (auto self = weak.lock()) self->onTick();
    });
}

// Loop thread.
void ServerImpl::onTick() {
    if (detached_) return;
    const auto now = ConnectionImpl::Clock::now();
    const auto limit = netTimings().idleLimit;
    // Closing removes from the set: walk a copy.
    const std::vector<std::shared_ptr<ConnectionImpl>> connections(connections_.begin(), connections_.end());
    for (const auto& conn : connections) {
        if (now - conn->lastActivity() > limit) {
            const std::string text = std::generic_category().message(ETIMEDOUT);
            notifyError(conn->cell(), text.c_str(), B2C_ERROR_TIMED_OUT);
            conn->closeNow();
        } else {
            conn->sendHeartbeat();
        }
    }
    armTimer();
}

}  // namespace b2c
