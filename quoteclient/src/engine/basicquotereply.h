// BasicQuoteReply: the base of every reply object. It owns the QuoteReply
// record handed to the result callback and refers weakly to the request's
// context; the engine's delivery task locks that context first and drops the
// reply, unparsed, when the context is gone.
//
// Made on the loop thread (or by the engine), processed and delivered on the
// engine thread; never used by two threads at once.
#ifndef PELMAR_BASICQUOTEREPLY_H
#define PELMAR_BASICQUOTEREPLY_H

#include <cstdint>
#include <memory>
#include <vector>

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
    // Engine thread: the reply becomes the one `record`, of `kind`, whose
    // count and `list` pointer show `items` (null when there are none).
    template <typename Record, typename Item>
    void deliver_one(uint16_t kind, Record& record, Item*& list, std::vector<Item>& items)
    {
        record.count = static_cast<int32_t>(items.size());
        list = items.empty() ? nullptr : items.data();
        reply_.kind = kind;
        reply_.count = 1;
        reply_.data = &record;
    }

    QuoteReply reply_{};
    std::weak_ptr<ContextBase> context_;
};

#endif
