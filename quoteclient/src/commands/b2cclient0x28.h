// B2CClient0X28: a ranked page of one block (command 0x28). Body: int64 block
// id; int32 page first; int16 page count; int16 sort field; int8 sort
// direction; int16 m; m int16 field ids.
#ifndef PELMAR_B2CCLIENT0X28_H
#define PELMAR_B2CCLIENT0X28_H

#include "contextbasicb2cclient.h"

class B2CClient0X28 : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x28;
    using ContextBasicB2CClient::ContextBasicB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
