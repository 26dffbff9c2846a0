// FullPushReply: one packet of the outside real-time receiver, copied on the
// receiver's thread and processed on the engine thread: each record updates
// the real-time part of its symbol record, and the reply (kind 11) lists the
// updated symbol records in packet order (a symbol updated twice is listed
// twice). Records whose code the symbol table lacks are skipped.
#ifndef PELMAR_FULLPUSHREPLY_H
#define PELMAR_FULLPUSHREPLY_H

#include <memory>
#include <vector>

#include "basicquotereply.h"
#include "platform/receiverlibrary.h"

class SymbolTable;
struct SymbolRecord;

class FullPushReply : public BasicQuoteReply {
public:
    FullPushReply(std::vector<platform::RealtimeReport> records, std::weak_ptr<ContextBase> service,
                  SymbolTable* symbols);

    // Engine thread: writes the records into the symbol table.
    void process() override;

    // Engine thread: writes the records into `table` (its lock is taken here)
    // and returns the updated records in order.
    static std::vector<SymbolRecord*> apply(const std::vector<platform::RealtimeReport>& records, SymbolTable& table);

    // One record into one real-time row.
    static void update_row(const platform::RealtimeReport& record, QuoteRealTimeMarket& row);

private:
    std::vector<platform::RealtimeReport> records_;
    SymbolTable* symbols_table_;
    std::vector<void*> symbols_;
};

#endif
