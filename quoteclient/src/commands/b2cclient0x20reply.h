// B2CClient0X20Reply: an answer to 0x20: int16 m; m field ids; int16 r; r rows.
// The rows are merged into the client's running table; then, with the
// context's options, the table is sorted (bit 4) and a page window chosen
// (bit 8). Delivered as kind 3 over the table's rows.
#ifndef PELMAR_B2CCLIENT0X20REPLY_H
#define PELMAR_B2CCLIENT0X20REPLY_H

#include <memory>

#include "b2cbasicreply.h"
#include "realtimetable.h"

class B2CService;

class B2CClient0X20Reply : public B2CBasicReply {
public:
    B2CClient0X20Reply(const _B2CQuoteMsg& header, std::shared_ptr<RealTimeTable> table, B2CService* engine)
        : B2CBasicReply(header), table_(std::move(table)), engine_(engine)
    {}

    bool parse() override;

    // The window [first, first + count) of a table of `size` rows for a page,
    // clamped to the table.
    static void window(std::size_t size, int16_t page_first, int16_t page_count, std::size_t* first,
                       std::size_t* count);

private:
    std::shared_ptr<RealTimeTable> table_;
    B2CService* engine_;
};

#endif
