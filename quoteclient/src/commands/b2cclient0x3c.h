// B2CClient0x3C: traded volume per price level of one code (command 0x3C).
// Body: code 6 bytes; u8 market (the context's first code).
#ifndef PELMAR_B2CCLIENT0X3C_H
#define PELMAR_B2CCLIENT0X3C_H

#include "cachedcodeb2cclient.h"

class B2CClient0x3C : public CachedCodeB2CClient {
public:
    static constexpr uint8_t kCommand = 0x3C;
    using CachedCodeB2CClient::CachedCodeB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
