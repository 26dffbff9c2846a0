// B2CClient0x48: smart tips of a list of codes (command 0x48). Body: int16 n;
// n times {code 6 bytes, u8 market}; int16 page count; u8 20; options 1..20.
#ifndef PELMAR_B2CCLIENT0X48_H
#define PELMAR_B2CCLIENT0X48_H

#include "contextbasicb2cclient.h"

class B2CClient0x48 : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x48;
    using ContextBasicB2CClient::ContextBasicB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
