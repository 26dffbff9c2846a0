#include "b2cservice.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <vector>

#include "b2cclient0x03.h"
#include "fullpushreply.h"
#include "realtimereceiver.h"
#include "serverstatereply.h"
#include "url.h"

namespace {

constexpr unsigned kRequestCapacity = 1024;
constexpr unsigned kCancelCapacity = 4;
// How long shutdown waits for the loop to carry out the close before stopping it.
constexpr std::chrono::seconds kShutdownCloseWait{5};

// A whole decimal number in [min, max], optionally signed; false otherwise.
bool parse_decimal(const std::string& text, long long min, long long max, long long* out)
{
    if (text.empty() || text.size() > 19)
        return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
        if (text.size() == 1)
            return false;
    }
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > 100000000000LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v < min || v > max)
        return false;
    *out = v;
    return true;
}

}  // namespace

B2CService::B2CService() : event_(b2c_event_create())
{
    session_ = b2c::SimpleClient::create(event_);
    session_->set_state_handler([this](const std::shared_ptr<b2c::SimpleClient>&) { on_state(); });
    session_->set_message_handler(
        [this](const std::shared_ptr<b2c::SimpleClient>&, const _B2CMessage* msg) { on_message(msg); });
    code_table_context_ = std::make_shared<ContextBase>(this);
    server_state_context_ = std::make_shared<ContextBase>(this);
    service_context_ = std::make_shared<ContextBase>(this);
}

B2CService::~B2CService()
{
    shutdown();
    if (loop_started_.load())
        b2c_event_stop(event_);
    {
        std::lock_guard<std::mutex> lock(queue_mutex_);
        queue_.clear();
    }
    code_table_client_.reset();
    server_state_client_.reset();
    code_table_context_.reset();
    server_state_context_.reset();
    service_context_.reset();
    session_.reset();
    b2c_event_release(event_);
    std::lock_guard<std::mutex> lock(pending_mutex_);
    pending_.clear();
    resend_.clear();
}

B2CService& B2CService::instance()
{
    static B2CService engine;
    return engine;
}

bool B2CService::parse_settings(const char* url, Settings* out, std::string* error)
{
    if (!url || !*url) {
        *error = "no server URL";
        return false;
    }
    try {
        const Url parsed(url);
        Settings s;
        s.host = parsed.host();
        if (s.host.empty()) {
            *error = "server URL has no host";
            return false;
        }
        long long v = 0;
        if (!parse_decimal(parsed.port(), 1, 65535, &v)) {
            *error = "server URL has no valid port";
            return false;
        }
        s.port = static_cast<uint16_t>(v);
        const std::string delay = parsed.query("auto_delay", "1000");
        if (!parse_decimal(delay, LLONG_MIN / 2, INT32_MAX, &v)) {
            *error = "auto_delay is not a valid number";
            return false;
        }
        s.auto_delay = v < 0 ? kDefaultAutoDelay : static_cast<int32_t>(v);
        s.key = parsed.query("encrypt_key", kDefaultKey);
        *out = std::move(s);
        return true;
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}

// Engine thread (the caller's).
void B2CService::deliver_state_now(const quote_engine_config* config, quote_engine_callback callback, bool open)
{
    if (!callback || !config)
        return;  // no configuration: no user value to report to
    ServerStateReply reply(config->server, open, service_context_);
    reply.process();
    callback(config->user_value, reply.reply());
}

int B2CService::run(const quote_engine_config* config, quote_engine_callback callback)
{
    bool refused = false;
    {
        std::lock_guard<std::mutex> lock(lifecycle_mutex_);
        if (stop_.load() || running_.load())
            return 0;
        Settings settings;
        std::string error;
        const char* url = config && config->server ? config->server[0] : nullptr;
        if (!callback || !parse_settings(url, &settings, &error)) {
            refused = true;
        } else {
            running_.store(true);
            server_.store(config->server);
            flags_.store(static_cast<uint32_t>(config->flags));
            user_value_ = config->user_value;
            callback_ = callback;

            b2c::SimpleClient::ConnectInfo info;
            info.host = settings.host;
            info.port = settings.port;
            info.auto_delay = settings.auto_delay;
            info.key = settings.key;
            session_->set_connect_info(info);

            if (b2c_event_run(event_, 1) == 0) {
                running_.store(false);
                refused = true;
            } else {
                loop_started_.store(true);
                b2c_connection_connect(session_->connection(), info.host.c_str(), info.port);
                if ((flags_.load() & QUOTE_FLAG_NO_CODE_TABLE) == 0) {
                    code_table_client_ = make_code_table_client(*code_table_context_);
                    if (code_table_client_)
                        send(code_table_client_, false);
                }
                server_state_client_ = std::make_shared<B2CClient0x03>(*server_state_context_);
                send(server_state_client_, true);
                // The outside receiver gets its host now and starts after the
                // code table has arrived.
                if (flags_.load() & QUOTE_FLAG_RECEIVER)
                    RealtimeReceiver::instance().set_host_from_url(config->server[3]);
            }
        }
    }
    if (refused) {
        // Told through the callback, on this thread, with no lock held.
        deliver_state_now(config, callback, false);
        return 0;
    }

    // The task loop: the stop flag is tested before each task is taken.
    while (!stop_.load()) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(queue_mutex_);
            queue_cv_.wait(lock, [this] { return !queue_.empty() || stop_.load(); });
            if (stop_.load())
                break;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        if (task)
            task();
    }
    return 1;
}

