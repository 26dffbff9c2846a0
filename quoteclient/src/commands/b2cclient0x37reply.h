// B2CClient0x37Reply: dividend events of one code: identity block; int16 n;
// n events of six int32 {date (decimal), cash ÷ 100, rights price ÷
// 10^(decimal + 1), rights ratio ÷ 100, bonus ratio ÷ 100, unused}. Computes
// the forward and backward adjustment factors, replaces the symbol's
// dividend list with a copy, and delivers kind 7, one QuoteDividendPoints.
#ifndef PELMAR_B2CCLIENT0X37REPLY_H
#define PELMAR_B2CCLIENT0X37REPLY_H

#include <vector>

#include "b2cbasicreply.h"

class B2CService;

class B2CClient0x37Reply : public B2CBasicReply {
public:
    B2CClient0x37Reply(const _B2CQuoteMsg& header, B2CService* engine) : B2CBasicReply(header), engine_(engine) {}

    bool parse() override;
    const QuoteDividendPoints& dividends() const { return record_; }

    // The cumulative factors over events listed newest first. An event whose
    // share divisor (1 + rights ratio + bonus ratio) is not positive is
    // skipped: it takes the factors of its neighbour and changes nothing.
    static void compute_factors(QuoteDividend* events, std::size_t n);

private:
    B2CService* engine_;
    QuoteDividendPoints record_{};
    std::vector<QuoteDividend> events_;
};

#endif
