#include "b2cbasicreply.h"

const char* const B2CBasicReply::kBadReplyText = "malformed answer from the quote server";

// Loop thread: copies the header and takes the reply's own share of the body.
B2CBasicReply::B2CBasicReply(const _B2CQuoteMsg& header) : header_(header)
{
    header_.payload = header.payload ? b2c_stream_ref(header.payload) : b2c_stream_create(0);
    reply_.header_word = header.word;
    reply_.kind = 0;
}

B2CBasicReply::~B2CBasicReply()
{
    b2c_stream_release(header_.payload);
}

// Engine thread.
void B2CBasicReply::process()
{
    const bool ok = header_.payload != nullptr && (header_.version == 1 ? parse() : parse_other());
    if (!ok) {
        bad_reply_.text = kBadReplyText;
        bad_reply_.code = QUOTE_ERROR_BAD_REPLY;
        reply_.kind = QUOTE_REPLY_ERROR;
        reply_.count = 0;
        reply_.data = &bad_reply_;
    }
}