int B2CService::loop_marker(intptr_t user)
{
    B2CService* self = reinterpret_cast<B2CService*>(user);
    std::lock_guard<std::mutex> lock(self->marker_mutex_);
    self->marker_seen_ = true;
    self->marker_cv_.notify_all();
    return 0;
}

// Waits until the loop has run everything queued before this call.
void B2CService::wait_loop_idle()
{
    {
        std::lock_guard<std::mutex> lock(marker_mutex_);
        marker_seen_ = false;
    }
    b2c_event_run_in_loop(event_, &B2CService::loop_marker, reinterpret_cast<intptr_t>(this));
    std::unique_lock<std::mutex> lock(marker_mutex_);
    marker_cv_.wait_for(lock, kShutdownCloseWait, [this] { return marker_seen_; });
}

void B2CService::shutdown()
{
    std::lock_guard<std::mutex> lock(lifecycle_mutex_);
    if (stop_.exchange(true))
        return;
    RealtimeReceiver::stop_instance();
    session_->set_auto_delay(0);
    if (loop_started_.load()) {
        // Close first and let the loop carry the close out, then stop the loop.
        b2c_connection_close(session_->connection());
        wait_loop_idle();
        b2c_event_stop(event_);
        loop_started_.store(false);
    }
    post_task([] {});
    queue_cv_.notify_all();
}

uint16_t B2CService::next_request_id()
{
    // Ids run 1..65535 and wrap; 0 is never used. Caller holds pending_mutex_:
    // ids still pending (or waiting for their re-send) are skipped.
    for (int tries = 0; tries < 65536; ++tries) {
        uint16_t before = request_counter_.fetch_add(1);
        if (before == 0xFFFF)
            before = request_counter_.fetch_add(1);
        const uint16_t id = static_cast<uint16_t>(before + 1);
        if (id != 0 && pending_.find(id) == pending_.end() && resend_.find(id) == resend_.end()) {
            forget_cancel_locked(id);  // pushes for the id are the new request's now
            return id;
        }
    }
    return 0;
}

void B2CService::remember_cancel_locked(uint16_t request_id)
{
    recent_cancels_[recent_cancel_next_] = request_id;
    recent_cancel_next_ = (recent_cancel_next_ + 1) % recent_cancels_.size();
}

bool B2CService::cancel_sent_locked(uint16_t request_id) const
{
    return request_id != 0 &&
           std::find(recent_cancels_.begin(), recent_cancels_.end(), request_id) != recent_cancels_.end();
}

void B2CService::forget_cancel_locked(uint16_t request_id)
{
    std::replace(recent_cancels_.begin(), recent_cancels_.end(), request_id, uint16_t{0});
}

uint16_t B2CService::send(const std::shared_ptr<IB2CClient>& client, bool subscribe)
{
    if (!client)
        return 0;
    uint16_t id;
    {
        std::lock_guard<std::mutex> lock(pending_mutex_);
        id = next_request_id();
        if (id == 0)
            return 0;
        pending_[id] = PendingRequest{client, subscribe, false};
    }
    return transmit(client, id);
}

