#include "minuteseriesparser.h"

#include "datetime.h"

constexpr uint8_t MinuteSeriesParser::kOptions[6];

const QuoteMinAxis MinuteSeriesParser::kAxis = {
    241, 4, {{0, 21, 5400}, {120, 18, 12600}, {121, 17, 18000}, {241, 26, 25200}}};

uint32_t MinuteSeriesParser::option_size(int8_t option)
{
    switch (option) {
    case 1:
    case 4:
        return 4;
    case 7:
        return 2;
    case 2:
    case 3:
    case 5:
    case 6:
    case 8:
    case 9:
        return 8;
    default:
        return 0;
    }
}

bool MinuteSeriesParser::read_points(ReplyReader& in, int16_t n, float reference, bool replace_zero,
                                     std::vector<QuoteMinPoint>& points)
{
    points.clear();
    const uint8_t k = in.u8();
    int8_t options[256];
    uint32_t point_bytes = 0;
    for (unsigned i = 0; i < k; ++i) {
        options[i] = in.i8();
        point_bytes += option_size(options[i]);
    }
    if (!in.count_fits(n, point_bytes))
        return false;
    points.assign(static_cast<std::size_t>(n), QuoteMinPoint{});
    for (QuoteMinPoint& p : points) {
        for (unsigned i = 0; i < k; ++i) {
            switch (options[i]) {
            case 1: {
                const int32_t v = in.i32();
                p.price = (v == 0 && replace_zero) ? reference : static_cast<float>(v) / 10000.0f;
                break;
            }
            case 2:
                p.amount = in.i64();
                break;
            case 3:
                p.volume = in.i64();
                break;
            case 4:
                p.avg_price = static_cast<float>(in.i32()) / 10000.0f;
                break;
            case 7:
                p.value = in.i16();
                break;
            case 9: {
                const int64_t t = DateTime::decimal(in.i64());
                p.time = t < 0 ? 0 : t;
                break;
            }
            case 5:
            case 6:
            case 8:
                in.i64();
                break;
            default:
                break;
            }
        }
        if (!in.ok()) {
            points.clear();
            return false;
        }
    }
    return true;
}

bool MinuteSeriesParser::read_series(ReplyReader& in, int16_t n, bool replace_zero, QuoteMinPoints& record,
                                     std::vector<QuoteMinPoint>& points, QuoteReply& reply)
{
    if (!read_points(in, n, record.price, replace_zero, points))
        return false;
    record.count = static_cast<int32_t>(points.size());
    record.points = points.empty() ? nullptr : points.data();
    record.axis = &kAxis;
    reply.kind = QUOTE_REPLY_MINUTE;
    reply.count = 1;
    reply.data = &record;
    return true;
}
