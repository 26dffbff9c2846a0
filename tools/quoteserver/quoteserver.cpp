#include "quoteserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>

#include "bodywriter.h"
#include "commandregistry.h"
#include "syntheticmarket.h"

namespace {

constexpr uint8_t kCommandError = 0x10;

int32_t today_yyyymmdd()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return (tm.tm_year + 1900) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
}

// A free loopback port, found by binding port 0 once.
int pick_port()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    int port = 0;
    socklen_t len = sizeof(addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

}  // namespace

QuoteServer::QuoteServer(_B2CEvent* event, Options options)
    : event_(event), options_(std::move(options)), refuse_login_(options_.refuse_login), delay_ms_(options_.delay_ms)
{
    const int32_t today = today_yyyymmdd();
    markets_[1] = MarketState{1, today, 1};
    markets_[2] = MarketState{2, today, 1};
}

QuoteServer::~QuoteServer()
{
    scheduler_.stop();
    stop();
    // The loop has stopped by now: no callback can use these handles any more.
    b2c_server_release(server_);
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& s : sessions_)
        b2c_connection_release(s.first);
    sessions_.clear();
}

int QuoteServer::start(int port)
{
    server_ = b2c_server_create(event_);
    if (!server_)
        return 0;
    b2c_server_on_connection(server_, &QuoteServer::on_connection, this);
    b2c_server_on_message(server_, &QuoteServer::on_message, this);
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int p = port != 0 ? port : pick_port();
        if (p != 0 && b2c_server_start(server_, "127.0.0.1", p))
            return p;
        if (port != 0)
            break;
    }
    return 0;
}

void QuoteServer::stop()
{
    if (server_)
        b2c_server_stop(server_);
}

namespace {

struct LoopMarker {
    std::mutex mutex;  // guards seen
    std::condition_variable cv;
    bool seen = false;
};

int mark_loop(intptr_t user)
{
    LoopMarker* marker = reinterpret_cast<LoopMarker*>(user);
    std::lock_guard<std::mutex> lock(marker->mutex);
    marker->seen = true;
    marker->cv.notify_all();
    return 0;
}

}  // namespace

void QuoteServer::flush_loop()
{
    // Twice: work queued by the first round (completions of a close) runs
    // before the second marker.
    for (int round = 0; round < 2; ++round) {
        LoopMarker marker;
        b2c_event_run_in_loop(event_, &mark_loop, reinterpret_cast<intptr_t>(&marker));
        std::unique_lock<std::mutex> lock(marker.mutex);
        if (!marker.cv.wait_for(lock, std::chrono::seconds(5), [&] { return marker.seen; }))
            return;
    }
}

void QuoteServer::close_all()
{
    drop_all();
    stop();
    flush_loop();
    b2c_server_release(server_);
    server_ = nullptr;
    flush_loop();
}

void QuoteServer::event(const std::string& line)
{
    std::lock_guard<std::mutex> lock(out_mutex_);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

// Loop thread.
int QuoteServer::on_connection(void* user, _B2CServer*, _B2CConnection* conn)
{
    QuoteServer* self = static_cast<QuoteServer*>(user);
    if (b2c_connection_is_open(conn))
        self->handle_open(conn);
    else
        self->handle_closed(conn);
    return 0;
}

// Loop thread.
int QuoteServer::on_message(void* user, _B2CMessage* msg)
{
    if (msg && msg->connection)
        static_cast<QuoteServer*>(user)->handle_message(msg);
    return 0;
}

bool QuoteServer::send_locked(const _B2CMessage& msg)
{
    if (sessions_.find(msg.connection) == sessions_.end())
        return false;
    return b2c_send_message(&msg) != 0;
}

// Loop thread: the server speaks first, with its challenge.
void QuoteServer::handle_open(_B2CConnection* conn)
{
    b2c_connection_on_message(conn, &QuoteServer::on_message, this);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        b2c_auth_msg_gen_key(&sessions_[conn].challenge);
    }
    event("open");
    const auto send_challenge = [this, conn] {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(conn);
        if (it == sessions_.end())
            return;
        _B2CMessage msg{conn, B2C_MESSAGE_AUTH, &it->second.challenge};
        it->second.challenged = true;
        send_locked(msg);
    };
    if (options_.hold_challenge)
        return;
    if (options_.challenge_delay_ms > 0)
        scheduler_.post_after(options_.challenge_delay_ms, send_challenge);
    else
        send_challenge();
}

void QuoteServer::send_held_challenges()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [conn, session] : sessions_) {
        if (session.challenged)
            continue;
        session.challenged = true;
        _B2CMessage msg{conn, B2C_MESSAGE_AUTH, &session.challenge};
        send_locked(msg);
    }
}

// Loop thread.
void QuoteServer::handle_closed(_B2CConnection* conn)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sessions_.erase(conn);
    }
    event("closed");
    b2c_connection_release(conn);
}

