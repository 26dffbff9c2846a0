// B2CClient0x03Reply: the server-state table. Body: u8 n, then n times
// {u8 market; int32 decimal date-time; u8 state}. Parsing stores every entry
// in the engine's market states; when a market already known got another
// date, one task closing the connection is queued, so the session logs in
// again and every subscription starts afresh. Delivered as kind 12.
#ifndef PELMAR_B2CCLIENT0X03REPLY_H
#define PELMAR_B2CCLIENT0X03REPLY_H

#include <vector>

#include "b2cbasicreply.h"

class B2CService;

class B2CClient0x03Reply : public B2CBasicReply {
public:
    B2CClient0x03Reply(const _B2CQuoteMsg& header, B2CService* engine) : B2CBasicReply(header), engine_(engine) {}

    bool parse() override;

    const std::vector<QuoteMarketState>& entries() const { return entries_; }
    bool date_changed() const { return date_changed_; }

private:
    B2CService* engine_;
    std::vector<QuoteMarketState> entries_;
    bool date_changed_ = false;
};

#endif
