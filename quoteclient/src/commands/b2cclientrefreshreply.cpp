#include "b2cclientrefreshreply.h"

#include "b2cservice.h"
#include "context.h"
#include "dividendadjuster.h"

// Engine thread.
void B2CClientRefreshReply::process()
{
    if (auto ctx = context_of(context_.lock()))
        DividendAdjuster::adjust_for(bars_.data(), bars_.size(), *ctx, engine_ ? &engine_->symbols() : nullptr);
    deliver_one(QUOTE_REPLY_KLINE, record_, record_.points, bars_);
}
