// Command 0x7F: a test probe of the client's framework (not a market command).
// Body: u8 mode; u16 repeat; u16 interval in ms; then payload bytes.
//   0  one answer (word 0) carrying the payload
//   1  pushes (word 1): the payload followed by an u16 sequence number, every
//      interval ms, `repeat` times (0 = until cancelled or closed)
//   2  error answer (0x10): code = first payload byte, text = the rest
//   3  the same, gzip-compressed
//   4  one answer carrying the payload, gzip-compressed
//   5  error answer with an empty body
//   6  no answer at all
//   7  one answer with header version 2
//   9  one answer carrying the payload, gzip-compressed behind body kind 0x33
//   8  pushes like 1 whose body is the int64 CLOCK_MONOTONIC time of sending
//      in nanoseconds (for latency measurements)
#include <time.h>

#include <memory>

#include "bodyreader.h"
#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"

namespace {

constexpr uint8_t kProbe = 0x7F;

void push_probe(QuoteServer& server, _B2CConnection* conn, uint16_t id, std::vector<uint8_t> payload, int left,
                int interval, uint16_t seq, bool stamp)
{
    if (!server.subscribed(conn, id))
        return;
    BodyWriter body;
    if (stamp) {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        body.i64(static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec);
    } else {
        body.bytes(payload.data(), payload.size()).i16(static_cast<int16_t>(seq));
    }
    if (!server.reply(conn, kProbe, id, 1, body.data()))
        return;
    if (left == 1)
        return;
    server.scheduler().post_after(interval,
                                  [&server, conn, id, payload = std::move(payload), left, interval, seq, stamp] {
                                      push_probe(server, conn, id, payload, left == 0 ? 0 : left - 1, interval,
                                                 static_cast<uint16_t>(seq + 1), stamp);
                                  });
}

void answer_probe(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const uint8_t mode = in.u8();
    const int repeat = static_cast<uint16_t>(in.i16());
    const int interval = static_cast<uint16_t>(in.i16());
    std::vector<uint8_t> payload = in.rest();
    if (!in.ok()) {
        server.reply_error(request.connection, request.request_id, -2, "bad probe");
        return;
    }
    switch (mode) {
    case 0:
        server.reply(request.connection, kProbe, request.request_id, 0, payload);
        break;
    case 1:
        server.subscribe(request.connection, request.request_id, kProbe);
        push_probe(server, request.connection, request.request_id, std::move(payload), repeat, interval, 1, false);
        break;
    case 2:
    case 3:
        if (payload.empty())
            payload.push_back(0);
        server.reply_error(request.connection, request.request_id, static_cast<int8_t>(payload[0]),
                           std::string(payload.begin() + 1, payload.end()), mode == 3);
        break;
    case 4:
        server.reply(request.connection, kProbe, request.request_id, 0, payload, true);
        break;
    case 5:
        server.reply(request.connection, 0x10, request.request_id, 0, {});
        break;
    case 6:
        break;
    case 9:
        server.reply(request.connection, kProbe, request.request_id, 0, payload, true, 1, 0x33);
        break;
    case 8:
        server.subscribe(request.connection, request.request_id, kProbe);
        push_probe(server, request.connection, request.request_id, {}, repeat, interval, 1, true);
        break;
    case 7:
        server.reply(request.connection, kProbe, request.request_id, 0, payload, false, 2);
        break;
    default:
        server.reply_error(request.connection, request.request_id, -2, "bad probe");
        break;
    }
}

const CommandRegistration registration(kProbe, &answer_probe);

}  // namespace
