#include "b2cclientrefreshreply.h"

#include "b2cservice.h"
#include "context.h"
#include "dividendadjuster.h"

// Engine thread.
void B2CClientRefreshReply::process() {
    if (auto ctx = context_of(context_.lock()))
        DividendAdjuster::adjust_for(bars_.data(), bars_.size(), *ctx, engine_ ? &engine_->symbols() : nullptr);
    record_.count = static_cast<int32_t>(bars_.size());
    record_.points = bars_.empty() ? nullptr : bars_.data();
    reply_.kind = QUOTE_REPLY_KLINE;
    reply_.count = 1;
    reply_.data = &record_;
}
