#include "simpleclient.h"

#include <cstring>

namespace b2c {

std::shared_ptr<SimpleClient> SimpleClient::create(_B2CEvent* event)
{
    std::shared_ptr<SimpleClient> client(new SimpleClient(event));
    if (client->connection_) {
        b2c_connection_on_connection(client->connection_, &SimpleClient::on_connection, client.get());
        b2c_connection_on_message(client->connection_, &SimpleClient::on_message, client.get());
    }
    return client;
}

SimpleClient::SimpleClient(_B2CEvent* event) : connection_(b2c_connection_create(event)) {}

SimpleClient::~SimpleClient()
{
    b2c_connection_release(connection_);
}

void SimpleClient::set_connect_info(const ConnectInfo& info)
{
    info_ = info;
    auto_delay_.store(info.auto_delay);
}

// Loop thread.
int SimpleClient::on_connection(void* user, _B2CConnection*)
{
    static_cast<SimpleClient*>(user)->handle_connection();
    return 0;
}

// Loop thread.
int SimpleClient::on_message(void* user, _B2CMessage* msg)
{
    if (msg)
        static_cast<SimpleClient*>(user)->handle_message(msg);
    return 0;
}

// Loop thread: the server speaks first when the connection opened; a loss is
// reported and, unless reconnecting is off, a reconnect is armed.
void SimpleClient::handle_connection()
{
    if (b2c_connection_is_open(connection_))
        return;
    authenticated_.store(false);
    if (state_handler_)
        state_handler_(shared_from_this());
    const int32_t delay = auto_delay_.load();
    if (delay != 0)
        b2c_connection_delay_connect(connection_, info_.host.c_str(), info_.port, delay);
}

// Loop thread.
void SimpleClient::handle_message(const _B2CMessage* msg)
{
    if (authenticated_.load()) {
        if (message_handler_)
            message_handler_(shared_from_this(), msg);
        return;
    }
    if (msg->kind == B2C_MESSAGE_AUTH && msg->data) {
        const _B2CAuthMsg* auth = static_cast<const _B2CAuthMsg*>(msg->data);
        if (auth->kind == B2C_AUTH_CHALLENGE) {
            answer_challenge(*auth);
            return;
        }
        if (auth->kind == B2C_AUTH_RESULT) {
            int32_t result = 0;
            std::memcpy(&result, auth->key, sizeof(result));
            if (result == -1) {
                authenticated_.store(true);
                if (state_handler_)
                    state_handler_(shared_from_this());
                return;
            }
        }
    }
    // A refused login, or anything but the login exchange before login.
    b2c_connection_close(connection_);
}

// Loop thread.
void SimpleClient::answer_challenge(const _B2CAuthMsg& challenge)
{
    _B2CAuthMsg answer;
    std::memset(&answer, 0, sizeof(answer));
    answer.kind = B2C_AUTH_ANSWER;
    if (info_.id1 != 0 || info_.id2 != 0) {
        answer.kind = B2C_AUTH_ANSWER_ID;
        answer.id[0] = static_cast<uint32_t>(info_.id1);
        answer.id[1] = static_cast<uint32_t>(info_.id2);
        std::memcpy(answer.extra, info_.extra, sizeof(answer.extra));
    }
    b2c_auth_msg_encrypt(&challenge, &answer, info_.key.data(), static_cast<unsigned>(info_.key.size()));
    _B2CMessage msg{connection_, B2C_MESSAGE_AUTH, &answer};
    b2c_send_message(&msg);
}

}  // namespace b2c
