// LoginDecoder: what the login decoders share. They deliver their record even
// while the connection's open flag is clear, each is one shared instance, and
// each record they decode starts as an empty login record of one kind.
#pragma once

#include "framedecoder.h"

namespace b2c {

template <typename Self>
class LoginDecoder : public FrameDecoder {
public:
    bool deliversWhenClosed() const override { return true; }

    static const Self& instance()
    {
        static const Self decoder;
        return decoder;
    }

protected:
    // Any thread: `out` becomes an empty login record of `kind` (B2C_AUTH_*).
    static void startRecord(DecodedFrame& out, int32_t kind)
    {
        out.kind = B2C_MESSAGE_AUTH;
        out.auth = _B2CAuthMsg{};
        out.auth.kind = kind;
    }
};

}  // namespace b2c
