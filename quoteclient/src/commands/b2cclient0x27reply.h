// B2CClient0x27Reply: a minute series (every version): identity block; int32
// reference price; int64 value; int16 n; u8 k; k options; n points. A point
// price of 0 takes the reference price. Kind 4, one QuoteMinPoints.
#ifndef PELMAR_B2CCLIENT0X27REPLY_H
#define PELMAR_B2CCLIENT0X27REPLY_H

#include <vector>

#include "b2cbasicreply.h"

class B2CClient0x27Reply : public B2CBasicReply {
public:
    explicit B2CClient0x27Reply(const _B2CQuoteMsg& header) : B2CBasicReply(header) {}

    bool parse() override;
    const QuoteMinPoints& series() const { return record_; }

private:
    QuoteMinPoints record_{};
    std::vector<QuoteMinPoint> points_;
};

#endif
