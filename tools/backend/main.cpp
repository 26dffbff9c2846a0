// backend [port] [--quote-url URL] [--account NAME PASSWORD] [--refuse-login]
//         [--heartbeat-false] [--gzip] [--fail PATH] [--delay PATH MS]
//         [--market small|real]
//
// The local back end of the main program on 127.0.0.1. port 0 picks a free
// port; the default is 7710, the program's built-in control endpoint
// http://127.0.0.1:7710/. The first line on standard output is the port, then
// one line per request and event. Standard input takes control lines with the
// switch words of switches.h ("fail /api/board", "refuse-login off", ...);
// "quit" or the end of standard input stops the server.
//
// url.quote hands out --quote-url (default the quote server on port 7709 with
// its default key). The account demo/demo always signs in; --account adds one.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>

#include "backend.h"
#include "syntheticmarket.h"

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: backend [port] [--quote-url URL] [--account NAME PASSWORD] [--refuse-login]\n"
                 "       [--heartbeat-false] [--gzip] [--fail PATH] [--delay PATH MS]\n"
                 "       [--market small|real]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    Services::Options options;
    Switches switches;
    int port = 7710;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quote-url" && i + 1 < argc) {
            options.quote_url = argv[++i];
        } else if (arg == "--account" && i + 2 < argc) {
            options.accounts.push_back({argv[i + 1], argv[i + 2]});
            i += 2;
        } else if (arg == "--refuse-login" || arg == "--heartbeat-false" || arg == "--gzip") {
            switches.apply({arg.substr(2), "on"});
        } else if (arg == "--market" && i + 1 < argc) {
            // The market the board, margin and rating files and the market pages
            // describe: the quote server's, given the same way.
            MarketSize size;
            if (!MarketSize::by_name(argv[++i], &size))
                return usage();
            SyntheticMarket::configure(size);
        } else if (arg == "--fail" && i + 1 < argc) {
            switches.apply({"fail", argv[++i]});
        } else if (arg == "--delay" && i + 2 < argc) {
            if (!switches.apply({"delay", argv[i + 1], argv[i + 2]}))
                return usage();
            i += 2;
        } else if (arg[0] != '-') {
            char* end = nullptr;
            const long v = std::strtol(arg.c_str(), &end, 10);
            if (*end || v < 0 || v > 65535)
                return usage();
            port = static_cast<int>(v);
        } else {
            return usage();
        }
    }

    std::mutex out_mutex;  // guards standard output
    auto print = [&out_mutex](const std::string& line) {
        std::lock_guard<std::mutex> lock(out_mutex);
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    };
    Backend backend(options, switches);
    backend.set_event_sink(print);
    const int chosen = backend.start(port);
    if (chosen == 0) {
        std::fprintf(stderr, "backend: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    print(std::to_string(chosen));
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "quit")
            break;
        const auto words = split_words(line);
        if (!words.empty())
            print(switches.apply(words) ? "ok " + line : "unknown " + line);
    }
    backend.stop();
    return 0;
}
