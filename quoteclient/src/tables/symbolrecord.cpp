#include "symbolrecord.h"

#include <mutex>
#include <set>

namespace {

const char* QuoteSymbolNames::*const kNameSlots[3] = {&QuoteSymbolNames::industry_name, &QuoteSymbolNames::region_name,
                                                      &QuoteSymbolNames::concept_name};

}  // namespace

const char* SymbolLinks::block_name(std::size_t slot) const
{
    return names.*kNameSlots[slot];
}

void SymbolLinks::set_block_name(std::size_t slot, const char* interned)
{
    names.*kNameSlots[slot] = interned;
}

const char* SymbolLinks::intern(const std::string& name)
{
    static std::mutex mutex;            // guards kept
    static std::set<std::string> kept;  // nodes never move: their texts stay put
    if (name.empty())
        return "";
    std::lock_guard<std::mutex> lock(mutex);
    return kept.insert(name).first->c_str();
}

SymbolRecord::SymbolRecord(const QuoteCodeInfo& info) : code_info(info), realtime{}
{
    realtime.code_info = info;
    realtime.symbol = &links.names;
}
