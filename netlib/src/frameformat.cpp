#include "frameformat.h"

#include "moduobuffer.h"

namespace b2c {

bool FrameFormat::peekHeader(const ModuoBuffer& in, uint32_t& length, unsigned char& type)
{
    if (in.readableBytes() < kHeaderSize)
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in.peek());
    length = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
    type = p[4];
    return true;
}

DecodeStatus FrameFormat::startLoginFrame(ModuoBuffer& in, uint32_t bodyLength)
{
    uint32_t length = 0;
    unsigned char type = 0;
    if (!peekHeader(in, length, type))
        return DecodeStatus::NeedMore;
    // A heartbeat is not the login record either: it closes like any other frame.
    if (length != bodyLength || type != kTypeData)
        return DecodeStatus::Fatal;
    if (in.readableBytes() < uint64_t{kHeaderSize} + length)
        return DecodeStatus::NeedMore;
    in.retrieve(kHeaderSize + 1);
    return DecodeStatus::Decoded;
}

}  // namespace b2c
