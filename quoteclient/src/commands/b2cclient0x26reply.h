// B2CClient0x26Reply: tick details. Version 1: identity block; int32 price;
// int32 total; int16 n; n entries. Other versions: int32 total; int16 n;
// n entries (identity and price from the client's cache). Entry: int32 price;
// int64 volume; int32 time (decimal date-time); int32 value; int8 flag.
// The total also becomes the context's total. Kind 6, one QuoteDetailPoints.
#ifndef PELMAR_B2CCLIENT0X26REPLY_H
#define PELMAR_B2CCLIENT0X26REPLY_H

#include <memory>
#include <vector>

#include "b2cbasicreply.h"
#include "codecache.h"
#include "replyreader.h"

class B2CClient0x26Reply : public B2CBasicReply {
public:
    B2CClient0x26Reply(const _B2CQuoteMsg& header, std::shared_ptr<CodeCache> cache)
        : B2CBasicReply(header), cache_(std::move(cache)) {}

    bool parse() override;
    bool parse_other() override;

    const QuoteDetailPoints& details() const { return record_; }

private:
    bool parse_entries(ReplyReader& in);

    std::shared_ptr<CodeCache> cache_;
    QuoteDetailPoints record_{};
    std::vector<QuoteDetailPoint> entries_;
};

#endif
