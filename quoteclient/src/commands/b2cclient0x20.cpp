#include "b2cclient0x20.h"

#include "b2cclient0x20reply.h"
#include "b2cservice.h"
#include "blockstore.h"
#include "symboltable.h"
#include "requestbody.h"

B2CClient0X20::B2CClient0X20(ContextBase& context, bool index_list)
    : ContextBasicB2CClient(context), index_list_(index_list), table_(std::make_shared<RealTimeTable>())
{
    if (!index_list_)
        return;
    Context* ctx = context_of(context);
    CodeEntry first;
    if (ctx && ctx->first_code(&first))
        index_codes_ = index_codes(engine_, first);
}

std::shared_ptr<RealTimeTable> B2CClient0X20::table() const
{
    std::lock_guard<std::mutex> lock(table_mutex_);
    return table_;
}

// Sending thread.
bool B2CClient0X20::build_body(_B2CQuoteMsg& header, ContextBase& base)
{
    Context* ctx = context_of(base);
    if (!ctx)
        return false;
    const ContextSettings s = ctx->settings();
    header.command = kCommand;
    requestbody::code_list(header.payload, index_list_ ? index_codes_ : s.codes);
    requestbody::field_list(header.payload, s.market_fields);
    std::lock_guard<std::mutex> lock(table_mutex_);
    table_ = std::make_shared<RealTimeTable>();
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0X20::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0X20Reply>(header, table(), engine_);
}

std::vector<CodeEntry> B2CClient0X20::index_codes(B2CService* engine, const CodeEntry& first)
{
    std::vector<CodeEntry> out;
    if (!engine)
        return out;
    const auto entries =
        BlockStore::instance().index_entries_of(SymbolTable::make_key_entry17(first.bytes.data()), engine->symbols());
    out.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        out[i].bytes = entries[i];
    return out;
}
