#include "kbardecoder.h"

#include "datetime.h"

bool KBarDecoder::carries_value(uint8_t id)
{
    return (id >= 1 && id <= 8) || id == 10;
}

std::size_t KBarDecoder::decode(_B2CStream* in, const std::vector<uint8_t>& ids, int count, uint8_t period, float scale,
                                std::vector<QuoteKPoint>& bars)
{
    bars.clear();
    if (count <= 0)
        return 0;
    if (!(scale > 0))
        scale = 1;
    bars.reserve(static_cast<std::size_t>(count));
    int64_t sums[256] = {};
    float prev_close = 0;
    for (int n = 0; n < count; ++n) {
        QuoteKPoint bar{};
        for (const uint8_t id : ids) {
            if (!carries_value(id))
                continue;
            int64_t delta = 0;
            if (!b2c_stream_read_compress_int64(in, &delta, 1))
                return bars.size();
            // Wrapping add: a hostile stream must not overflow into undefined behaviour.
            const int64_t sum = static_cast<int64_t>(static_cast<uint64_t>(sums[id]) + static_cast<uint64_t>(delta));
            sums[id] = sum;
            const float price = static_cast<float>(sum) / scale;
            switch (id) {
            case 1:
                if (period > 38)
                    bar.time = DateTime::unpack(static_cast<uint32_t>(sum));
                break;
            case 10:
                if (period <= 38)
                    bar.time = DateTime::decimal(sum);
                break;
            case 2:
                bar.open = price;
                break;
            case 3:
                bar.high = price;
                break;
            case 4:
                bar.low = price;
                break;
            case 5:
                bar.close = price;
                break;
            case 8:
                bar.extra = price;
                break;
            case 6:
                bar.amount = sum;
                break;
            case 7:
                bar.volume = sum;
                break;
            default:
                break;
            }
        }
        bar.prev_close = n == 0 ? 0.0f : prev_close;
        prev_close = bar.close;
        bars.push_back(bar);
    }
    return bars.size();
}
