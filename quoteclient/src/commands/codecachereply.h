// CodeCacheReply: a reply of a per-code command whose version-1 answer starts
// with the identity block and the reference price, which answers of other
// versions leave out. parse() reads them and keeps them in the client's cache,
// parse_other() takes them from it; parse_body() reads what follows.
#ifndef PELMAR_CODECACHEREPLY_H
#define PELMAR_CODECACHEREPLY_H

#include <memory>

#include "b2cbasicreply.h"
#include "codecache.h"
#include "realtimerowparser.h"
#include "replyreader.h"

template <typename Record>
class CodeCacheReply : public B2CBasicReply {
public:
    CodeCacheReply(const _B2CQuoteMsg& header, std::shared_ptr<CodeCache> cache)
        : B2CBasicReply(header), cache_(std::move(cache))
    {}

    // Engine thread.
    bool parse() override
    {
        ReplyReader in(payload());
        RealTimeRowParser::read_identity_and_price(in, record_.code_info, record_.price);
        if (!parse_body(in))
            return false;
        if (cache_) {
            cache_->price = record_.price;
            cache_->code_info = record_.code_info;
        }
        return true;
    }

    // Engine thread.
    bool parse_other() override
    {
        ReplyReader in(payload());
        if (cache_) {
            record_.price = cache_->price;
            record_.code_info = cache_->code_info;
        }
        return parse_body(in);
    }

protected:
    // Engine thread: the body after the identity and price; sets the reply.
    virtual bool parse_body(ReplyReader& in) = 0;

    std::shared_ptr<CodeCache> cache_;
    Record record_{};
};

#endif
