// B2CClient0X28Reply: a ranked page of a block: int64 block id (not kept);
// int32 total rows; int16 m; m field ids; int16 r; r rows. As 0x2A, and each
// row with a code is linked to its symbol record (created when missing). Kind 3.
#ifndef PELMAR_B2CCLIENT0X28REPLY_H
#define PELMAR_B2CCLIENT0X28REPLY_H

#include "b2cclient0x2areply.h"

class B2CService;

class B2CClient0X28Reply : public B2CClient0X2AReply {
public:
    B2CClient0X28Reply(const _B2CQuoteMsg& header, B2CService* engine) : B2CClient0X2AReply(header), engine_(engine) {}

    bool parse() override;

private:
    B2CService* engine_;
};

#endif