uint16_t B2CService::transmit(const std::shared_ptr<IB2CClient>& client, uint16_t id)
{
    _B2CStream* body = client->alive() ? b2c_stream_create(kRequestCapacity) : nullptr;
    _B2CQuoteMsg header{};
    header.version = 1;
    header.word = 0;
    header.kind = 5;
    header.flag = 1;
    header.request_id = id;
    header.payload = body;
    const bool built = body && client->send(header);
    {
        std::lock_guard<std::mutex> lock(pending_mutex_);
        const auto it = pending_.find(id);
        if (!built) {
            if (it != pending_.end())
                pending_.erase(it);
            id = 0;
        } else if (it != pending_.end()) {
            if (header.command == kCommandServerState)
                server_state_request_id_.store(id);
            // Before the login answer nothing goes out: the request waits in
            // the pending map and is sent by on_state after the login. Sent
            // under the lock: a login meanwhile has moved the entry to its
            // re-send, which then owns the request.
            if (logged_in_) {
                _B2CMessage msg{session_->connection(), B2C_MESSAGE_QUOTE, &header};
                b2c_send_message(&msg);
                it->second.sent = true;
            }
        }
    }
    b2c_stream_release(body);
    return id;
}

void B2CService::send_cancel(uint16_t request_id)
{
    _B2CStream* body = b2c_stream_create(kCancelCapacity);
    if (!body)
        return;
    b2c_stream_append_int16(body, 1);
    b2c_stream_append_int16(body, static_cast<int16_t>(request_id));
    _B2CQuoteMsg header{};
    header.version = 1;
    header.kind = 5;
    header.command = kCommandCancel;
    header.flag = 1;
    header.request_id = 0;
    header.payload = body;
    _B2CMessage msg{session_->connection(), B2C_MESSAGE_QUOTE, &header};
    b2c_send_message(&msg);
    b2c_stream_release(body);
}

void B2CService::cancel(uint16_t request_id)
{
    // Before the login answer nothing goes out: the server holds no request of
    // this session yet, and the erased entry is not re-sent after the login.
    std::lock_guard<std::mutex> lock(pending_mutex_);
    pending_.erase(request_id);
    resend_.erase(request_id);
    if (logged_in_) {
        send_cancel(request_id);
        remember_cancel_locked(request_id);
    }
}

