// ContextBasicB2CClient: the base of every command client. It is made from its
// request context (weakly held) and the context's engine; send() stores the
// request id and lets build_body() write the command byte and body; on_reply()
// turns an answer into a reply object (an error reply for command 0x10, else
// make_reply()) bound to the same context and posts it to the engine.
//
// A command client derives from it and overrides build_body and make_reply.
// Clients are made with std::make_shared and held by their context.
#ifndef PELMAR_CONTEXTBASICB2CCLIENT_H
#define PELMAR_CONTEXTBASICB2CCLIENT_H

#include <atomic>
#include <memory>

#include "b2cbasicreply.h"
#include "contextbase.h"
#include "ib2cclient.h"

class B2CService;

class ContextBasicB2CClient : public IB2CClient {
public:
    // Throws std::bad_weak_ptr when the context has no shared owner.
    explicit ContextBasicB2CClient(ContextBase& context);
    ~ContextBasicB2CClient() override = default;

    uint16_t request_id() const override { return request_id_.load(std::memory_order_relaxed); }
    bool send(_B2CQuoteMsg& header) override;
    void on_reply(const _B2CQuoteMsg& header) override;
    bool alive() const override { return !context_.expired(); }

    const std::weak_ptr<ContextBase>& context() const { return context_; }
    B2CService* engine() const { return engine_; }

protected:
    // Sending thread, with the context held: set header.command and append the
    // body to header.payload (b2c_stream_append_*). Return false to send nothing.
    virtual bool build_body(_B2CQuoteMsg& header, ContextBase& context) = 0;
    // Loop thread: a new, unparsed reply for a non-error answer.
    virtual std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) = 0;

    std::weak_ptr<ContextBase> context_;
    B2CService* engine_;

private:
    std::atomic<uint16_t> request_id_{0};
};

#endif
