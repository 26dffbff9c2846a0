// quoteserver [port] [--key TEXT] [--refuse-login] [--delay-ms N] [--gzip]
//             [--challenge-delay-ms N] [--hold-challenge] [--write-files DIR]
//             [--market small|real] [--push-pages] [--minute-append]
//
// --market real serves a market of the A-share market's size (about 5,300
// stocks and 500 boards) instead of the small default one (350 stocks).
//
// --push-pages keeps pushing a ranked page (0x2A, 0x28) after its answer,
// re-sorted as prices move, until it is cancelled, as 0x20 is pushed.
//
// --hold-challenge sends a new connection's login challenge only on the
// control line "challenge".
//
// --write-files DIR first writes board.json, stock_rzrq.json and
// stock_rating.json matching the synthetic market into DIR (see BoardFiles),
// then serves as usual.
//
// --minute-append answers a subscribed minute series once whole and then,
// when the market moved it, with only the points from the first changed one
// on, flagged as continuing the series already sent (as a real server may).
//
// A local quote server with synthetic data on 127.0.0.1. port 0 (the default)
// picks a free port. The first line on standard output is the port; then one
// line per event. Control lines are read from standard input (see
// QuoteServer::control); "quit" or the end of standard input stops the server.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "b2c.h"
#include "boardfiles.h"
#include "quoteserver.h"
#include "syntheticmarket.h"

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: quoteserver [port] [--key TEXT] [--refuse-login] [--delay-ms N] [--gzip]\n"
                 "       [--challenge-delay-ms N] [--hold-challenge] [--write-files DIR]\n"
                 "       [--market small|real] [--push-pages] [--minute-append]\n");
    return 2;
}

bool parse_int(const char* text, int min, int max, int* out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < min || v > max)
        return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QuoteServer::Options options;
    int port = 0;
    std::string files_dir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--key" && i + 1 < argc) {
            options.key = argv[++i];
        } else if (arg == "--refuse-login") {
            options.refuse_login = true;
        } else if (arg == "--delay-ms" && i + 1 < argc) {
            if (!parse_int(argv[++i], 0, 600000, &options.delay_ms))
                return usage();
        } else if (arg == "--challenge-delay-ms" && i + 1 < argc) {
            if (!parse_int(argv[++i], 0, 600000, &options.challenge_delay_ms))
                return usage();
        } else if (arg == "--hold-challenge") {
            options.hold_challenge = true;
        } else if (arg == "--write-files" && i + 1 < argc) {
            files_dir = argv[++i];
        } else if (arg == "--minute-append") {
            options.minute_append = true;
        } else if (arg == "--gzip") {
            options.gzip = true;
        } else if (arg == "--market" && i + 1 < argc) {
            MarketSize size;
            if (!MarketSize::by_name(argv[++i], &size))
                return usage();
            SyntheticMarket::configure(size);
        } else if (arg == "--push-pages") {
            options.push_pages = true;
        } else if (arg[0] != '-') {
            if (!parse_int(arg.c_str(), 0, 65535, &port))
                return usage();
        } else {
            return usage();
        }
    }

    if (!files_dir.empty()) {
        std::string error;
        if (!BoardFiles::write(files_dir, &error)) {
            std::fprintf(stderr, "quoteserver: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "quoteserver: wrote board.json, stock_rzrq.json and stock_rating.json into %s\n",
                     files_dir.c_str());
    }

    _B2CEvent* event = b2c_event_create();
    int code = 0;
    {
        QuoteServer server(event, options);
        if (b2c_event_run(event, 1) == 0) {
            std::fprintf(stderr, "quoteserver: cannot start the event loop\n");
            code = 1;
        } else {
            const int chosen = server.start(port);
            if (chosen == 0) {
                std::fprintf(stderr, "quoteserver: cannot listen on 127.0.0.1:%d\n", port);
                code = 1;
            } else {
                server.event(std::to_string(chosen));
                std::string line;
                while (std::getline(std::cin, line)) {
                    if (line == "quit")
                        break;
                    server.control(line);
                }
            }
            server.scheduler().stop();
            server.close_all();
            b2c_event_stop(event);
        }
    }
    b2c_event_release(event);
    return code;
}
