#include "b2cclientloadmore.h"

#include <algorithm>
#include <limits>

#include "b2cclient0x44reply.h"
#include "b2cservice.h"

namespace {

// An answer to a load: once taken, the load asks for its next page.
class LoadMoreReply : public B2CClient0x44Reply {
public:
    LoadMoreReply(const _B2CQuoteMsg& header, std::shared_ptr<KData> data, B2CService* engine,
                  std::weak_ptr<B2CClientLoadMore> load)
        : B2CClient0x44Reply(header, std::move(data), true, engine), load_(std::move(load))
    {}

    // Engine thread.
    bool parse() override { return next(B2CClient0x44Reply::parse()); }
    bool parse_other() override { return next(B2CClient0x44Reply::parse_other()); }

private:
    bool next(bool taken)
    {
        if (taken)
            if (auto load = load_.lock())
                load->send_next_page();
        return taken;
    }

    std::weak_ptr<B2CClientLoadMore> load_;
};

}  // namespace

// Caller's thread.
void B2CClientLoadMore::set_count(int n)
{
    n = std::max(n, 0);
    const int page = std::min(n, kMaxPage);
    count_.store(page);
    rest_.store(n - page);
}

bool B2CClientLoadMore::time_and_count(const ContextBase&, int64_t* time, int32_t* count)
{
    if (!data_->oldest_time(time))
        return false;
    *count = count_.load() + 1;
    return true;
}

// Engine thread.
bool B2CClientLoadMore::send_next_page()
{
    // A load the caller began meanwhile goes its own way (its pages included).
    if (!engine_ || data_->loading.exchange(true))
        return false;
    const int rest = rest_.exchange(0);
    if (rest <= 0 || !data_->more_available()) {
        data_->loading.store(false);
        return false;
    }
    set_count(rest);
    if (engine_->send(shared_from_this(), false) == 0) {
        data_->loading.store(false);
        return false;
    }
    return true;
}

// Loop thread.
void B2CClientLoadMore::on_reply(const _B2CQuoteMsg& header)
{
    // An error answer carries no bars: loading ends here.
    if (header.command == B2CService::kCommandError)
        data_->loading.store(false);
    B2CClient0x44::on_reply(header);
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClientLoadMore::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<LoadMoreReply>(header, data_, engine_, weak_from_this());
}
