// B2CClient0x05Reply: the code table: int16 L, the byte length of the stamp
// list, then L / 5 entries {u8 market; int32 stamp}; int16 n, then n records
// {u8 (not kept); u8 market; u8 type; code 6; name 24; pinyin 6}. A reply that
// does not read whole (a stamp length that is not a multiple of 5, a count
// the bytes cannot hold, a short record) is refused and changes nothing;
// otherwise the stamps are replaced and every new code is added to the symbol
// table. Kind 2, count n, the records.
#ifndef PELMAR_B2CCLIENT0X05REPLY_H
#define PELMAR_B2CCLIENT0X05REPLY_H

#include <vector>

#include "b2cbasicreply.h"

class B2CService;

class B2CClient0x05Reply : public B2CBasicReply {
public:
    B2CClient0x05Reply(const _B2CQuoteMsg& header, B2CService* engine) : B2CBasicReply(header), engine_(engine) {}

    bool parse() override;
    const std::vector<QuoteCodeInfo>& records() const { return records_; }

private:
    B2CService* engine_;
    std::vector<QuoteCodeInfo> records_;
};

#endif
