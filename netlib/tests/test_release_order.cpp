// Releasing the handles of an event, a server, an accepted connection and a
// client connection in every order, with the loop running or stopped, frees
// every object and never crashes. Work still queued or pending when the loop
// stops (an aborted accept, a read, heartbeats, a delayed reconnect) must not
// keep anything alive once its handles are gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "connectionimpl.h"
#include "net_harness.h"

using namespace nettest;

namespace {

enum class LoopAtRelease { Running, Stopped, StoppedRightAfterServerStop };

const char* loopName(LoopAtRelease l)
{
    switch (l) {
    case LoopAtRelease::Running:
        return "running";
    case LoopAtRelease::Stopped:
        return "stopped";
    default:
        return "stopped right after server stop";
    }
}

// Loop-thread state of one scenario.
struct Scene {
    Waiter w;
    _B2CConnection* accepted = nullptr;  // guarded by w.mutex()
    uint16_t port = 0;
    bool reconnect = true;  // the client reconnects after every loss
};

int onServerConnection(void* user, _B2CServer*, _B2CConnection* conn)
{
    auto* scene = static_cast<Scene*>(user);
    if (b2c_connection_is_open(conn)) {
        scene->w.update([&] {
            if (scene->accepted == nullptr) {
                scene->accepted = conn;
            } else {
                b2c_connection_release(conn);  // only the first one is kept
            }
        });
    } else {
        bool ours = false;
        scene->w.update([&] { ours = scene->accepted == conn; });
        if (!ours)
            b2c_connection_release(conn);
    }
    return 0;
}

int onMessage(void*, _B2CMessage*)
{
    return 0;
}
int onError(void*, _B2CConnection*, const char*, int)
{
    return 0;
}
int onServerError(void*, _B2CServer*, _B2CConnection*, const char*, int)
{
    return 0;
}

int onClientConnection(void* user, _B2CConnection* conn)
{
    auto* scene = static_cast<Scene*>(user);
    if (!b2c_connection_is_open(conn) && scene->reconnect) {
        b2c_connection_delay_connect(conn, "127.0.0.1", scene->port, 1);
    }
    return 0;
}

using Order = std::array<char, 4>;  // 'E' event, 'S' server, 'A' accepted, 'C' client

std::string orderName(const Order& o)
{
    return std::string(o.begin(), o.end());
}

// Builds the scene, releases the four handles in `order` and checks that
// every object behind them is gone afterwards.
void runScenario(const Order& order, LoopAtRelease loopState)
{
    SCOPED_TRACE(orderName(order) + ", loop " + loopName(loopState));
    FastTimers timers(5, 10000, 5);  // heartbeats and supervision ticks keep timers pending
    Scene scene;
    _B2CEvent* ev = b2c_event_create();
    ASSERT_GT(b2c_event_run(ev, 1), 0);
    _B2CServer* srv = nullptr;
    bool started = false;
    inLoop(ev, [&] {
        srv = b2c_server_create(ev);
        b2c_server_on_connection(srv, &onServerConnection, &scene);
        b2c_server_on_message(srv, &onMessage, &scene);
        b2c_server_on_error(srv, &onServerError, &scene);
        started = b2c_server_start(srv, "127.0.0.1", 0);
        scene.port = srv->impl->localPort();
    });
    ASSERT_TRUE(started);
    _B2CConnection* client = b2c_connection_create(ev);
    b2c_connection_on_connection(client, &onClientConnection, &scene);
    b2c_connection_on_message(client, &onMessage, &scene);
    b2c_connection_on_error(client, &onError, &scene);
    b2c_connection_connect(client, "127.0.0.1", scene.port);
    ASSERT_TRUE(scene.w.waitFor([&] { return scene.accepted != nullptr; })) << "no connection accepted";
    _B2CConnection* accepted = nullptr;
    {
        std::lock_guard<std::mutex> lock(scene.w.mutex());
        accepted = scene.accepted;
    }
    // Frames in flight both ways.
    for (int i = 0; i < 4; ++i) {
        _B2CStream* body = b2c_stream_create(16);
        b2c_stream_append_bytes(body, "\x07rawbody", 8);
        _B2CMessage toServer{client, B2C_MESSAGE_RAW, body};
        _B2CMessage toClient{accepted, B2C_MESSAGE_RAW, body};
        b2c_send_message(&toServer);
        b2c_send_message(&toClient);
        b2c_stream_release(body);
    }

    const std::weak_ptr<b2c::EventImpl> evObj = ev->impl;
    const std::weak_ptr<b2c::ServerImpl> srvObj = srv->impl;
    const std::weak_ptr<b2c::ConnectionImpl> clientObj = client->impl;
    const std::weak_ptr<b2c::ConnectionImpl> acceptedObj = accepted->impl;

    if (loopState == LoopAtRelease::StoppedRightAfterServerStop) {
        // The aborted accept is queued; the loop stops before it can run.
        b2c_server_stop(srv);
        b2c_event_stop(ev);
    } else if (loopState == LoopAtRelease::Stopped) {
        b2c_event_stop(ev);
    }
    bool eventGone = false;
    for (char which : order) {
        switch (which) {
        case 'E':
            b2c_event_release(ev);
            eventGone = true;
            break;
        case 'S':
            b2c_server_release(srv);
            break;
        case 'A':
            b2c_connection_release(accepted);
            break;
        default:
            b2c_connection_release(client);
            client = nullptr;
            break;
        }
        if (which == 'S') {
            srv = nullptr;
            // Nothing queued or pending holds the server: it goes with its
            // handle even while the stopped loop still holds its aborted accept.
            if (loopState != LoopAtRelease::Running) {
                EXPECT_TRUE(srvObj.expired()) << "server kept by pending work";
            }
        }
        if (which == 'A')
            accepted = nullptr;
        if (eventGone) {
            // The handles still held are used after their loop was released:
            // nothing may be queued on it any more, nothing may crash.
            if (srv) {
                EXPECT_FALSE(b2c_server_start(srv, "127.0.0.1", 0)) << "a start on a released loop";
                b2c_server_stop(srv);
            }
            for (_B2CConnection* c : {client, accepted}) {
                if (!c)
                    continue;
                _B2CStream* body = b2c_stream_create(4);
                b2c_stream_append_bytes(body, "\x07xyz", 4);
                _B2CMessage m{c, B2C_MESSAGE_RAW, body};
                EXPECT_EQ(b2c_send_message(&m), 0) << "a send on a released loop reported success";
                b2c_stream_release(body);
                b2c_connection_close(c);
                b2c_connection_connect(c, "127.0.0.1", scene.port);
                EXPECT_EQ(b2c_connection_delay_connect(c, "127.0.0.1", scene.port, 1), 0);
            }
        }
    }
    EXPECT_TRUE(srvObj.expired()) << "the server outlived its handle";
    EXPECT_TRUE(clientObj.expired()) << "the client connection outlived its handle";
    EXPECT_TRUE(acceptedObj.expired()) << "the accepted connection outlived its handle";
    EXPECT_TRUE(evObj.expired()) << "the event object outlived every handle";
}

std::vector<Order> allOrders()
{
    Order o{'A', 'C', 'E', 'S'};
    std::vector<Order> out;
    do {
        out.push_back(o);
    } while (std::next_permutation(o.begin(), o.end()));
    return out;
}

}  // namespace

