// IB2CClient: one protocol request as the engine sees it. The engine fills the
// request header (request id, payload stream) and lets the client add its
// command and body; answers whose request id maps to the client come back to
// on_reply. The engine holds clients only weakly, so a client its context
// dropped is simply gone.
#ifndef PELMAR_IB2CCLIENT_H
#define PELMAR_IB2CCLIENT_H

#include <cstdint>

#include "b2c.h"

class IB2CClient {
public:
    virtual ~IB2CClient() = default;

    // Request id of the client's last send.
    virtual uint16_t request_id() const = 0;

    // Caller's thread (the engine's send path): sets header.command, appends
    // the body to header.payload and remembers header.request_id. Returns
    // false when there is nothing to send (the engine then neither sends nor
    // records the request).
    virtual bool send(_B2CQuoteMsg& header) = 0;

    // Loop thread: an answer for this client; builds a reply object and hands
    // it to the engine's post.
    virtual void on_reply(const _B2CQuoteMsg& header) = 0;

    // False once the request's context is gone; the engine then skips the
    // client when it re-sends after a login.
    virtual bool alive() const { return true; }
};

#endif
