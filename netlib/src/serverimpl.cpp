#include "serverimpl.h"

#include <boost/asio/ip/address.hpp>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "nettimings.h"
#include "repeatlimiter.h"
#include "serverauthdecoder.h"

namespace b2c {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

enum class AcceptFailure { OneClient, Shortage, Fatal };

// What an accept error means for accepting: one client's failure (accept the
// next one at once; Linux also reports a new socket's pending network errors
// this way), a passing shortage of descriptors or memory (retry shortly), or
// the end of accepting.
AcceptFailure classifyAcceptError(const boost::system::error_code& ec)
{
    if (ec.category() != boost::system::system_category())
        return AcceptFailure::Fatal;
    switch (ec.value()) {
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
    case EINTR:
    case EAGAIN:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
        return AcceptFailure::OneClient;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return AcceptFailure::Shortage;
    default:
        return AcceptFailure::Fatal;
    }
}

constexpr auto kAcceptRetryDelay = std::chrono::milliseconds(100);

}  // namespace

ServerImpl::ServerImpl(std::shared_ptr<EventImpl> event) : event_(std::move(event)), acceptor_(event_->io()) {}

// Runs after detach() closed everything on the loop thread, or once the
// event dropped that work unrun.
ServerImpl::~ServerImpl()
{
    boost::system::error_code ignored;
    acceptor_.close(ignored);
}

// Loop thread, or the owner's while no thread runs the loop.
void ServerImpl::closeAll()
{
    // The connections' closed notifications find them gone from the set and call nothing.
    auto connections = std::move(connections_);
    connections_.clear();
    for (const auto& conn : connections)
        conn->closeNow();
}

bool ServerImpl::start(const char* address, int port)
{
    if (event_->released())
        return false;  // nothing may be left pending on a released loop
    bool ok = false;
    // On the loop, so that a start right after a stop sees the stop done.
    // The result is needed, so this waits even while a callback is under way.
    event_->runInLoopAndWait([&] { ok = listen(address, port); }, false);
    return ok;
}

// Loop thread, or the owner's while no thread runs the loop.
bool ServerImpl::listen(const char* address, int port)
{
    if (acceptor_.is_open())
        return true;
    if (address == nullptr || port < 0 || port > 65535)
        return false;
    boost::system::error_code ec;
    const asio::ip::address addr = asio::ip::make_address(address, ec);
    if (ec)
        return false;
    const tcp::endpoint endpoint(addr, static_cast<uint16_t>(port));
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);  // before bind
    if (!ec)
        acceptor_.bind(endpoint, ec);
    if (!ec)
        acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        closeAcceptor();  // a failed start leaves nothing open
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

void ServerImpl::stop()
{
    event_->runInLoopAndWait([self = shared_from_this()] { self->closeAcceptor(); }, true);
}

uint16_t ServerImpl::localPort() const
{
    return port_;
}

void ServerImpl::detach(std::unique_ptr<_B2CServer> cell)
{
    // Set before the loop is asked: a callback that starts from now on sees
    // them and calls nothing.
    detached_ = true;
    cell_ = nullptr;
    const std::shared_ptr<_B2CServer> handle(std::move(cell));
    event_->runInLoopAndWait(
        [self = shared_from_this(), handle] {
            if (self->timer_)
                self->timer_->cancel();
            self->closeAcceptor();
            self->closeAll();
        },
        true);
}

// Loop thread (or the owner's thread for the first accept).
void ServerImpl::startAccept()
{
    // The pending accept holds only a weak reference: neither it nor an
    // aborted accept left queued keeps the server, a connection or the loop
    // alive. The socket is made by the accept and handed over on success.
    std::weak_ptr<ServerImpl> weak = shared_from_this();
    const uint64_t session = acceptSession_;
    acceptor_.async_accept([weak, session](const boost::system::error_code& ec, tcp::socket peer) {
        auto self = weak.lock();
        // An accept of a listening session that has ended (stopped, released,
        // or stopped and started again) takes nothing; its socket just closes.
        if (self && session == self->acceptSession_ && !self->detached_)
            self->onAccepted(ec, std::move(peer));
    });
}

// Loop thread, or the owner's while no thread runs the loop.
void ServerImpl::closeAcceptor()
{
    boost::system::error_code ignored;
    acceptor_.close(ignored);
    port_ = 0;
    ++acceptSession_;
}

