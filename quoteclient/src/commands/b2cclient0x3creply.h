// B2CClient0x3CReply: volume by price level. Version 1: identity block; int32
// price; int64 total volume; int16 n; n levels. Other versions leave out the
// identity and price (taken from the client's cache). Level: int32 price;
// int64 volume; int64 second volume. Kind 10, one QuotePriceDistribution.
#ifndef PELMAR_B2CCLIENT0X3CREPLY_H
#define PELMAR_B2CCLIENT0X3CREPLY_H

#include <memory>
#include <vector>

#include "b2cbasicreply.h"
#include "codecache.h"
#include "replyreader.h"

class B2CClient0x3CReply : public B2CBasicReply {
public:
    B2CClient0x3CReply(const _B2CQuoteMsg& header, std::shared_ptr<CodeCache> cache)
        : B2CBasicReply(header), cache_(std::move(cache)) {}

    bool parse() override;
    bool parse_other() override;

    const QuotePriceDistribution& distribution() const { return record_; }

private:
    bool parse_levels(ReplyReader& in);

    std::shared_ptr<CodeCache> cache_;
    QuotePriceDistribution record_{};
    std::vector<QuotePriceLevel> levels_;
};

#endif
