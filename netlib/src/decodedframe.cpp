#include "decodedframe.h"

namespace b2c {

_B2CMessage DecodedFrame::message(_B2CConnection* connection)
{
    _B2CMessage msg{connection, kind, nullptr};
    switch (kind) {
    case B2C_MESSAGE_AUTH:
        msg.data = &auth;
        break;
    case B2C_MESSAGE_QUOTE:
        quote.payload = &body;
        msg.data = &quote;
        break;
    default:
        msg.data = &body;
        break;
    }
    return msg;
}

}  // namespace b2c