TEST(ReleaseOrder, EveryOrderWithTheLoopRunning)
{
    for (const Order& o : allOrders())
        runScenario(o, LoopAtRelease::Running);
}

TEST(ReleaseOrder, EveryOrderWithTheLoopStopped)
{
    for (const Order& o : allOrders())
        runScenario(o, LoopAtRelease::Stopped);
}

TEST(ReleaseOrder, EveryOrderWithAnAbortedAcceptStillQueued)
{
    for (const Order& o : allOrders())
        runScenario(o, LoopAtRelease::StoppedRightAfterServerStop);
}

// An unthreaded run ending on its own thread while the event is released on
// another: whichever comes last drops the queued work.
TEST(ReleaseOrder, UnthreadedRunEndingWhileTheEventIsReleased)
{
    for (int round = 0; round < 50; ++round) {
        _B2CEvent* ev = b2c_event_create();
        const std::weak_ptr<b2c::EventImpl> evObj = ev->impl;
        _B2CConnection* conn = b2c_connection_create(ev);
        std::shared_ptr<b2c::EventImpl> keep = ev->impl;  // as b2c_event_run holds it while it runs
        std::thread runner([keep] { keep->run(false); });
        // Work that holds the connection, queued while the loop runs.
        b2c_connection_delay_connect(conn, "127.0.0.1", 1, 100000);
        ASSERT_TRUE(waitLoopRuns(ev));
        b2c_event_stop(ev);
        b2c_event_release(ev);
        runner.join();
        keep.reset();
        b2c_connection_release(conn);
        EXPECT_TRUE(evObj.expired()) << "round " << round;
    }
}

