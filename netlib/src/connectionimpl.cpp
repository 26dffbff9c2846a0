#include "connectionimpl.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/write.hpp>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <system_error>

#include "clientauthkeydecoder.h"
#include "heartbeatencoder.h"
#include "nettimings.h"
#include "repeatlimiter.h"

namespace b2c {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

// A refused connect repeats at every reconnect: identical errors are
// printed once and then counted (see RepeatLimiter).
void defaultPrinter(const void* connection, const char* text, int code)
{
    char head[64];
    std::snprintf(head, sizeof head, "connection [%p] error: [%d]", connection, code);
    const std::string detail = text ? text : "";
    printLimited("connection " + std::to_string(code) + " " + detail, head + detail);
}

}  // namespace

ConnectionImpl::ConnectionImpl(std::shared_ptr<EventImpl> event)
    : event_(std::move(event)), socket_(event_->io()), input_(kInputSize), lastActivity_(Clock::now()),
      decoder_(&ClientAuthKeyDecoder::instance())
{}

ConnectionImpl::~ConnectionImpl()
{
    boost::system::error_code ignored;
    socket_.close(ignored);
}

bool ConnectionImpl::send(FrameProducer frame)
{
    if (!frame)
        return false;
    const uint64_t state = state_.load();
    if ((state & 1u) == 0)
        return false;
    return event_->post([self = shared_from_this(), frame = std::move(frame), state]() mutable {
        self->appendFrame(std::move(frame), state);
    });
}

void ConnectionImpl::close()
{
    event_->post([self = shared_from_this()] { self->closeNow(); });
}

void ConnectionImpl::connect(const std::string& host, uint16_t port)
{
    cancelDelayedConnect();
    event_->runInLoop([self = shared_from_this(), host, port] {
        self->cancelDelayedConnect();
        self->startConnect(host, port);
    });
}

bool ConnectionImpl::delayConnect(const std::string& host, uint16_t port, int delayMs)
{
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(delayMutex_);
        if (delayPending_)
            return false;
        delayPending_ = true;
        generation = ++delayGeneration_;
    }
    const auto delay = std::chrono::milliseconds(delayMs < 0 ? 0 : delayMs);
    const bool queued = event_->runInLoop([self = shared_from_this(), host, port, delay, generation] {
        auto timer = std::make_shared<asio::steady_timer>(self->event_->io(), delay);
        {
            std::lock_guard<std::mutex> lock(self->delayMutex_);
            if (generation != self->delayGeneration_)
                return;  // cancelled meanwhile
            self->delayTimer_ = timer;
        }
        // The pending wait owns the timer; the weak reference only lets a
        // connect cancel it.
        timer->async_wait([self, timer, host, port, generation](const boost::system::error_code& ec) {
            {
                std::lock_guard<std::mutex> lock(self->delayMutex_);
                if (generation != self->delayGeneration_)
                    return;
                self->delayPending_ = false;
            }
            if (ec)
                return;
            self->startConnect(host, port);
        });
    });
    if (!queued) {
        std::lock_guard<std::mutex> lock(delayMutex_);
        if (generation == delayGeneration_)
            delayPending_ = false;
    }
    return queued;
}

void ConnectionImpl::cancelDelayedConnect()
{
    std::shared_ptr<asio::steady_timer> timer;
    {
        std::lock_guard<std::mutex> lock(delayMutex_);
        if (!delayPending_)
            return;
        delayPending_ = false;
        ++delayGeneration_;
        timer = delayTimer_.lock();
        delayTimer_.reset();
    }
    // The generation change already turns the expiry into a no-op; the wait
    // itself is cancelled on the loop thread so that it ends at once.
    if (!timer)
        return;
    if (event_->inLoopThread()) {
        timer->cancel();
    } else {
        event_->post([timer] { timer->cancel(); });
    }
}

void ConnectionImpl::detach(std::unique_ptr<_B2CConnection> cell)
{
    // Set before the loop is asked: a callback that starts from now on sees
    // them and calls nothing.
    detached_ = true;
    cell_ = nullptr;
    const std::shared_ptr<_B2CConnection> handle(std::move(cell));
    event_->runInLoopAndWait(
        [self = shared_from_this(), handle] {
            self->cancelDelayedConnect();
            self->closeNow();
            ++self->connectAttempt_;  // a resolve or connect under way comes to nothing
            boost::system::error_code ignored;
            self->socket_.close(ignored);
        },
        true);
}

