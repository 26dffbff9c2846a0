// B2CErrorReply: an answer carrying command 0x10. The body is an int8 error
// code followed by the message text (every remaining byte). Delivered as
// kind 0 with data pointing at a QuoteErrorInfo; an answer without even the
// code byte gets the code QUOTE_ERROR_BAD_REPLY and an empty text.
#ifndef PELMAR_B2CERRORREPLY_H
#define PELMAR_B2CERRORREPLY_H

#include <string>

#include "b2cbasicreply.h"

class B2CErrorReply : public B2CBasicReply {
public:
    explicit B2CErrorReply(const _B2CQuoteMsg& header) : B2CBasicReply(header) {}

    bool parse() override;

    const QuoteErrorInfo& error() const { return error_; }

private:
    QuoteErrorInfo error_{"", 0};
    std::string text_;
};

#endif
