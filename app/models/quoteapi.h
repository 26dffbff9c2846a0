// The market-data library's context calls the quote models make, gathered in
// one table so a test can record the exact order of calls. Production code
// always goes through the real library.
#pragma once

#include <cstdint>
#include <memory>

#include "quote.h"

struct QuoteApi {
    quote_ctx* (*create)();
    void (*release)(quote_ctx*);
    int (*cancel)(quote_ctx*);
    void (*set_type)(quote_ctx*, int);
    void (*set_peroid)(quote_ctx*, uint8_t);
    void (*set_code)(quote_ctx*, const void*, int);
    void (*set_page)(quote_ctx*, uint16_t, uint16_t);
    void (*set_time)(quote_ctx*, int64_t, int, int);
    void (*set_user_data)(quote_ctx*, intptr_t);
    intptr_t (*get_user_data)(quote_ctx*);
    void (*set_market_field)(quote_ctx*, const uint16_t*, int);
    void (*set_block)(quote_ctx*, int64_t);
    void (*set_category)(quote_ctx*, uint16_t);
    void (*set_sort)(quote_ctx*, uint16_t, uint8_t);
    void (*set_direction)(quote_ctx*, uint8_t);
    void (*set_option)(quote_ctx*, int);
    int (*subscribe)(quote_ctx*);
    int (*request)(quote_ctx*);
    int (*update)(quote_ctx*);
    int (*load_more)(quote_ctx*, int);
    int (*page_up)(quote_ctx*);
    int (*page_down)(quote_ctx*);
    int (*get_page_first_no)(quote_ctx*);
    const char* (*dump)(quote_ctx*);
    quote_ctx* (*parse)(const char*, int);
    int64_t (*block_index_block_id1)(const void*);
};

// The table in use: the real library unless a test installed its own.
const QuoteApi& quoteApi();

// Tests only: install a recording table (null restores the real library).
void setQuoteApi(const QuoteApi* api);

// A context owned by the model that made it; dropping the last owner releases
// it, which ends its subscription.
using QuoteCtxPtr = std::shared_ptr<quote_ctx>;

// A new context in a shared owner whose deleter is the library's release.
QuoteCtxPtr makeQuoteCtx();

class QByteArray;
// A context parsed from its dumped text (UTF-8) in the same kind of owner;
// empty when the library refuses the text.
QuoteCtxPtr parseQuoteCtx(const QByteArray& text);

// One 17-byte code entry: the code text as UTF-8 in a zero-filled 16-byte
// field (a longer text is cut at 16 bytes), then the market byte.
struct CodeEntry {
    unsigned char bytes[17];
};
static_assert(sizeof(CodeEntry) == 17, "a code entry is 17 bytes");

class QString;
CodeEntry makeCodeEntry(const QString& code, unsigned market);
