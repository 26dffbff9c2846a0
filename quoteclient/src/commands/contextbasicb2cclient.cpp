#include "contextbasicb2cclient.h"

#include "b2cerrorreply.h"
#include "b2cservice.h"

ContextBasicB2CClient::ContextBasicB2CClient(ContextBase& context)
    : context_(context.shared_from_this()), engine_(context.engine())
{}

// Sending thread.
bool ContextBasicB2CClient::send(_B2CQuoteMsg& header)
{
    const std::shared_ptr<ContextBase> context = context_.lock();
    if (!context)
        return false;
    request_id_.store(header.request_id, std::memory_order_relaxed);
    return build_body(header, *context);
}

// Loop thread.
void ContextBasicB2CClient::on_reply(const _B2CQuoteMsg& header)
{
    std::shared_ptr<B2CBasicReply> reply;
    if (header.command == B2CService::kCommandError)
        reply = std::make_shared<B2CErrorReply>(header);
    else
        reply = make_reply(header);
    if (!reply || !engine_)
        return;
    reply->set_context(context_);
    engine_->post(std::move(reply));
}
