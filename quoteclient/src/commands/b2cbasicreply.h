// B2CBasicReply: a reply to one protocol answer. It keeps a copy of the
// answer's header and its own share of the payload stream, and parses on the
// engine thread: parse() for header version 1, parse_other() otherwise (which
// parses as version 1 unless a command overrides it).
//
// A parse returns false when the body is short, truncated or carries a count
// it cannot hold; the reply then becomes an error reply (kind 0, count 0,
// code QUOTE_ERROR_BAD_REPLY) and no partial payload is delivered.
#ifndef PELMAR_B2CBASICREPLY_H
#define PELMAR_B2CBASICREPLY_H

#include "b2c.h"
#include "basicquotereply.h"

class B2CBasicReply : public BasicQuoteReply {
public:
    explicit B2CBasicReply(const _B2CQuoteMsg& header);
    ~B2CBasicReply() override;

    void process() override;

    // Engine thread: read the body from payload() and set kind, count, data.
    virtual bool parse() = 0;
    virtual bool parse_other() { return parse(); }

    const _B2CQuoteMsg& header() const { return header_; }
    _B2CStream* payload() const { return header_.payload; }

    // The text of error replies made for unreadable answers.
    static const char* const kBadReplyText;

protected:
    _B2CQuoteMsg header_;

private:
    QuoteErrorInfo bad_reply_{};
};

#endif