// Loop thread.
void QuoteServer::handle_message(const _B2CMessage* msg)
{
    _B2CConnection* conn = msg->connection;
    if (msg->kind == B2C_MESSAGE_AUTH) {
        const _B2CAuthMsg* answer = static_cast<const _B2CAuthMsg*>(msg->data);
        bool accepted = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto it = sessions_.find(conn);
            if (it == sessions_.end())
                return;
            const bool verified = b2c_auth_msg_verify(&it->second.challenge, answer, options_.key.data(),
                                                      static_cast<unsigned>(options_.key.size()));
            accepted = verified && !refuse_login_.load();
            it->second.logged_in = accepted;
            _B2CAuthMsg result{};
            result.kind = B2C_AUTH_RESULT;
            const int32_t value = accepted ? -1 : 0;
            std::memcpy(result.key, &value, sizeof(value));
            _B2CMessage out{conn, B2C_MESSAGE_AUTH, &result};
            send_locked(out);
        }
        event(accepted ? "login ok" : "login refused");
        return;
    }
    if (msg->kind != B2C_MESSAGE_QUOTE || !msg->data)
        return;
    const _B2CQuoteMsg* header = static_cast<const _B2CQuoteMsg*>(msg->data);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(conn);
        if (it == sessions_.end())
            return;
        if (!it->second.logged_in) {
            b2c_connection_close(conn);
            return;
        }
    }
    Request request;
    request.connection = conn;
    request.version = header->version;
    request.word = header->word;
    request.command = header->command;
    request.request_id = header->request_id;
    if (header->payload) {
        const unsigned n = b2c_stream_readable_size(header->payload);
        const char* p = b2c_stream_read_pos(header->payload);
        request.body.assign(p, p + n);
    }
    char line[64];
    std::snprintf(line, sizeof(line), "request 0x%02x %u", request.command, request.request_id);
    event(line);
    dispatch(std::move(request));
}

void QuoteServer::hold()
{
    std::lock_guard<std::mutex> lock(hold_mutex_);
    holding_ = true;
}

void QuoteServer::release()
{
    std::vector<Request> held;
    {
        std::lock_guard<std::mutex> lock(hold_mutex_);
        holding_ = false;
        held.swap(held_);
    }
    for (Request& request : held)
        dispatch(std::move(request));
}

// Loop thread (and the control thread on release).
void QuoteServer::dispatch(Request request)
{
    {
        std::lock_guard<std::mutex> lock(hold_mutex_);
        if (holding_) {
            held_.push_back(std::move(request));
            return;
        }
    }
    scheduler_.post_after(delay_ms_.load(), [this, request = std::move(request)] {
        const CommandHandler* handler = CommandRegistry::instance().find(request.command);
        if (handler)
            (*handler)(*this, request);
        else
            reply_error(request.connection, request.request_id, -1, "unknown command");
    });
}

bool QuoteServer::reply(_B2CConnection* conn, uint8_t command, uint16_t request_id, uint16_t word,
                        const std::vector<uint8_t>& body, bool gzip, uint8_t version, uint8_t body_kind)
{
    bool sent = false;
    if (gzip || options_.gzip) {
        BodyWriter plain;
        plain.u8(version).i16(static_cast<int16_t>(word)).u8(5).u8(command).u8(1).i16(static_cast<int16_t>(request_id));
        plain.bytes(body.data(), body.size());
        _B2CStream* out = b2c_stream_create(static_cast<unsigned>(plain.data().size() + 64));
        b2c_stream_append_int8(out, static_cast<int8_t>(body_kind));
        if (b2c_stream_gzip_view_compress(plain.data().data(), static_cast<unsigned>(plain.data().size()), out) == 1) {
            _B2CMessage msg{conn, B2C_MESSAGE_RAW, out};
            std::lock_guard<std::mutex> lock(mutex_);
            sent = send_locked(msg);
        }
        b2c_stream_release(out);
        return sent;
    }
    _B2CStream* payload = b2c_stream_create(static_cast<unsigned>(body.size() + 8));
    if (!body.empty())
        b2c_stream_append_bytes(payload, body.data(), static_cast<unsigned>(body.size()));
    _B2CQuoteMsg header{};
    header.version = version;
    header.word = word;
    header.kind = 5;
    header.command = command;
    header.flag = 1;
    header.request_id = request_id;
    header.payload = payload;
    _B2CMessage msg{conn, B2C_MESSAGE_QUOTE, &header};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sent = send_locked(msg);
    }
    b2c_stream_release(payload);
    return sent;
}

bool QuoteServer::reply_error(_B2CConnection* conn, uint16_t request_id, int8_t code, const std::string& text,
                              bool gzip)
{
    BodyWriter body;
    body.u8(static_cast<uint8_t>(code)).bytes(text.data(), text.size());
    return reply(conn, kCommandError, request_id, 0, body.data(), gzip);
}

void QuoteServer::subscribe(_B2CConnection* conn, uint16_t request_id, uint8_t command)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(conn);
    if (it == sessions_.end())
        return;
    it->second.subscriptions.insert(request_id);
    it->second.commands[request_id] = command;
}

