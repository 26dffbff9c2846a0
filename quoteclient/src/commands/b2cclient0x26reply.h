// B2CClient0x26Reply: tick details. Version 1: identity block; int32 price;
// int32 total; int16 n; n entries. Other versions: int32 total; int16 n;
// n entries (identity and price from the client's cache). Entry: int32 price;
// int64 volume; int32 time (decimal date-time); int32 value; int8 flag.
// The total also becomes the context's total. Kind 6, one QuoteDetailPoints.
#ifndef PELMAR_B2CCLIENT0X26REPLY_H
#define PELMAR_B2CCLIENT0X26REPLY_H

#include <vector>

#include "codecachereply.h"

class B2CClient0x26Reply : public CodeCacheReply<QuoteDetailPoints> {
public:
    using CodeCacheReply::CodeCacheReply;

    const QuoteDetailPoints& details() const { return record_; }

private:
    bool parse_body(ReplyReader& in) override;

    std::vector<QuoteDetailPoint> entries_;
};

#endif
