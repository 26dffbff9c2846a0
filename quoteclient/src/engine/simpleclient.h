// b2c::SimpleClient: the one quote session. It owns a Brastel connection on
// the engine's event loop, answers the server's login challenge with the
// session key, reports "logged in" and "not open" to its state handler,
// reconnects after auto_delay milliseconds (0 = never) and, once logged in,
// hands every message to its message handler. The engine never starts a
// connection but the first; later ones are the delayed reconnects.
#ifndef PELMAR_SIMPLECLIENT_H
#define PELMAR_SIMPLECLIENT_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "b2c.h"

namespace b2c {

class SimpleClient : public std::enable_shared_from_this<SimpleClient> {
public:
    using MessageHandler = std::function<void(const std::shared_ptr<SimpleClient>&, const _B2CMessage*)>;
    using StateHandler = std::function<void(const std::shared_ptr<SimpleClient>&)>;

    struct ConnectInfo {
        std::string host;
        uint16_t port = 0;
        int32_t auto_delay = 0;  // milliseconds; 0 = never reconnect
        std::string key;         // session key of the login answer
        int32_t id1 = 0;         // low word of the login id
        int32_t id2 = 0;         // high word
        uint8_t extra[16] = {};
    };

    static std::shared_ptr<SimpleClient> create(_B2CEvent* event);
    ~SimpleClient();

    SimpleClient(const SimpleClient&) = delete;
    SimpleClient& operator=(const SimpleClient&) = delete;

    // Set before the first connect.
    void set_message_handler(MessageHandler handler) { message_handler_ = std::move(handler); }
    void set_state_handler(StateHandler handler) { state_handler_ = std::move(handler); }

    // Written once before the first connect (whole record).
    void set_connect_info(const ConnectInfo& info);
    const ConnectInfo& connect_info() const { return info_; }
    // Any thread: shutdown sets 0 so that no reconnect is scheduled.
    void set_auto_delay(int32_t ms) { auto_delay_.store(ms); }
    int32_t auto_delay() const { return auto_delay_.load(); }

    _B2CConnection* connection() const { return connection_; }
    bool authenticated() const { return authenticated_.load(); }

private:
    explicit SimpleClient(_B2CEvent* event);

    // Loop thread.
    static int on_connection(void* user, _B2CConnection* conn);
    static int on_message(void* user, _B2CMessage* msg);
    void handle_connection();
    void handle_message(const _B2CMessage* msg);
    void answer_challenge(const _B2CAuthMsg& challenge);

    _B2CConnection* connection_;
    MessageHandler message_handler_;
    StateHandler state_handler_;
    ConnectInfo info_;
    std::atomic<int32_t> auto_delay_{0};
    std::atomic<bool> authenticated_{false};
};

}  // namespace b2c

#endif
