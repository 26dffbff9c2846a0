// BasicQuoteReply: the base of every reply object. It owns the QuoteReply
// record handed to the result callback and refers weakly to the request's
// context; the engine's delivery task locks that context first and drops the
// reply, unparsed, when the context is gone.
//
// Made on the loop thread (or by the engine), processed and delivered on the
// engine thread; never used by two threads at once.
#ifndef PELMAR_BASICQUOTEREPLY_H
#define PELMAR_BASICQUOTEREPLY_H

#include <memory>

#include "contextbase.h"
#include "quote.h"

class BasicQuoteReply {
public:
    BasicQuoteReply() = default;
    virtual ~BasicQuoteReply() = default;

    BasicQuoteReply(const BasicQuoteReply&) = delete;
    BasicQuoteReply& operator=(const BasicQuoteReply&) = delete;

    virtual QuoteReply* reply() { return &reply_; }

    // Engine thread, before the callback: parses what the reply holds and
    // fills kind, count and data.
    virtual void process() = 0;

    const std::weak_ptr<ContextBase>& context() const { return context_; }
    void set_context(std::weak_ptr<ContextBase> context) { context_ = std::move(context); }

protected:
    QuoteReply reply_{};
    std::weak_ptr<ContextBase> context_;
};

#endif
