#include "b2cclientloadmore.h"

#include <limits>

#include "b2cclient0x44reply.h"
#include "b2cservice.h"

bool B2CClientLoadMore::time_and_count(const ContextBase&, int64_t* time, int32_t* count) {
    if (!data_->oldest_time(time)) return false;
    const int n = count_.load();
    *count = n >= std::numeric_limits<int32_t>::max() ? n : n + 1;
    return true;
}

// Loop thread.
void B2CClientLoadMore::on_reply(const _B2CQuoteMsg& header) {
    // An error answer carries no bars: loading ends here.
    if (header.command == B2CService::kCommandError) data_->loading.store(false);
    B2CClient0x44::on_reply(header);
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClientLoadMore::make_reply(const _B2CQuoteMsg& header) {
    return std::make_shared<B2CClient0x44Reply>(header, data_, true, engine_);
}
