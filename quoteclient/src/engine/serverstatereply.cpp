#include "serverstatereply.h"

ServerStateReply::ServerStateReply(const char* const* server, bool open, std::weak_ptr<ContextBase> context)
{
    state_.server = server;
    state_.state = open ? 1 : 0;
    context_ = std::move(context);
}

// Engine thread.
void ServerStateReply::process()
{
    reply_.header_word = 0;
    reply_.kind = QUOTE_REPLY_SERVER;
    reply_.count = 0;
    reply_.data = &state_;
}
