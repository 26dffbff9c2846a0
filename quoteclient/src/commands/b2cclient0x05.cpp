#include "b2cclient0x05.h"

#include <mutex>

#include "b2cclient0x05reply.h"
#include "requestbody.h"

namespace {

std::mutex& stamps_mutex()
{  // guards stamp_list()
    static std::mutex m;
    return m;
}

std::vector<B2CClient0x05::Stamp>& stamp_list()
{
    static std::vector<B2CClient0x05::Stamp> list{{1, 0}, {2, 0}, {20, 0}};
    return list;
}

}  // namespace

std::vector<B2CClient0x05::Stamp> B2CClient0x05::stamps()
{
    std::lock_guard<std::mutex> lock(stamps_mutex());
    return stamp_list();
}

void B2CClient0x05::set_stamps(std::vector<Stamp> list)
{
    std::lock_guard<std::mutex> lock(stamps_mutex());
    stamp_list().swap(list);
}

// Sending thread.
bool B2CClient0x05::build_body(_B2CQuoteMsg& header, ContextBase&)
{
    std::vector<Stamp> list = stamps();
    if (list.size() > 32767 / 5)
        list.resize(32767 / 5);
    header.command = kCommand;
    requestbody::i16(header.payload, static_cast<int>(list.size() * 5));
    for (const Stamp& s : list) {
        requestbody::u8(header.payload, s.market);
        requestbody::i32(header.payload, s.stamp);
    }
    return true;
}

// Loop thread.
std::shared_ptr<B2CBasicReply> B2CClient0x05::make_reply(const _B2CQuoteMsg& header)
{
    return std::make_shared<B2CClient0x05Reply>(header, engine_);
}

// The engine's own code-table request.
std::shared_ptr<IB2CClient> make_code_table_client(ContextBase& context)
{
    return std::make_shared<B2CClient0x05>(context);
}
