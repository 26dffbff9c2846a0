// B2CClient0x44Reply: K-line bars. Full form (version 1): code 6; name 24;
// u8 decimal; u8 market; u8 type; u8 period; u8 state; u8 n; n field ids;
// int16 count; bars. Incremental form (other versions): u8 (unused); u8 n;
// n field ids; int16 count; u8 flag; bars, with the scale of the last full
// answer. The bars are merged into the K-data's cache; the reply delivers
// its own bars, adjusted for dividends as the context asks, as kind 5.
#ifndef PELMAR_B2CCLIENT0X44REPLY_H
#define PELMAR_B2CCLIENT0X44REPLY_H

#include <memory>
#include <vector>

#include "b2cbasicreply.h"
#include "kdata.h"
#include "replyreader.h"

class B2CService;

class B2CClient0x44Reply : public B2CBasicReply {
public:
    B2CClient0x44Reply(const _B2CQuoteMsg& header, std::shared_ptr<KData> data, bool load_more, B2CService* engine)
        : B2CBasicReply(header), data_(std::move(data)), load_more_(load_more), engine_(engine)
    {}

    bool parse() override;
    bool parse_other() override;

    const QuoteKPoints& points() const { return record_; }

private:
    bool read_ids(ReplyReader& in, std::vector<uint8_t>& ids);
    bool finish(const std::vector<uint8_t>& ids, int16_t count, uint8_t period, float scale);

    std::shared_ptr<KData> data_;
    bool load_more_;
    B2CService* engine_;
    QuoteKPoints record_{};
    std::vector<QuoteKPoint> bars_;
};

#endif