void B2CService::cancel_client(const std::shared_ptr<IB2CClient>& client)
{
    if (!client)
        return;
    // Same owner: the weak entry was made from this client.
    const auto same = [&client](const PendingRequest& p) {
        return !p.client.owner_before(client) && !client.owner_before(p.client);
    };
    const uint16_t last_id = client->request_id();
    std::lock_guard<std::mutex> lock(pending_mutex_);
    bool found = false;
    for (auto it = resend_.begin(); it != resend_.end();) {
        if (same(it->second)) {
            found = true;
            it = resend_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (same(it->second)) {
            found = true;
            if (logged_in_ && it->second.sent) {
                send_cancel(it->first);
                remember_cancel_locked(it->first);
            }
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    // The client's last id may have gone to another request since it was
    // answered; that request's server side is left alone.
    if (!found && last_id != 0 && logged_in_ && pending_.count(last_id) == 0 && resend_.count(last_id) == 0) {
        send_cancel(last_id);
        remember_cancel_locked(last_id);
    }
}

void B2CService::post(std::shared_ptr<BasicQuoteReply> reply)
{
    if (!reply)
        return;
    post_task([this, reply = std::move(reply)] { deliver(reply); });
}

void B2CService::post_task(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(queue_mutex_);
        queue_.push_back(std::move(task));
    }
    queue_cv_.notify_one();
}

void B2CService::close_connection()
{
    b2c_connection_close(session_->connection());
}

// Engine thread.
void B2CService::start_receiver()
{
    std::weak_ptr<ContextBase> service = service_context_;
    RealtimeReceiver::instance().start(
        [this, service](RealtimeReceiver::Records&& records) {
            post(std::make_shared<FullPushReply>(std::move(records), service, &symbols_));
        },
        [this] { return stopped(); });
}

// Engine thread.
void B2CService::deliver(const std::shared_ptr<BasicQuoteReply>& reply)
{
    // Held until the callback returns: a release on another thread meanwhile
    // leaves the handle valid. A released context gets no new delivery.
    const std::shared_ptr<ContextBase> context = reply->context().lock();
    if (!context || context->released())
        return;
    reply->process();
    QuoteReply* out = reply->reply();
    out->ctx = context->handle();
    {
        // Parsing takes time: a release meanwhile drops the reply. The lock is
        // not held during the callback, which waits on the caller's thread.
        std::lock_guard<std::mutex> lock(context->release_mutex());
        if (context->released())
            return;
    }
    if (callback_)
        callback_(user_value_, out);
}

bool B2CService::is_pending(uint16_t request_id) const
{
    std::lock_guard<std::mutex> lock(pending_mutex_);
    return pending_.count(request_id) != 0;
}

size_t B2CService::pending_count() const
{
    std::lock_guard<std::mutex> lock(pending_mutex_);
    return pending_.size();
}

_B2CStream* B2CService::unpack_compressed(_B2CStream* raw, _B2CQuoteMsg* header)
{
    int8_t kind = 0;
    if (!raw || !b2c_stream_read_int8(raw, &kind, 1))
        return nullptr;
    if ((kind != 0x02 && kind != 0x33) || !b2c_stream_is_gzip(raw, 0))
        return nullptr;
    const uint64_t size = static_cast<uint64_t>(b2c_stream_readable_size(raw)) * 3;
    _B2CStream* inflated = b2c_stream_create(static_cast<unsigned>(std::min<uint64_t>(size, 1u << 20)));
    if (!inflated)
        return nullptr;
    if (b2c_stream_gzip_decompress(raw, inflated) != 1 || !b2c_stream_decode_quote_msg(inflated, header)) {
        b2c_stream_release(inflated);
        return nullptr;
    }
    return inflated;
}

// Loop thread.
void B2CService::on_message(const _B2CMessage* msg)
{
    _B2CQuoteMsg header{};
    _B2CStream* inflated = nullptr;
    if (msg->kind == B2C_MESSAGE_QUOTE && msg->data) {
        header = *static_cast<const _B2CQuoteMsg*>(msg->data);
    } else if (msg->kind == B2C_MESSAGE_RAW && msg->data) {
        inflated = unpack_compressed(static_cast<_B2CStream*>(msg->data), &header);
        if (!inflated)
            return;
    } else {
        return;
    }

    if (header.command == kCommandServerState) {
        header.request_id = server_state_request_id_.load();
        header.word = 1;
    }
    const bool error = header.command == kCommandError;

    std::shared_ptr<IB2CClient> client;
    bool ended_push = false;  // a push the request no longer wants
    bool told = false;        // a push of a request whose cancel is on its way
    {
        std::lock_guard<std::mutex> lock(pending_mutex_);
        const auto it = pending_.find(header.request_id);
        if (it == pending_.end() && header.word == 1) {
            told = cancel_sent_locked(header.request_id);
        } else if (it != pending_.end()) {
            client = it->second.client.lock();
            // Only a subscription outlives its first answer: a one-shot
            // request is done once answered, whatever word the answer carries,
            // and is neither kept nor sent again after a login.
            const bool one_shot = !it->second.subscribe;
            if (header.word == 0 || !client || error || one_shot) {
                ended_push = one_shot && header.word == 1;
                pending_.erase(it);
            }
            if (header.word == 1 && (!client || error || ended_push))
                remember_cancel_locked(header.request_id);
        }
    }
    if (header.word == 1 && !told && (!client || error || ended_push))
        send_cancel(header.request_id);
    if (client)
        client->on_reply(header);
    b2c_stream_release(inflated);
}

// Loop thread: the session logged in, or the connection is not open.
void B2CService::on_state()
{
    const bool open = b2c_connection_is_open(session_->connection()) != 0;
    {
        std::lock_guard<std::mutex> lock(pending_mutex_);
        logged_in_ = open;
        if (open) {
            resend_.insert(pending_.begin(), pending_.end());
            pending_.clear();
            recent_cancels_.fill(0);  // a new session: the server knows none of them
        }
    }
    // Posted after the flag changed: a request made once the caller has seen
    // the state goes straight out.
    post(std::make_shared<ServerStateReply>(server_.load(), open, service_context_));
    if (!open)
        return;
    // Every request still waiting goes out again under a new id, in the order
    // of the old ids; requests of released contexts are dropped. Entries are
    // taken one at a time, each under its new id in the same step, so that a
    // cancel made meanwhile finds it and is honoured.
    for (;;) {
        std::shared_ptr<IB2CClient> client;
        uint16_t id = 0;
        {
            std::lock_guard<std::mutex> lock(pending_mutex_);
            if (resend_.empty())
                break;
            const auto first = resend_.begin();
            PendingRequest entry = std::move(first->second);
            resend_.erase(first);
            client = entry.client.lock();
            if (client)
                id = next_request_id();
            if (id != 0) {
                entry.sent = false;
                pending_[id] = std::move(entry);
            }
        }
        if (id != 0)
            transmit(client, id);
    }
}