// A release or stop from another thread while a loop callback waits for that
// very thread: the call must not wait for the loop, which finishes the work
// once the callback returned, and no callback of a released object follows.
TEST(ReleaseOrder, ReleaseWhileACallbackWaitsOnTheReleasingThread)
{
    enum Which { ConnectionRelease, ServerRelease, ServerStop };
    for (Which which : {ConnectionRelease, ServerRelease, ServerStop}) {
        SCOPED_TRACE(which == ConnectionRelease ? "connection release"
                     : which == ServerRelease   ? "server release"
                                                : "server stop");
        LoopThread loop;
        TestServer server(loop.ev());
        ASSERT_TRUE(server.start());
        TestClient client(loop.ev(), server.port());
        client.connect();
        ASSERT_TRUE(client.w.waitFor([&] { return client.loggedIn; }));
        _B2CServer* srv = nullptr;
        inLoop(loop.ev(), [&] { srv = b2c_server_create(loop.ev()); });
        ASSERT_TRUE(b2c_server_start(srv, "127.0.0.1", 0));
        const std::weak_ptr<b2c::ConnectionImpl> connObj = client.conn()->impl;
        const std::weak_ptr<b2c::ServerImpl> srvObj = srv->impl;

        struct Gate {
            Waiter w;
            bool entered = false;  // guarded by w.mutex()
            bool released = false;
        } gate;
        b2c_event_run_in_loop(
            loop.ev(),
            [](intptr_t user) {
                auto* g = reinterpret_cast<Gate*>(user);
                g->w.update([&] { g->entered = true; });
                g->w.waitFor([&] { return g->released; });  // waits for the releasing thread
                return 0;
            },
            reinterpret_cast<intptr_t>(&gate));
        ASSERT_TRUE(gate.w.waitFor([&] { return gate.entered; }));
        std::thread releaser([&] {
            if (which == ConnectionRelease) {
                client.release();
            } else if (which == ServerRelease) {
                b2c_server_release(srv);
                srv = nullptr;
            } else {
                b2c_server_stop(srv);
            }
            gate.w.update([&] { gate.released = true; });
        });
        const bool wentOn = gate.w.waitFor([&] { return gate.released; }, std::chrono::milliseconds(5000));
        gate.w.update([&] { gate.released = true; });  // let the callback end in any case
        releaser.join();
        EXPECT_TRUE(wentOn) << "the releasing thread waited for a callback that waits for it";

        // The loop finishes the handed-over work and the completions of the close.
        const auto goneInTime = [&](const auto& weak) {
            const auto end = std::chrono::steady_clock::now() + kDeadline;
            while (!weak.expired() && std::chrono::steady_clock::now() < end)
                inLoop(loop.ev(), [] {});
            return weak.expired();
        };
        if (which == ConnectionRelease) {
            EXPECT_TRUE(goneInTime(connObj)) << "the released connection was not freed after the callback";
            std::lock_guard<std::mutex> lock(client.w.mutex());
            EXPECT_EQ(client.closed, 0) << "a callback of the released connection was made";
            EXPECT_TRUE(client.errors.empty()) << "a callback of the released connection was made";
        } else if (which == ServerRelease) {
            EXPECT_TRUE(goneInTime(srvObj)) << "the released server was not freed after the callback";
        } else {
            inLoop(loop.ev(), [] {});  // the handed-over stop has run
            uint16_t port = 1;
            inLoop(loop.ev(), [&] { port = srv->impl->localPort(); });
            EXPECT_EQ(port, 0) << "the server still listens after the stop";
        }
        b2c_server_release(srv);
    }
}
