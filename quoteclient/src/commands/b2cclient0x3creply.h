// B2CClient0x3CReply: volume by price level. Version 1: identity block; int32
// price; int64 total volume; int16 n; n levels. Other versions leave out the
// identity and price (taken from the client's cache). Level: int32 price;
// int64 volume; int64 second volume. Kind 10, one QuotePriceDistribution.
#ifndef PELMAR_B2CCLIENT0X3CREPLY_H
#define PELMAR_B2CCLIENT0X3CREPLY_H

#include <vector>

#include "codecachereply.h"

class B2CClient0x3CReply : public CodeCacheReply<QuotePriceDistribution> {
public:
    using CodeCacheReply::CodeCacheReply;

    const QuotePriceDistribution& distribution() const { return record_; }

private:
    bool parse_body(ReplyReader& in) override;

    std::vector<QuotePriceLevel> levels_;
};

#endif
