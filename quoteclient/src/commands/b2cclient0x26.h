// B2CClient0x26: a page of tick details of one code (command 0x26). Body: code
// 6 bytes; u8 market; int32 page first (sign-extended); int16 page count.
#ifndef PELMAR_B2CCLIENT0X26_H
#define PELMAR_B2CCLIENT0X26_H

#include "cachedcodeb2cclient.h"

class B2CClient0x26 : public CachedCodeB2CClient {
public:
    static constexpr uint8_t kCommand = 0x26;
    using CachedCodeB2CClient::CachedCodeB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
