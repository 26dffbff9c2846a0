// Backend: the HTTP/1.1 server of the local back end on 127.0.0.1 (Boost.Beast
// over Asio), one thread for every connection. Each request is logged as one
// event line ("GET /api/board", then the SoftwareFlags and User-Agent headers
// when present), goes through the switches (fail, delay, gzip) and is answered
// by Services; "/sleep?ms=N" answers its echo N ms late. Keep-alive
// connections are served until the peer closes.
#ifndef BACKEND_BACKEND_H
#define BACKEND_BACKEND_H

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "services.h"
#include "switches.h"

class Backend {
public:
    Backend(Services::Options options, Switches& switches);
    ~Backend();

    // Listens on 127.0.0.1:port (0 picks a free one) and starts the server
    // thread; the chosen port, or 0 when it cannot listen.
    int start(int port);
    // Stops the server thread and closes every connection.
    void stop();

    // Receives every event line, on the server thread.
    void set_event_sink(std::function<void(const std::string&)> sink);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Packs data as one gzip member (zlib's deflate with the gzip wrapper).
std::string gzip_pack(const std::string& data);

#endif
