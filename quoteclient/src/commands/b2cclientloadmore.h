// B2CClientLoadMore: asks for bars older than the cache (command 0x44 with the
// oldest cached time and count n + 1). The answer carries its bar count in 16
// signed bits, so a load of more bars than one answer can carry is asked for
// in pages, each sent once the answer before it was taken and the server said
// older bars remain. Any answer to it, an error included, ends the K-data's
// loading state unless a next page is sent.
#ifndef PELMAR_B2CCLIENTLOADMORE_H
#define PELMAR_B2CCLIENTLOADMORE_H

#include <atomic>
#include <memory>

#include "b2cclient0x44.h"

class B2CClientLoadMore : public B2CClient0x44, public std::enable_shared_from_this<B2CClientLoadMore> {
public:
    // The most bars one request asks for: with the one more it asks (the
    // oldest cached bar again) its answer holds 32,767 bars, the int16 most.
    static constexpr int kMaxPage = 32766;

    using B2CClient0x44::B2CClient0x44;

    // Caller's thread: n bars are wanted; the next request asks for the first
    // page of them (at most kMaxPage), the rest follow page by page.
    void set_count(int n);
    void on_reply(const _B2CQuoteMsg& header) override;
    // Engine thread, after an answer to this load was taken: when bars of the
    // load are still wanted and the server said older bars remain (state 2),
    // sends the next page and returns true; otherwise the load ends.
    bool send_next_page();

protected:
    bool time_and_count(const ContextBase& context, int64_t* time, int32_t* count) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;

private:
    std::atomic<int> count_{0};  // bars the request in flight asks for
    std::atomic<int> rest_{0};   // bars of the load wanted after it
};

#endif