// Loop thread.
void ConnectionImpl::startConnect(const std::string& host, uint16_t port)
{
    if (detached_)
        return;
    if (isOpen()) {
        // A new connect closes the open connection cleanly first; a delayed
        // connect armed by its close notification is superseded.
        closeNow();
        cancelDelayedConnect();
    }
    const uint64_t attempt = ++connectAttempt_;
    boost::system::error_code ignored;
    socket_.close(ignored);  // drops a connect attempt still under way
    auto resolver = std::make_shared<tcp::resolver>(event_->io());
    resolver->async_resolve(host, std::to_string(port), tcp::resolver::address_configured,
                            [self = shared_from_this(), resolver, attempt](const boost::system::error_code& ec,
                                                                           const tcp::resolver::results_type& results) {
                                if (attempt != self->connectAttempt_)
                                    return;  // superseded by a newer connect
                                if (ec) {
                                    self->reportError(ec.message().c_str(), ec.value());
                                    self->callOnConnection();
                                    return;
                                }
                                asio::async_connect(
                                    self->socket_, results,
                                    [self, attempt](const boost::system::error_code& ec2, const tcp::endpoint&) {
                                        if (attempt != self->connectAttempt_)
                                            return;
                                        if (ec2) {
                                            self->reportError(ec2.message().c_str(), ec2.value());
                                            self->callOnConnection();
                                            return;
                                        }
                                        self->onConnected();
                                    });
                            });
}

// Loop thread.
void ConnectionImpl::onConnected()
{
    lastActivity_ = Clock::now();
    input_.retrieveAll();
    sendQueue_.clear();
    held_.clear();
    holdForLogin_ = true;
    state_ = ((state_.load() >> 1) + 1) << 1 | 1u;
    decoder_ = &ClientAuthKeyDecoder::instance();
    boost::system::error_code ignored;
    socket_.set_option(tcp::no_delay(true), ignored);
    heartbeatTimer_ = std::make_shared<asio::steady_timer>(event_->io());
    armHeartbeat(heartbeatTimer_);
    startRead();
    callOnConnection();
}

// Loop thread.
void ConnectionImpl::startAccepted(const FrameDecoder& decoder)
{
    lastActivity_ = Clock::now();
    input_.retrieveAll();
    holdForLogin_ = false;  // the server speaks first
    state_ = ((state_.load() >> 1) + 1) << 1 | 1u;
    decoder_ = &decoder;
    boost::system::error_code ignored;
    socket_.set_option(tcp::no_delay(true), ignored);
    startRead();
}

// Loop thread.
void ConnectionImpl::armHeartbeat(const std::shared_ptr<asio::steady_timer>& timer)
{
    timer->expires_after(netTimings().heartbeat);
    timer->async_wait([self = shared_from_this(), timer](const boost::system::error_code& ec) {
        if (ec)
            return;  // cancelled by a close
        self->onHeartbeat(timer);
    });
}

// Loop thread.
void ConnectionImpl::onHeartbeat(const std::shared_ptr<asio::steady_timer>& timer)
{
    if (timer != heartbeatTimer_ || !isOpen())
        return;
    if (holdForLogin_) {
        // Nothing is written before this side's login record, heartbeats
        // included. The heartbeats that would otherwise go out and complete
        // keep a connection alive, so the wait for the challenge does not
        // count against the idle limit either.
        armHeartbeat(timer);
        return;
    }
    if (idleTooLong(Clock::now() - lastActivity_, netTimings())) {
        reportError(std::generic_category().message(ETIMEDOUT).c_str(), B2C_ERROR_TIMED_OUT);
        closeNow();
        return;
    }
    sendHeartbeat();
    armHeartbeat(timer);
}

// Loop thread.
void ConnectionImpl::sendHeartbeat()
{
    const uint64_t state = state_.load();
    // A heartbeat carries nothing: while frames wait for the login record it
    // is dropped, so that none goes out ahead of or along with the answer.
    if ((state & 1u) == 0 || holdForLogin_)
        return;
    appendFrame(HeartbeatEncoder::shared(), state);
}

// Loop thread.
void ConnectionImpl::appendFrame(FrameProducer frame, uint64_t state)
{
    // A frame of a session that has ended is dropped with that session.
    if (state != state_.load())
        return;
    if (holdForLogin_) {
        if (!frame->isLoginRecord()) {
            held_.push_back(std::move(frame));
            return;
        }
        holdForLogin_ = false;
        lastActivity_ = Clock::now();  // idle time counts from the login record on
        sendQueue_.push_back(std::move(frame));
        for (auto& f : held_)
            sendQueue_.push_back(std::move(f));
        held_.clear();
    } else {
        sendQueue_.push_back(std::move(frame));
    }
    startWrite();
}

