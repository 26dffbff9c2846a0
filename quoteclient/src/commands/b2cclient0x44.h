// B2CClient0x44: K-line bars of one code (command 0x44). Body: code 6 bytes;
// u8 market; u8 period; int32 packed local date-time (-1 for time 0); int32
// count; u8 10; field ids 1..10. With an empty cache it asks for the
// context's time and page count; sent again with bars cached (the engine's
// re-send after a login) it asks for the newest cached time and count 0.
#ifndef PELMAR_B2CCLIENT0X44_H
#define PELMAR_B2CCLIENT0X44_H

#include <memory>

#include "context.h"
#include "contextbasicb2cclient.h"
#include "kdata.h"

class B2CClient0x44 : public ContextBasicB2CClient {
public:
    static constexpr uint8_t kCommand = 0x44;
    static constexpr uint8_t kFieldIds[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

    B2CClient0x44(ContextBase& context, std::shared_ptr<KData> data)
        : ContextBasicB2CClient(context), data_(std::move(data))
    {}

    // The time field of a request: packed local date-time, -1 for 0.
    static int32_t wire_time(int64_t seconds);

protected:
    bool build_body(_B2CQuoteMsg& header, ContextBase& context) override;
    std::shared_ptr<B2CBasicReply> make_reply(const _B2CQuoteMsg& header) override;
    // Time and count of the request.
    virtual bool time_and_count(const ContextBase& context, int64_t* time, int32_t* count);
    void write_body(_B2CQuoteMsg& header, const CodeEntry& code, uint8_t period, int64_t time, int32_t count);

    std::shared_ptr<KData> data_;
};

#endif
