#include "b2cclient0x44reply.h"

#include <cmath>

#include "b2cservice.h"
#include "context.h"
#include "dividendadjuster.h"
#include "kbardecoder.h"
#include "realtimerowparser.h"

bool B2CClient0x44Reply::read_ids(ReplyReader& in, std::vector<uint8_t>& ids)
{
    const uint8_t n = in.u8();
    if (!in.count_fits(n, 1))
        return false;
    ids.resize(n);
    for (auto& id : ids)
        id = in.u8();
    return in.ok();
}

bool B2CClient0x44Reply::finish(const std::vector<uint8_t>& ids, int16_t count, uint8_t period, float scale)
{
    unsigned per_bar = 0;
    for (const uint8_t id : ids)
        per_bar += KBarDecoder::carries_value(id) ? 1 : 0;
    // Every value takes at least one byte.
    ReplyReader check(payload());
    if (!check.count_fits(count, per_bar))
        return false;
    KBarDecoder::decode(payload(), ids, count, period, scale, bars_);
    data_->merge(bars_);

    auto ctx = context_of(context_.lock());
    if (ctx)
        DividendAdjuster::adjust_for(bars_.data(), bars_.size(), *ctx, engine_ ? &engine_->symbols() : nullptr);
    deliver_one(QUOTE_REPLY_KLINE, record_, record_.points, bars_);
    return true;
}

// Engine thread.
bool B2CClient0x44Reply::parse()
{
    if (load_more_)
        data_->loading.store(false);  // any answer ends the load
    ReplyReader in(payload());
    QuoteCodeInfo info{};
    in.text(info.code, sizeof info.code, 6);
    in.text(info.name, sizeof info.name, 24);
    RealTimeRowParser::clean_text(info.code, sizeof info.code);
    RealTimeRowParser::clean_text(info.name, sizeof info.name);
    info.decimal = in.u8();
    info.market = in.u8();
    info.type = in.u8();
    const uint8_t period = in.u8();
    const uint8_t state = in.u8();
    std::vector<uint8_t> ids;
    if (!read_ids(in, ids))
        return false;
    const int16_t count = in.i16();
    if (!in.ok())
        return false;
    // 10 ^ decimal places; beyond 9 places a float price means nothing.
    const float scale = static_cast<float>(std::pow(10.0, info.decimal > 9 ? 9 : info.decimal));
    data_->set_info(info, period, state, scale);
    data_->loading.store(false);
    record_.period = period;
    record_.code_info = info;
    return finish(ids, count, period, scale);
}

// Engine thread.
bool B2CClient0x44Reply::parse_other()
{
    if (load_more_)
        data_->loading.store(false);  // any answer ends the load
    ReplyReader in(payload());
    in.u8();
    std::vector<uint8_t> ids;
    if (!read_ids(in, ids))
        return false;
    const int16_t count = in.i16();
    in.u8();
    if (!in.ok())
        return false;
    return finish(ids, count, data_->period(), data_->scale());
}