bool QuoteServer::unsubscribe(_B2CConnection* conn, uint16_t request_id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(conn);
    if (it == sessions_.end())
        return false;
    it->second.commands.erase(request_id);
    return it->second.subscriptions.erase(request_id) != 0;
}

bool QuoteServer::subscribed(_B2CConnection* conn, uint16_t request_id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(conn);
    return it != sessions_.end() && it->second.subscriptions.count(request_id) != 0;
}

std::vector<std::pair<_B2CConnection*, uint16_t>> QuoteServer::subscribers(uint8_t command) const
{
    std::vector<std::pair<_B2CConnection*, uint16_t>> out;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& s : sessions_)
        for (const auto& c : s.second.commands)
            if (c.second == command)
                out.emplace_back(s.first, c.first);
    return out;
}

std::vector<_B2CConnection*> QuoteServer::connections() const
{
    std::vector<_B2CConnection*> out;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& s : sessions_)
        if (s.second.logged_in)
            out.push_back(s.first);
    return out;
}

std::vector<MarketState> QuoteServer::markets() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<MarketState> out;
    for (const auto& m : markets_)
        out.push_back(m.second);
    return out;
}

void QuoteServer::set_market(uint8_t market, int32_t date, int state)
{
    std::lock_guard<std::mutex> lock(mutex_);
    MarketState& m = markets_[market];
    m.market = market;
    if (date != 0)
        m.date = date;
    if (state >= 0)
        m.state = static_cast<uint8_t>(state);
}

void QuoteServer::drop_all()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& s : sessions_)
        b2c_connection_close(s.first);
}

// Scheduler thread: the server-state table to every subscriber of 0x03.
void QuoteServer::push_market_state()
{
    const CommandHandler* handler = CommandRegistry::instance().find(0x03);
    if (!handler)
        return;
    for (const auto& sub : subscribers(0x03)) {
        Request request;
        request.connection = sub.first;
        request.command = 0x03;
        request.request_id = sub.second;
        request.word = 1;  // marks a push of an existing subscription
        (*handler)(*this, request);
    }
}

// Scheduler thread: the server-state table to every logged-in connection
// under the given request id, subscribed or not.
void QuoteServer::push_market_state_as(uint16_t request_id)
{
    const CommandHandler* handler = CommandRegistry::instance().find(0x03);
    if (!handler)
        return;
    for (_B2CConnection* conn : connections()) {
        Request request;
        request.connection = conn;
        request.command = 0x03;
        request.request_id = request_id;
        request.word = 1;
        (*handler)(*this, request);
    }
}

// Control lines (standard input):
//   drop                    close every connection
//   date <market> <yyyymmdd> set a market's date and push the server state
//   state <market> <byte>   set a market's state byte and push the server state
//   push                    push the server state
//   push-id <id>            push the server state to every connection under
//                           that request id
//   refuse <0|1>            refuse (1) or accept (0) later logins
//   delay <ms>              delay every later answer
//   challenge               send the login challenge to every connection
//                           still waiting for it (see --hold-challenge)
//   hold                    keep later requests unanswered ("holding")
//   release                 answer the kept requests and stop holding
//                           ("released")
//   tick <n>                move the synthetic market on by n ticks, as n
//                           list pushes do ("ticked"); later answers show it
void QuoteServer::control(const std::string& line)
{
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "drop") {
        scheduler_.post([this] {
            drop_all();
            event("dropped");
        });
    } else if (word == "date" || word == "state") {
        long market = 0, value = 0;
        in >> market >> value;
        const bool is_date = word == "date";
        scheduler_.post([this, market, value, is_date] {
            set_market(static_cast<uint8_t>(market), is_date ? static_cast<int32_t>(value) : 0,
                       is_date ? -1 : static_cast<int>(value));
            push_market_state();
            event("pushed");
        });
    } else if (word == "push") {
        scheduler_.post([this] {
            push_market_state();
            event("pushed");
        });
    } else if (word == "push-id") {
        long id = 0;
        in >> id;
        scheduler_.post([this, id] {
            push_market_state_as(static_cast<uint16_t>(id));
            event("pushed");
        });
    } else if (word == "refuse") {
        int v = 0;
        in >> v;
        set_refuse_login(v != 0);
        event("ok");
    } else if (word == "delay") {
        int v = 0;
        in >> v;
        set_delay(v);
        event("ok");
    } else if (word == "challenge") {
        scheduler_.post([this] {
            send_held_challenges();
            event("challenged");
        });
    } else if (word == "hold") {
        hold();
        event("holding");
    } else if (word == "release") {
        release();
        event("released");
    } else if (word == "tick") {
        long n = 0;
        in >> n;
        n = std::clamp(n, 0L, 1000000L);
        scheduler_.post([this, n] {
            for (long i = 0; i < n; ++i)
                SyntheticMarket::instance().tick();
            event("ticked");
        });
    } else if (!word.empty()) {
        event("unknown control " + word);
    }
}