// Loop thread.
void ServerImpl::onAccepted(const boost::system::error_code& ec, tcp::socket peer)
{
    if (ec) {
        const AcceptFailure failure = classifyAcceptError(ec);
        if (failure == AcceptFailure::OneClient) {
            startAccept();
        } else if (failure == AcceptFailure::Shortage) {
            // Out of descriptors or memory: try again shortly instead of spinning.
            auto retry = std::make_shared<asio::steady_timer>(event_->io(), kAcceptRetryDelay);
            std::weak_ptr<ServerImpl> weak = shared_from_this();
            const uint64_t session = acceptSession_;
            retry->async_wait([weak, retry, session](const boost::system::error_code& wec) {
                auto self = weak.lock();
                if (!wec && self && session == self->acceptSession_ && !self->detached_)
                    self->startAccept();
            });
        } else {
            closeAcceptor();  // accepting ends
        }
        return;
    }
    auto conn = std::make_shared<ConnectionImpl>(event_);
    conn->socket() = std::move(peer);
    // The owner releases the cell (b2c_connection_release) after the closed
    // notification; until the open notification hands it over it is ours.
    auto connCell = std::make_unique<_B2CConnection>(_B2CConnection{conn});
    conn->setCell(connCell.get());
    conn->startAccepted(ServerAuthDecoder::instance());
    std::weak_ptr<ServerImpl> weak = shared_from_this();
    conn->setOnConnection([weak](const std::shared_ptr<ConnectionImpl>& c) {
        if (auto server = weak.lock())
            server->onConnectionClosed(c);
    });
    conn->setOnMessage(onMessage_);
    startAccept();
    connections_.insert(conn);
    if (notifyConnection(connCell.get())) {
        connCell.release();  // the owner's now
    } else {
        // The server was released meanwhile (or nobody listens): nobody else
        // will release this handle, so the connection goes here.
        conn->detach(std::move(connCell));
    }
}

// Loop thread.
void ServerImpl::onConnectionClosed(const std::shared_ptr<ConnectionImpl>& conn)
{
    if (conn->isOpen())
        return;
    if (connections_.erase(conn) == 0)
        return;
    if (_B2CConnection* connCell = conn->cell())
        notifyConnection(connCell);
}

// Loop thread.
bool ServerImpl::notifyConnection(_B2CConnection* connCell)
{
    EventImpl::CallbackScope scope(*event_);  // entered before the check, see EventImpl
    _B2CServer* const srv = cell_;
    if (!srv)
        return false;
    if (!onConnection_) {
        notifyError(connCell, "no connection callback set", B2C_ERROR_CALLBACK);
        return false;
    }
    try {
        onConnection_(srv, connCell);
    } catch (const std::exception& e) {
        notifyError(connCell, e.what(), B2C_ERROR_CALLBACK);
    } catch (...) {
        notifyError(connCell, "connection callback failed", B2C_ERROR_CALLBACK);
    }
    return true;
}

// Loop thread.
void ServerImpl::notifyError(_B2CConnection* connCell, const char* text, int code)
{
    EventImpl::CallbackScope scope(*event_);
    _B2CServer* const srv = cell_;
    if (!srv)
        return;
    if (onError_) {
        try {
            onError_(srv, connCell, text, code);
            return;
        } catch (...) {
            // fall through to the printer: the error must not vanish
        }
    }
    char head[96];
    std::snprintf(head, sizeof head, "server [%p] connection [%p] error: [%d]", static_cast<void*>(srv),
                  static_cast<void*>(connCell), code);
    const std::string detail = text ? text : "";
    printLimited("server " + std::to_string(code) + " " + detail, head + detail);
}

// Loop thread.
void ServerImpl::armTimer()
{
    auto timer = timer_;
    timer->expires_after(netTimings().serverTick);
    std::weak_ptr<ServerImpl> weak = shared_from_this();
    timer->async_wait([weak, timer](const boost::system::error_code& ec) {
        if (ec)
            return;
        if (auto self = weak.lock())
            self->onTick();
    });
}

// Loop thread.
void ServerImpl::onTick()
{
    if (detached_)
        return;
    const auto now = ConnectionImpl::Clock::now();
    const NetTimings timings = netTimings();
    // Closing removes from the set: walk a copy.
    const std::vector<std::shared_ptr<ConnectionImpl>> connections(connections_.begin(), connections_.end());
    for (const auto& conn : connections) {
        if (idleTooLong(now - conn->lastActivity(), timings)) {
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
