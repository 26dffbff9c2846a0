// Command 0x11: cancel. Body: u16 count (1), then the request ids to forget.
// No answer.
#include <string>

#include "bodyreader.h"
#include "bodywriter.h"
#include "commandregistry.h"
#include "quoteserver.h"

namespace {

void answer_cancel(QuoteServer& server, const Request& request)
{
    BodyReader in(request.body);
    const int n = static_cast<uint16_t>(in.i16());
    for (int i = 0; i < n && in.ok(); ++i) {
        const uint16_t id = static_cast<uint16_t>(in.i16());
        if (!in.ok())
            break;
        server.unsubscribe(request.connection, id);
        server.event("cancel " + std::to_string(id));
    }
}

const CommandRegistration registration(0x11, &answer_cancel);

}  // namespace