// Loop thread.
void ConnectionImpl::startWrite()
{
    if (writing_ || sendQueue_.empty() || !isOpen())
        return;
    // The frames being written move into the completion handler, which keeps
    // their buffers alive whatever happens to the queue meanwhile.
    std::vector<FrameProducer> batch;
    std::vector<asio::const_buffer> buffers;
    size_t bytes = 0;
    while (!sendQueue_.empty() && batch.size() < kMaxBatchFrames && bytes < kMaxBatchBytes) {
        ByteRange r[FrameEncoder::kMaxRanges];
        const size_t n = sendQueue_.front()->ranges(r);
        for (size_t i = 0; i < n; ++i) {
            if (r[i].size == 0)
                continue;
            buffers.emplace_back(r[i].data, r[i].size);
            bytes += r[i].size;
        }
        batch.push_back(std::move(sendQueue_.front()));
        sendQueue_.pop_front();
    }
    writing_ = true;
    const uint64_t state = state_.load();
    asio::async_write(
        socket_, buffers,
        [self = shared_from_this(), batch = std::move(batch), state](const boost::system::error_code& ec, size_t) {
            // A write of an ended session: its abort follows the
            // local close and is not reported again.
            if (state != self->state_.load())
                return;
            self->writing_ = false;
            if (ec) {
                self->reportError(ec.message().c_str(), ec.value());
                self->closeNow();
                return;
            }
            self->lastActivity_ = Clock::now();
            self->startWrite();
        });
}

// Loop thread.
void ConnectionImpl::startRead()
{
    if (!input_.ensureWritable(kReadChunk)) {
        reportError("input buffer full", B2C_ERROR_BAD_INPUT);
        closeNow();
        return;
    }
    const uint64_t state = state_.load();
    socket_.async_read_some(asio::buffer(input_.beginWrite(), input_.writableBytes()),
                            [self = shared_from_this(), state](const boost::system::error_code& ec, size_t n) {
                                self->onRead(ec, n, state);
                            });
}

// Loop thread.
void ConnectionImpl::onRead(const boost::system::error_code& ec, size_t n, uint64_t state)
{
    if (state != state_.load()) {
        // The read of a closed session: its abort is reported once, nothing more.
        if (ec)
            reportError(ec.message().c_str(), ec.value());
        return;
    }
    if (ec) {
        reportError(ec.message().c_str(), ec.value());
        closeNow();
        return;
    }
    lastActivity_ = Clock::now();
    input_.hasWritten(n);
    runDecoder(state);
    if (state == state_.load())
        startRead();
}

// Loop thread.
void ConnectionImpl::runDecoder(uint64_t state)
{
    while (state == state_.load()) {
        const FrameDecoder& decoder = *decoder_;
        DecodedFrame frame;
        DecodeStatus status;
        try {
            status = decoder.decodeOne(input_, frame);
        } catch (const std::exception& e) {
            reportError(e.what(), B2C_ERROR_BAD_INPUT);
            closeNow();
            return;
        }
        if (status == DecodeStatus::NeedMore)
            return;
        if (status == DecodeStatus::Fatal) {
            reportError("invalid frame from peer", B2C_ERROR_BAD_INPUT);
            closeNow();
            return;
        }
        if (status == DecodeStatus::Skipped)
            continue;
        decoder_ = &decoder.next();
        if (isOpen() || decoder.deliversWhenClosed()) {
            _B2CMessage msg = frame.message(cell());
            deliver(&msg);
        }
    }
}

// Loop thread.
void ConnectionImpl::closeNow()
{
    const uint64_t state = state_.load();
    if ((state & 1u) == 0)
        return;
    boost::system::error_code ignored;
    socket_.close(ignored);
    state_ = ((state >> 1) + 1) << 1;
    sendQueue_.clear();
    held_.clear();
    writing_ = false;
    input_.retrieveAll();
    if (heartbeatTimer_) {
        heartbeatTimer_->cancel();
        heartbeatTimer_.reset();
    }
    callOnConnection();
}

// Loop thread.
void ConnectionImpl::reportError(const char* text, int code)
{
    EventImpl::CallbackScope scope(*event_);  // entered before the check, see EventImpl
    if (detached_)
        return;
    if (onError_) {
        try {
            onError_(shared_from_this(), text, code);
            return;
        } catch (...) {
            // fall through to the printer: the error must not vanish
        }
    }
    defaultPrinter(this, text, code);
}

// Loop thread.
void ConnectionImpl::callOnConnection()
{
    EventImpl::CallbackScope scope(*event_);
    if (!onConnection_) {
        reportError("no connection callback set", B2C_ERROR_CALLBACK);
        return;
    }
    try {
        onConnection_(shared_from_this());
    } catch (const std::exception& e) {
        reportError(e.what(), B2C_ERROR_CALLBACK);
    } catch (...) {
        reportError("connection callback failed", B2C_ERROR_CALLBACK);
    }
}

// Loop thread.
void ConnectionImpl::deliver(_B2CMessage* msg)
{
    EventImpl::CallbackScope scope(*event_);
    if (detached_)
        return;
    if (!onMessage_) {
        reportError("no message callback set", B2C_ERROR_CALLBACK);
        return;
    }
    try {
        onMessage_(msg);
    } catch (const std::exception& e) {
        reportError(e.what(), B2C_ERROR_CALLBACK);
    } catch (...) {
        reportError("message callback failed", B2C_ERROR_CALLBACK);
    }
}

}  // namespace b2c
