// B2CClient0X20: real-time rows for an explicit list of codes (command 0x20).
// Body: int16 n; n times {code 6 bytes, u8 market}; int16 m; m int16 field ids.
// Keeps a running row table that every answer merges into; each send starts
// a new, empty table. With the index option the codes sent are the index
// symbols of the blocks the context's first code belongs to, worked out here;
// the context's own code list is left as the caller set it.
#ifndef PELMAR_B2CCLIENT0X20_H
#define PELMAR_B2CCLIENT0X20_H

#include <memory>
#include <mutex>
#include <vector>

#include "context.h"
#include "contextbasicb2cclient.h"
#include "realtimetable.h"

class B2CClient0X20 : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x20;

    B2CClient0X20(ContextBase& context, bool index_list);

    // The codes of the index symbols of the blocks `first` belongs to, in the
    // order of its block list; empty for an unknown code.
    static std::vector<CodeEntry> index_codes(B2CService* engine, const CodeEntry& first);

    std::shared_ptr<RealTimeTable> table() const;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;

private:
    const bool index_list_;
    std::vector<CodeEntry> index_codes_;
    mutable std::mutex table_mutex_;  // guards table_ (replaced at send, shared at make_reply)
    std::shared_ptr<RealTimeTable> table_;
};

#endif
