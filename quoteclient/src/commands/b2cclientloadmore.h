// B2CClientLoadMore: asks for bars older than the cache (command 0x44 with the
// oldest cached time and count n + 1). Any answer to it, an error included,
// ends the K-data's loading state.
#ifndef PELMAR_B2CCLIENTLOADMORE_H
#define PELMAR_B2CCLIENTLOADMORE_H

#include <atomic>

#include "b2cclient0x44.h"

class B2CClientLoadMore : public B2CClient0x44 {
public:
    using B2CClient0x44::B2CClient0x44;

    void set_count(int n) { count_.store(n); }
    void on_reply(const _B2CQuoteMsg& header) override;

protected:
    bool time_and_count(const ContextBase& context, int64_t* time, int32_t* count) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;

private:
    std::atomic<int> count_{0};
};

#endif
