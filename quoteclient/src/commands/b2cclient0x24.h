// B2CClient0x24: the minute series of one code chosen by a 16-bit index
// (command 0x24). Body: code 6 bytes; u8 market; int16 page first; u8 6;
// options 1,2,3,4,7,9. Keeps the reference price of its last version-1
// answer for later answers of other versions.
#ifndef PELMAR_B2CCLIENT0X24_H
#define PELMAR_B2CCLIENT0X24_H

#include "cachedcodeb2cclient.h"

class B2CClient0x24 : public CachedCodeB2CClient {
public:
    static constexpr uint8_t kCommand = 0x24;
    using CachedCodeB2CClient::CachedCodeB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
