// C exports of the event loop, connections and servers. Each checks its
// arguments, reaches the object behind the handle and calls one method.
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "b2c.h"
#include "connectionimpl.h"
#include "eventimpl.h"
#include "msgencoder.h"
#include "serverimpl.h"

using b2c::ConnectionImpl;
using b2c::EventImpl;
using b2c::ServerImpl;

// ---- Event loop ----

_B2CEvent* b2c_event_create(void)
{
    try {
        return new _B2CEvent{std::make_shared<EventImpl>()};
    } catch (const std::exception&) {
        return nullptr;
    }
}

int b2c_event_run(_B2CEvent* event, int threaded)
{
    if (event == nullptr)
        return 0;
    try {
        auto impl = event->impl;  // an unthreaded run may outlive the handle
        return impl->run(threaded != 0);
    } catch (const std::exception&) {
        return 0;
    }
}

void b2c_event_stop(_B2CEvent* event)
{
    if (event == nullptr)
        return;
    try {
        event->impl->stop();
    } catch (const std::exception&) {
    }
}

int b2c_event_run_in_loop(_B2CEvent* event, int (*fn)(intptr_t user), intptr_t user)
{
    if (event == nullptr || fn == nullptr)
        return 0;
    try {
        EventImpl* loop = event->impl.get();  // the call runs on this loop, which is alive then
        event->impl->runInLoop([loop, fn, user] {
            EventImpl::CallbackScope scope(*loop);
            fn(user);
        });
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

void b2c_event_release(_B2CEvent* event)
{
    if (event == nullptr)
        return;
    auto impl = std::move(event->impl);
    delete event;
    try {
        impl->release();
    } catch (const std::exception&) {
    }
}

// ---- Connection ----

_B2CConnection* b2c_connection_create(_B2CEvent* event)
{
    if (event == nullptr)
        return nullptr;
    try {
        auto* cell = new _B2CConnection{std::make_shared<ConnectionImpl>(event->impl)};
        cell->impl->setCell(cell);
        return cell;
    } catch (const std::exception&) {
        return nullptr;
    }
}

void b2c_connection_release(_B2CConnection* conn)
{
    if (conn == nullptr)
        return;
    // The connection frees the cell once no callback can carry it any more.
    std::unique_ptr<_B2CConnection> cell(conn);
    const std::shared_ptr<ConnectionImpl> impl = cell->impl;
    try {
        impl->detach(std::move(cell));
    } catch (const std::exception&) {
    }
}

int b2c_connection_connect(_B2CConnection* conn, const char* host, uint16_t port)
{
    if (conn == nullptr || host == nullptr)
        return 0;
    try {
        conn->impl->connect(host, port);
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

int b2c_connection_delay_connect(_B2CConnection* conn, const char* host, uint16_t port, int delay_ms)
{
    if (conn == nullptr || host == nullptr)
        return 0;
    try {
        return conn->impl->delayConnect(host, port, delay_ms) ? 1 : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

int b2c_connection_close(_B2CConnection* conn)
{
    if (conn == nullptr)
        return 0;
    try {
        conn->impl->close();
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

int b2c_connection_is_open(_B2CConnection* conn)
{
    return conn != nullptr && conn->impl->isOpen() ? 1 : 0;
}

void b2c_connection_on_message(_B2CConnection* conn, int (*fn)(void* user, _B2CMessage* msg), void* user)
{
    if (conn == nullptr)
        return;
    if (fn == nullptr) {
        conn->impl->setOnMessage(nullptr);
        return;
    }
    conn->impl->setOnMessage([fn, user](_B2CMessage* msg) { fn(user, msg); });
}

void b2c_connection_on_error(_B2CConnection* conn,
                             int (*fn)(void* user, _B2CConnection* conn, const char* text, int code), void* user)
{
    if (conn == nullptr)
        return;
    if (fn == nullptr) {
        conn->impl->setOnError(nullptr);  // back to the printer
        return;
    }
    conn->impl->setOnError([fn, user](const std::shared_ptr<ConnectionImpl>& c, const char* text, int code) {
        if (_B2CConnection* cell = c->cell())
            fn(user, cell, text, code);
    });
}

void b2c_connection_on_connection(_B2CConnection* conn, int (*fn)(void* user, _B2CConnection* conn), void* user)
{
    if (conn == nullptr)
        return;
    if (fn == nullptr) {
        conn->impl->setOnConnection(nullptr);
        return;
    }
    conn->impl->setOnConnection([fn, user](const std::shared_ptr<ConnectionImpl>& c) {
        if (_B2CConnection* cell = c->cell())
            fn(user, cell);
    });
}

intptr_t b2c_connection_set_ud(_B2CConnection* conn, intptr_t ud)
{
    return conn == nullptr ? 0 : conn->impl->setUserWord(ud);
}

intptr_t b2c_connection_get_ud(_B2CConnection* conn)
{
    return conn == nullptr ? 0 : conn->impl->userWord();
}

int b2c_send_message(const _B2CMessage* msg)
{
    if (msg == nullptr || msg->connection == nullptr)
        return 0;
    try {
        b2c::FrameProducer frame = b2c::MsgEncoder::make(*msg);
        if (!frame)
            return 0;
        return msg->connection->impl->send(std::move(frame)) ? 1 : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

// ---- Server ----

_B2CServer* b2c_server_create(_B2CEvent* event)
{
    if (event == nullptr)
        return nullptr;
    try {
        auto* cell = new _B2CServer{std::make_shared<ServerImpl>(event->impl)};
        cell->impl->setCell(cell);
        return cell;
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool b2c_server_start(_B2CServer* srv, const char* address, int port)
{
    if (srv == nullptr || address == nullptr)
        return false;
    try {
        return srv->impl->start(address, port);
    } catch (const std::exception&) {
        return false;
    }
}

void b2c_server_stop(_B2CServer* srv)
{
    if (srv == nullptr)
        return;
    try {
        srv->impl->stop();
    } catch (const std::exception&) {
    }
}

void b2c_server_release(_B2CServer* srv)
{
    if (srv == nullptr)
        return;
    // The server frees the cell once no callback can carry it any more.
    std::unique_ptr<_B2CServer> cell(srv);
    const std::shared_ptr<ServerImpl> impl = cell->impl;
    try {
        impl->detach(std::move(cell));
    } catch (const std::exception&) {
    }
}

void b2c_server_on_connection(_B2CServer* srv, int (*fn)(void* user, _B2CServer* srv, _B2CConnection* conn), void* user)
{
    if (srv == nullptr)
        return;
    if (fn == nullptr) {
        srv->impl->setOnConnection(nullptr);
        return;
    }
    srv->impl->setOnConnection([fn, user](_B2CServer* s, _B2CConnection* c) { fn(user, s, c); });
}

void b2c_server_on_error(_B2CServer* srv,
                         int (*fn)(void* user, _B2CServer* srv, _B2CConnection* conn, const char* text, int code),
                         void* user)
{
    if (srv == nullptr)
        return;
    if (fn == nullptr) {
        srv->impl->setOnError(nullptr);
        return;
    }
    srv->impl->setOnError(
        [fn, user](_B2CServer* s, _B2CConnection* c, const char* text, int code) { fn(user, s, c, text, code); });
}

void b2c_server_on_message(_B2CServer* srv, int (*fn)(void* user, _B2CMessage* msg), void* user)
{
    if (srv == nullptr)
        return;
    if (fn == nullptr) {
        srv->impl->setOnMessage(nullptr);
        return;
    }
    srv->impl->setOnMessage([fn, user](_B2CMessage* msg) { fn(user, msg); });
}
