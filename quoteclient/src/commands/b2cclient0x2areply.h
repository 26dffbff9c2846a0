// B2CClient0X2AReply: a ranked page of a category: int16 total rows; int16 m;
// m field ids; int16 r; r rows. The total goes to the context (its paging
// reads it); option bit 4 sorts the page locally. Kind 3.
#ifndef PELMAR_B2CCLIENT0X2AREPLY_H
#define PELMAR_B2CCLIENT0X2AREPLY_H

#include <vector>

#include "b2cbasicreply.h"

class B2CClient0X2AReply : public B2CBasicReply {
public:
    explicit B2CClient0X2AReply(const _B2CQuoteMsg& header) : B2CBasicReply(header) {}

    bool parse() override;
    const std::vector<QuoteRealTimeMarket>& rows() const { return rows_; }

    // Shared with 0x28: stores the total, sorts when asked, fills the reply.
    void finish(int32_t total);

protected:
    std::vector<QuoteRealTimeMarket> rows_;
};

#endif
