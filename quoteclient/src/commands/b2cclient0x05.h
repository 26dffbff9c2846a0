// B2CClient0x05: the code table download (command 0x05). Body: int16 byte
// length of the stamp list (5 per entry); per entry u8 market, int32 stamp.
// The stamp list is process-wide: markets 1, 2 and 20 with stamp 0 at load,
// replaced by every answer.
#ifndef PELMAR_B2CCLIENT0X05_H
#define PELMAR_B2CCLIENT0X05_H

#include <vector>

#include "contextbasicb2cclient.h"

class B2CClient0x05 : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x05;
    using ContextBasicB2CClient::ContextBasicB2CClient;

    struct Stamp {
        uint8_t market;
        int32_t stamp;
    };
    // The process-wide stamp list (any thread).
    static std::vector<Stamp> stamps();
    static void set_stamps(std::vector<Stamp> list);

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
