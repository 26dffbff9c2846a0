// Builds a reply object over a hand-built answer body, binds it to a context
// and processes it as the engine thread would.
#ifndef PELMAR_TESTS_REPLYHARNESS_H
#define PELMAR_TESTS_REPLYHARNESS_H

#include <memory>
#include <vector>

#include "b2cbasicreply.h"
#include "context.h"
#include "wirebytes.h"

template <class R, class... Args>
std::shared_ptr<R> processed(const std::vector<uint8_t>& body, uint8_t version, const std::shared_ptr<Context>& ctx,
                             Args&&... args)
{
    _B2CStream* s = stream_of(body);
    _B2CQuoteMsg h{version, 0, 5, 0, 1, 7, s};
    auto reply = std::make_shared<R>(h, std::forward<Args>(args)...);
    b2c_stream_release(s);
    if (ctx)
        reply->set_context(ctx);
    reply->process();
    return reply;
}

inline void expect_bad_reply(const QuoteReply* r)
{
    EXPECT_EQ(r->kind, QUOTE_REPLY_ERROR);
    EXPECT_EQ(r->count, 0);
    ASSERT_NE(r->data, nullptr);
    EXPECT_EQ(static_cast<const QuoteErrorInfo*>(r->data)->code, QUOTE_ERROR_BAD_REPLY);
}

#endif
