#include "b2cerrorreply.h"

#include "replyreader.h"

// Engine thread: int8 code, then the rest of the body as the text.
bool B2CErrorReply::parse()
{
    ReplyReader in(payload());
    if (in.remaining() == 0) {
        text_.clear();
        error_.code = QUOTE_ERROR_BAD_REPLY;
    } else {
        error_.code = in.i8();
        const unsigned n = in.remaining();
        text_.assign(b2c_stream_read_pos(payload()), n);
        if (n > 0)
            b2c_stream_consume(payload(), n);
    }
    error_.text = text_.c_str();
    reply_.kind = QUOTE_REPLY_ERROR;
    reply_.count = 0;
    reply_.data = &error_;
    return true;
}
