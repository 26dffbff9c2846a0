// B2CClient0x24Reply: a minute series by index. Version 1: identity block;
// int32 reference price; int64 first; int64 second; int16 value; int16 n;
// u8 k; k options; n points (a zero price takes the reference price). Other
// versions: the same without identity and price (the price comes from the
// client's cache, the identity stays empty, zero prices stay 0). Kind 4.
#ifndef PELMAR_B2CCLIENT0X24REPLY_H
#define PELMAR_B2CCLIENT0X24REPLY_H

#include <memory>
#include <vector>

#include "b2cbasicreply.h"
#include "codecache.h"
#include "replyreader.h"

class B2CClient0x24Reply : public B2CBasicReply {
public:
    B2CClient0x24Reply(const _B2CQuoteMsg& header, std::shared_ptr<CodeCache> cache)
        : B2CBasicReply(header), cache_(std::move(cache))
    {}

    bool parse() override;
    bool parse_other() override;
    const QuoteMinPoints& series() const { return record_; }

private:
    bool parse_rest(ReplyReader& in, bool replace_zero);

    std::shared_ptr<CodeCache> cache_;
    QuoteMinPoints record_{};
    std::vector<QuoteMinPoint> points_;
};

#endif
