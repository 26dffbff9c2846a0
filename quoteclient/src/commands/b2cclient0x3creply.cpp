#include "b2cclient0x3creply.h"

namespace {

// A share of the total; 0 when there is no total.
float share(int64_t part, int64_t total)
{
    return total == 0 ? 0.0f : static_cast<float>(static_cast<double>(part) / static_cast<double>(total));
}

}  // namespace

// Engine thread.
bool B2CClient0x3CReply::parse_body(ReplyReader& in)
{
    record_.total_volume = in.i64();
    const int16_t n = in.i16();
    if (!in.count_fits(n, 20))
        return false;
    levels_.assign(static_cast<std::size_t>(n), QuotePriceLevel{});
    int64_t max_volume = 0;
    for (QuotePriceLevel& level : levels_) {
        level.price = static_cast<float>(in.i32()) / 10000.0f;
        level.volume = in.i64();
        level.second_volume = in.i64();
        level.volume_share = share(level.volume, record_.total_volume);
        level.second_share = share(level.second_volume, record_.total_volume);
        if (level.volume > max_volume)
            max_volume = level.volume;
    }
    if (!in.ok())
        return false;
    record_.max_volume = max_volume;
    deliver_one(QUOTE_REPLY_PRICE_VOLUME, record_, record_.levels, levels_);
    return true;
}
