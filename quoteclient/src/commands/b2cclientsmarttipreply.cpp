#include "b2cclientsmarttipreply.h"

#include <algorithm>

#include "datetime.h"
#include "realtimerowparser.h"
#include "replyreader.h"

constexpr uint8_t B2CClientSmartTipReply::kOptions[20];

const char* const B2CClientSmartTipReply::kKindText[21] = {
    "",         "火箭发射", "高台跳水", "大笔买入", "封涨停板", "打开涨停", "有大卖盘",
    "机构买单", "机构吃货", "买单分单", "买入撤单", "快速反弹", "加速下跌", "大笔卖出",
    "封跌停板", "打开跌停", "有大买盘", "机构卖单", "机构吐货", "卖单分单", "卖出撤单"};

const uint8_t B2CClientSmartTipReply::kKindClass[21] = {0, 1, 2, 1, 1, 1, 2, 3, 3, 2, 1, 1, 2, 2, 2, 2, 1, 4, 4, 2, 2};

// Engine thread.
bool B2CClientSmartTipReply::parse()
{
    ReplyReader in(payload());
    const uint8_t k = in.u8();
    in.skip(k);
    const int16_t n = in.i16();
    if (!in.count_fits(n, 33 + 1 + 4 + 16))
        return false;
    rows_.assign(static_cast<std::size_t>(n), QuoteSmartTip{});
    for (QuoteSmartTip& row : rows_) {
        RealTimeRowParser::read_identity(in, row.code_info);
        const int8_t kind = in.i8();
        const int32_t time = in.i32();
        in.text(row.text, sizeof row.text, 16);
        RealTimeRowParser::clean_text(row.text, sizeof row.text);
        if (!in.ok())
            return false;
        row.kind = static_cast<uint8_t>(kind);
        if (kind >= 0 && kind <= 20) {
            row.kind_text = kKindText[kind];
            row.kind_class = kKindClass[kind];
        }
        row.time = DateTime::decimal(time);
    }
    std::reverse(rows_.begin(), rows_.end());
    reply_.kind = QUOTE_REPLY_SMART_TIP;
    reply_.count = static_cast<int32_t>(rows_.size());
    reply_.data = rows_.empty() ? nullptr : rows_.data();
    return true;
}
