// B2CClient0x3f: smart tips of one block (command 0x3F). Body: int64 block id;
// int16 page count; u8 20; options 1..20.
#ifndef PELMAR_B2CCLIENT0X3F_H
#define PELMAR_B2CCLIENT0X3F_H

#include "contextbasicb2cclient.h"

class B2CClient0x3f : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x3F;
    using ContextBasicB2CClient::ContextBasicB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
