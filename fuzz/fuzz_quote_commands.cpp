// Every reply parser of the market-data commands on arbitrary bodies. The
// first byte picks the parser, the second the header version and the
// context's option bits (sort, window, adjustment), the third the sort field;
// the rest is the answer's body.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "b2cclient0x05reply.h"
#include "b2cclient0x20reply.h"
#include "b2cclient0x24reply.h"
#include "b2cclient0x26reply.h"
#include "b2cclient0x27reply.h"
#include "b2cclient0x28reply.h"
#include "b2cclient0x2areply.h"
#include "b2cclient0x37reply.h"
#include "b2cclient0x3creply.h"
#include "b2cclient0x44reply.h"
#include "b2cclientsmarttipreply.h"
#include "b2cerrorreply.h"
#include "context.h"

namespace {

template <class R, class... Args>
void run(_B2CQuoteMsg& h, const std::shared_ptr<Context>& ctx, Args&&... args)
{
    auto reply = std::make_shared<R>(h, std::forward<Args>(args)...);
    reply->set_context(ctx);
    reply->process();
    const QuoteReply* r = reply->reply();
    // Touch what a caller would read.
    if (r->kind == QUOTE_REPLY_REALTIME && r->count > 0) {
        const auto* rows = static_cast<const QuoteRealTimeMarket*>(r->data);
        volatile float sink = rows[r->count - 1].close;
        (void)sink;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t which = data[0], mode = data[1], field = data[2];
    _B2CStream* s = b2c_stream_create(static_cast<unsigned>(size));
    if (size > 3)
        b2c_stream_append_bytes(s, data + 3, static_cast<unsigned>(size - 3));
    _B2CQuoteMsg h{static_cast<uint8_t>(mode & 1 ? 2 : 1), 0, 5, 0, 1, 1, s};

    auto ctx = std::make_shared<Context>(nullptr);
    ctx->set_option((mode >> 1) & 0x0F);
    ctx->set_sort(field < 60 ? field : 1000 + (field & 0x1F), static_cast<uint8_t>(mode >> 5) % 3);
    ctx->set_page(static_cast<int16_t>(field % 7) - 2, static_cast<int16_t>(mode % 9));
    ctx->set_codes({CodeEntry::from("600000", 1)});
    static auto table = std::make_shared<RealTimeTable>();  // grows across inputs, as a subscription's does
    if (table->rows().size() > 5000)
        table = std::make_shared<RealTimeTable>();
    static auto cache = std::make_shared<CodeCache>();
    static auto kdata = std::make_shared<KData>(33);
    if (kdata->size() > 20000)
        kdata = std::make_shared<KData>(33);

    switch (which % 13) {
    case 0:
        run<B2CClient0x05Reply>(h, ctx, nullptr);
        break;
    case 1:
        run<B2CClient0X20Reply>(h, ctx, table, nullptr);
        break;
    case 2:
        run<B2CClient0X2AReply>(h, ctx);
        break;
    case 3:
        run<B2CClient0X28Reply>(h, ctx, nullptr);
        break;
    case 4:
        run<B2CClient0x26Reply>(h, ctx, cache);
        break;
    case 5:
        run<B2CClient0x3CReply>(h, ctx, cache);
        break;
    case 6:
        run<B2CClient0x27Reply>(h, ctx);
        break;
    case 7:
        run<B2CClient0x24Reply>(h, ctx, cache);
        break;
    case 8:
        run<B2CClient0x37Reply>(h, ctx, nullptr);
        break;
    case 9:
        run<B2CClientSmartTipReply>(h, ctx);
        break;
    case 10:
        run<B2CClient0x44Reply>(h, ctx, kdata, false, nullptr);
        break;
    case 11:
        run<B2CClient0x44Reply>(h, ctx, kdata, true, nullptr);
        break;
    default:
        run<B2CErrorReply>(h, ctx);
        break;
    }
    b2c_stream_release(s);
    return 0;
}
