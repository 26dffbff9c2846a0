// The exported engine, version and symbol functions: argument checks, one call
// into the core, and no exception across the boundary.
#include "b2cservice.h"
#include "quote.h"
#include "symboltable.h"

extern "C" {

QUOTE_API int __quote_version_check(int major, int minor, int)
{
    return major == 1 && minor <= 19 ? 1 : 0;
}

QUOTE_API void quote_code_load(const QuoteCodeInfo* records, unsigned n)
{
    if (!records || n == 0)
        return;
    try {
        B2CService::instance().symbols().load(records, n);
    } catch (...) {
    }
}

QUOTE_API int quote_engine_run(const quote_engine_config* config, quote_engine_callback callback)
{
    try {
        return B2CService::instance().run(config, callback);
    } catch (...) {
        return 0;
    }
}

QUOTE_API void quote_engine_shutdown(void)
{
    try {
        B2CService::instance().shutdown();
    } catch (...) {
    }
}

QUOTE_API const QuoteCodeInfo* quote_symbol_code_info(const void* symbol)
{
    return symbol ? &static_cast<const SymbolRecord*>(symbol)->code_info : nullptr;
}

QUOTE_API const void* quote_symbol_find(const char* code, int market)
{
    try {
        return B2CService::instance().symbols().find(code, market);
    } catch (...) {
        return nullptr;
    }
}

QUOTE_API const QuoteRealTimeMarket* quote_symbol_realtime(const void* symbol)
{
    return symbol ? &static_cast<const SymbolRecord*>(symbol)->realtime : nullptr;
}

}  // extern "C"
