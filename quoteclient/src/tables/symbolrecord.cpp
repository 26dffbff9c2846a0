#include "symbolrecord.h"

SymbolRecord::SymbolRecord(const QuoteCodeInfo& info) : code_info(info), realtime{}
{
    realtime.code_info = info;
    realtime.symbol = &links;
}
