// The exported request-context functions: argument checks, one call into the
// Context, and no exception across the boundary. Each function holds its own
// share of the context while it runs.
#include <cstring>
#include <memory>
#include <vector>

#include "b2cservice.h"
#include "context.h"
#include "quote.h"

namespace {

std::shared_ptr<Context> get(quote_ctx* ctx)
{
    return ctx ? ctx->lock() : nullptr;
}

template <class Fn>
void with(quote_ctx* ctx, Fn&& fn)
{
    if (auto c = get(ctx)) {
        try {
            fn(*c);
        } catch (...) {
        }
    }
}

template <class R, class Fn>
R with_result(quote_ctx* ctx, R fail, Fn&& fn)
{
    auto c = get(ctx);
    if (!c)
        return fail;
    try {
        return fn(*c);
    } catch (...) {
        return fail;
    }
}

}  // namespace

extern "C" {

QUOTE_API quote_ctx* quote_ctx_create(void)
{
    try {
        // The caller's until quote_ctx_release.
        return Context::new_handle(&B2CService::instance());
    } catch (...) {
        return nullptr;
    }
}

QUOTE_API void quote_ctx_release(quote_ctx* ctx)
{
    if (!ctx)
        return;
    try {
        Context::release_handle(ctx);
    } catch (...) {
    }
}

QUOTE_API int quote_ctx_cancel(quote_ctx* ctx)
{
    return with_result(ctx, 0, [](Context& c) { return c.cancel(); });
}

QUOTE_API int quote_ctx_request(quote_ctx* ctx)
{
    return with_result(ctx, 0, [](Context& c) { return c.request(); });
}

QUOTE_API int quote_ctx_subscribe(quote_ctx* ctx)
{
    return with_result(ctx, 0, [](Context& c) { return c.subscribe(); });
}

QUOTE_API int quote_ctx_update(quote_ctx* ctx)
{
    return with_result(ctx, 0, [](Context& c) { return c.update(); });
}

QUOTE_API int quote_ctx_page_down(quote_ctx* ctx)
{
    return with_result(ctx, 0, [](Context& c) { return c.page_down() ? 1 : 0; });
}

QUOTE_API int quote_ctx_page_up(quote_ctx* ctx)
{
    return with_result(ctx, 0, [](Context& c) { return c.page_up() ? 1 : 0; });
}

QUOTE_API int quote_ctx_load_more(quote_ctx* ctx, int count)
{
    return with_result(ctx, 0, [count](Context& c) { return c.load_more(count) ? 1 : 0; });
}

QUOTE_API int quote_ctx_get_page_first_no(quote_ctx* ctx)
{
    return with_result(ctx, 0, [](Context& c) { return static_cast<int>(c.page().first); });
}

QUOTE_API intptr_t quote_ctx_get_user_data(quote_ctx* ctx)
{
    return with_result<intptr_t>(ctx, 0, [](Context& c) { return c.user_data(); });
}

QUOTE_API void quote_ctx_set_user_data(quote_ctx* ctx, intptr_t user_data)
{
    with(ctx, [user_data](Context& c) { c.set_user_data(user_data); });
}

QUOTE_API void quote_ctx_set_type(quote_ctx* ctx, int type)
{
    with(ctx, [type](Context& c) { c.set_type(type); });
}

QUOTE_API void quote_ctx_set_peroid(quote_ctx* ctx, uint8_t period)
{
    with(ctx, [period](Context& c) { c.set_period(period); });
}

QUOTE_API void quote_ctx_set_direction(quote_ctx* ctx, uint8_t direction)
{
    with(ctx, [direction](Context& c) { c.set_direction(direction); });
}

QUOTE_API void quote_ctx_set_option(quote_ctx* ctx, int bits)
{
    with(ctx, [bits](Context& c) { c.set_option(bits); });
}

QUOTE_API void quote_ctx_set_time(quote_ctx* ctx, int64_t time, int a, int b)
{
    const int64_t end =
        static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(b)) << 32) | static_cast<uint32_t>(a));
    with(ctx, [time, end](Context& c) { c.set_time(time, end); });
}

QUOTE_API void quote_ctx_set_page(quote_ctx* ctx, uint16_t first, uint16_t count)
{
    with(ctx, [first, count](Context& c) { c.set_page(static_cast<int16_t>(first), static_cast<int16_t>(count)); });
}

QUOTE_API void quote_ctx_set_sort(quote_ctx* ctx, uint16_t field, uint8_t direction)
{
    with(ctx, [field, direction](Context& c) { c.set_sort(field, direction); });
}

QUOTE_API void quote_ctx_set_market_field(quote_ctx* ctx, const uint16_t* ids, int n)
{
    with(ctx, [ids, n](Context& c) { c.set_market_fields(ids, n); });
}

QUOTE_API void quote_ctx_set_category(quote_ctx* ctx, uint16_t category)
{
    with(ctx, [category](Context& c) { c.set_category(category); });
}

QUOTE_API void quote_ctx_set_block(quote_ctx* ctx, int64_t block_id)
{
    with(ctx, [block_id](Context& c) { c.set_block(block_id); });
}

QUOTE_API void quote_ctx_set_code(quote_ctx* ctx, const void* entries17, int n)
{
    with(ctx, [entries17, n](Context& c) {
        std::vector<CodeEntry> codes;
        if (entries17 && n > 0) {
            codes.resize(static_cast<std::size_t>(n));
            const char* p = static_cast<const char*>(entries17);
            for (auto& e : codes) {
                std::memcpy(e.bytes.data(), p, 17);
                p += 17;
            }
        }
        c.set_codes(std::move(codes));
    });
}

QUOTE_API void quote_ctx_set_code1(quote_ctx* ctx, const QuoteCodeInfo* records, int n)
{
    with(ctx, [records, n](Context& c) {
        std::vector<CodeEntry> codes;
        if (records && n > 0) {
            codes.resize(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                std::memcpy(codes[i].bytes.data(), records[i].code, 16);
                codes[i].bytes[16] = static_cast<char>(records[i].market);
            }
        }
        c.set_codes(std::move(codes));
    });
}

}  // extern "C"
