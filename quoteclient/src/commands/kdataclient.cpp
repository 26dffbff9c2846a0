#include "kdataclient.h"

#include "b2cclient0x44.h"
#include "b2cclientloadmore.h"
#include "b2cclientrefreshreply.h"
#include "b2cservice.h"
#include "context.h"

KDataClient::KDataClient(Context& context)
    : engine_(context.engine()), context_(context.self()), data_(std::make_shared<KData>(context.period())),
      main_(std::make_shared<B2CClient0x44>(context, data_)), more_(std::make_shared<B2CClientLoadMore>(context, data_))
{}

std::shared_ptr<KDataClient> KDataClient::create(Context& context)
{
    return std::make_shared<KDataClient>(context);
}

// Caller's thread.
bool KDataClient::Ops::subscribe()
{
    return !owner_.engine_ || owner_.engine_->send(owner_.main_, true) != 0;
}

// Caller's thread.
bool KDataClient::Ops::request()
{
    return !owner_.engine_ || owner_.engine_->send(owner_.main_, false) != 0;
}

// Caller's thread.
void KDataClient::Ops::cancel()
{
    if (owner_.engine_)
        owner_.engine_->cancel_client(owner_.main_);
}

// Caller's thread.
bool KDataClient::Ops::load_more(int n)
{
    KData& data = *owner_.data_;
    if (!owner_.engine_ || data.empty() || !data.more_available())
        return false;
    if (data.loading.exchange(true))
        return false;
    owner_.more_->set_count(n);
    if (owner_.engine_->send(owner_.more_, false) == 0) {
        data.loading.store(false);
        return false;
    }
    return true;
}

// Caller's thread.
void KDataClient::Ops::refresh()
{
    if (!owner_.engine_)
        return;
    auto reply = std::make_shared<B2CClientRefreshReply>(owner_.data_->copy(), owner_.engine_);
    reply->set_context(owner_.context_);
    owner_.engine_->post(std::move(reply));
}
