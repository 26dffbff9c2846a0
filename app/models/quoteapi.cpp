#include "models/quoteapi.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstring>

namespace {

const QuoteApi kLibrary = {
    quote_ctx_create,        quote_ctx_release,           quote_ctx_cancel,
    quote_ctx_set_type,      quote_ctx_set_peroid,        quote_ctx_set_code,
    quote_ctx_set_page,      quote_ctx_set_time,          quote_ctx_set_user_data,
    quote_ctx_get_user_data, quote_ctx_set_market_field,  quote_ctx_set_block,
    quote_ctx_set_category,  quote_ctx_set_sort,          quote_ctx_set_direction,
    quote_ctx_set_option,    quote_ctx_subscribe,         quote_ctx_request,
    quote_ctx_update,        quote_ctx_load_more,         quote_ctx_page_up,
    quote_ctx_page_down,     quote_ctx_get_page_first_no, quote_ctx_dump,
    quote_ctx_parse,         quote_block_index_block_id1,
};

std::atomic<const QuoteApi*> current{&kLibrary};

}  // namespace

const QuoteApi& quoteApi()
{
    return *current.load();
}

void setQuoteApi(const QuoteApi* api)
{
    current.store(api ? api : &kLibrary);
}

QuoteCtxPtr makeQuoteCtx()
{
    // The deleter captures the table that made the context, so a context made
    // under a test table is released by it.
    const QuoteApi* api = &quoteApi();
    return QuoteCtxPtr(api->create(), [api](quote_ctx* ctx) { api->release(ctx); });
}

QuoteCtxPtr parseQuoteCtx(const QByteArray& text)
{
    const QuoteApi* api = &quoteApi();
    quote_ctx* ctx = api->parse(text.constData(), text.size());
    if (!ctx)
        return {};
    return QuoteCtxPtr(ctx, [api](quote_ctx* c) { api->release(c); });
}

CodeEntry makeCodeEntry(const QString& code, unsigned market)
{
    CodeEntry entry;
    std::memset(entry.bytes, 0, sizeof entry.bytes);
    const QByteArray utf8 = code.toUtf8();
    std::memcpy(entry.bytes, utf8.constData(), static_cast<size_t>(std::min<int>(utf8.size(), 16)));
    entry.bytes[16] = static_cast<unsigned char>(market);
    return entry;
}
