// B2CClient0X2A: a ranked page of one category (command 0x2A). Body: int16
// category; int16 page first; int16 page count; int16 sort field; int8 sort
// direction; int16 m; m int16 field ids.
#ifndef PELMAR_B2CCLIENT0X2A_H
#define PELMAR_B2CCLIENT0X2A_H

#include "contextbasicb2cclient.h"

class B2CClient0X2A : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x2A;
    using ContextBasicB2CClient::ContextBasicB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
