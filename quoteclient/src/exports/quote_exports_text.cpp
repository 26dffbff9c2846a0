// The exported context text functions: argument checks, one call into the
// text form, and no exception across the boundary.
#include <memory>
#include <string>

#include "b2cservice.h"
#include "context.h"
#include "contexttext.h"
#include "quote.h"

extern "C" {

QUOTE_API const char* quote_ctx_dump(quote_ctx* ctx)
{
    const std::shared_ptr<Context> context = ctx ? ctx->lock() : nullptr;
    if (!context)
        return nullptr;
    try {
        std::string& kept = context->dump_text();
        kept = ContextText::dump(context->settings());
        return kept.c_str();
    } catch (...) {
        return nullptr;
    }
}

QUOTE_API quote_ctx* quote_ctx_parse(const char* text, int length)
{
    if (!text || length < 0)
        return nullptr;
    try {
        ContextSettings settings;
        if (!ContextText::parse(text, static_cast<size_t>(length), &settings))
            return nullptr;
        quote_ctx* cell = Context::new_handle(&B2CService::instance());
        try {
            cell->context->set_settings(settings);
        } catch (...) {
            Context::release_handle(cell);
            return nullptr;
        }
        return cell;  // the caller's until quote_ctx_release
    } catch (...) {
        return nullptr;
    }
}

}  // extern "C"
