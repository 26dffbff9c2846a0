// B2CClient0x37: the dividend and rights-issue history of one code (command
// 0x37). Body: code 6 bytes; u8 market (the context's first code).
#ifndef PELMAR_B2CCLIENT0X37_H
#define PELMAR_B2CCLIENT0X37_H

#include "contextbasicb2cclient.h"

class B2CClient0x37 : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x37;
    using ContextBasicB2CClient::ContextBasicB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
