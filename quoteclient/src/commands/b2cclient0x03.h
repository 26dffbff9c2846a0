// B2CClient0x03: the engine's subscription to the server state (command 0x03,
// empty body). Its replies carry, per market, a date and a state byte.
#ifndef PELMAR_B2CCLIENT0X03_H
#define PELMAR_B2CCLIENT0X03_H

#include "contextbasicb2cclient.h"

class B2CClient0x03 : public ContextBasicB2CClient {
public:
    using ContextBasicB2CClient::ContextBasicB2CClient;

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
};

#endif
