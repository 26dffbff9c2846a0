// B2CClientRefreshReply: re-delivers a K-line context's cached bars without
// asking the server. It holds a copy of the cache, adjusts the copy for
// dividends as the context asks when processed, and delivers kind 5 with
// period and identity left zero.
#ifndef PELMAR_B2CCLIENTREFRESHREPLY_H
#define PELMAR_B2CCLIENTREFRESHREPLY_H

#include <vector>

#include "basicquotereply.h"

class B2CService;

class B2CClientRefreshReply : public BasicQuoteReply {
public:
    B2CClientRefreshReply(std::vector<QuoteKPoint> bars, B2CService* engine) : engine_(engine), bars_(std::move(bars))
    {}

    void process() override;

private:
    B2CService* engine_;
    std::vector<QuoteKPoint> bars_;
    QuoteKPoints record_{};
};

#endif
