// B2CClient0x27: the minute series of one code for a given date (command
// 0x27). Body: code 6 bytes; u8 market; int32 packed local date-time of the
// context's time (-1 for time 0); int32 page count; u8 6; options 1,2,3,4,7,9.
#ifndef PELMAR_B2CCLIENT0X27_H
#define PELMAR_B2CCLIENT0X27_H

#include "contextbasicb2cclient.h"

class B2CClient0x27 : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x27;
    using ContextBasicB2CClient::ContextBasicB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
