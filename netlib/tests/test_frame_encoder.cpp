// Outgoing frames: login records, quote messages, raw streams and the
// heartbeat, byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "heartbeatencoder.h"
#include "msgencoder.h"
#include "streambytes.h"

namespace {

// The frame bytes in the order they go out.
Bytes frameBytes(const b2c::FrameEncoder& enc)
{
    b2c::ByteRange r[b2c::FrameEncoder::kMaxRanges];
    const size_t n = enc.ranges(r);
    Bytes out;
    for (size_t i = 0; i < n; ++i)
        out.insert(out.end(), r[i].data, r[i].data + r[i].size);
    return out;
}

Bytes encode(int kind, void* data)
{
    _B2CMessage msg{nullptr, kind, data};
    b2c::FrameProducer p = b2c::MsgEncoder::make(msg);
    EXPECT_TRUE(p);
    return p ? frameBytes(*p) : Bytes{};
}

_B2CAuthMsg sampleRecord(int kind)
{
    _B2CAuthMsg rec{};
    rec.kind = kind;
    for (int i = 0; i < 32; ++i)
        rec.key[i] = static_cast<uint8_t>(0xA0 + i);
    rec.id[0] = 0x05060708;  // low word
    rec.id[1] = 0x01020304;  // high word
    for (int i = 0; i < 16; ++i)
        rec.extra[i] = static_cast<uint8_t>(0xE0 + i);
    return rec;
}

std::string keyHex(int from, int count)
{
    Bytes b;
    for (int i = from; i < from + count; ++i)
        b.push_back(static_cast<uint8_t>(0xA0 + i));
    return hex(b);
}

TEST(FrameEncoder, ChallengeIsThirtyBytes)
{
    _B2CAuthMsg rec = sampleRecord(B2C_AUTH_CHALLENGE);
    const Bytes f = encode(B2C_MESSAGE_AUTH, &rec);
    EXPECT_EQ(hex(f), "00 00 00 19 01 04 " + keyHex(0, 24));
}

TEST(FrameEncoder, AnswerIsThirtyEightBytes)
{
    _B2CAuthMsg rec = sampleRecord(B2C_AUTH_ANSWER);
    const Bytes f = encode(B2C_MESSAGE_AUTH, &rec);
    ASSERT_EQ(f.size(), 38u);
    EXPECT_EQ(hex(f), "00 00 00 21 01 04 " + keyHex(0, 32));
}

TEST(FrameEncoder, AnswerWithIdentityIsSixtyTwoBytes)
{
    _B2CAuthMsg rec = sampleRecord(B2C_AUTH_ANSWER_ID);
    const Bytes f = encode(B2C_MESSAGE_AUTH, &rec);
    ASSERT_EQ(f.size(), 62u);
    EXPECT_EQ(hex(f), "00 00 00 39 01 04 " + keyHex(0, 32) +
                          " 01 02 03 04 05 06 07 08"
                          " E0 E1 E2 E3 E4 E5 E6 E7 E8 E9 EA EB EC ED EE EF");
}

TEST(FrameEncoder, ResultIsTenBytes)
{
    _B2CAuthMsg rec{};
    rec.kind = B2C_AUTH_RESULT;
    const int32_t result = -1;
    std::memcpy(rec.key, &result, 4);
    EXPECT_EQ(hex(encode(B2C_MESSAGE_AUTH, &rec)), "00 00 00 05 01 04 FF FF FF FF");
    const int32_t other = 0x01020304;
    std::memcpy(rec.key, &other, 4);
    EXPECT_EQ(hex(encode(B2C_MESSAGE_AUTH, &rec)), "00 00 00 05 01 04 01 02 03 04");
}

TEST(FrameEncoder, UnknownRecordKindHasNoContent)
{
    _B2CAuthMsg rec = sampleRecord(9);
    EXPECT_EQ(hex(encode(B2C_MESSAGE_AUTH, &rec)), "00 00 00 01 01 04");
}

TEST(FrameEncoder, QuoteMessageWithEmptyPayloadIsFourteenBytes)
{
    _B2CQuoteMsg q{1, 0x1234, 5, 0x27, 1, 0xBEEF, nullptr};
    EXPECT_EQ(hex(encode(B2C_MESSAGE_QUOTE, &q)), "00 00 00 09 01 02 01 12 34 05 27 01 BE EF");
    StreamPtr empty = makeStream();
    q.payload = empty.get();
    EXPECT_EQ(hex(encode(B2C_MESSAGE_QUOTE, &q)), "00 00 00 09 01 02 01 12 34 05 27 01 BE EF");
}

TEST(FrameEncoder, QuoteMessagePayloadFollowsUncopied)
{
    StreamPtr body = makeStream();
    b2c_stream_append_bytes(body.get(), "\x00\x01\x36\x30\x30", 5);
    b2c_stream_consume(body.get(), 1);  // only the readable bytes go out
    _B2CQuoteMsg q{1, 0, 5, 0x03, 1, 7, body.get()};
    _B2CMessage msg{nullptr, B2C_MESSAGE_QUOTE, &q};
    b2c::FrameProducer p = b2c::MsgEncoder::make(msg);
    ASSERT_TRUE(p);
    b2c::ByteRange r[2];
    ASSERT_EQ(p->ranges(r), 2u);
    EXPECT_EQ(r[1].data, b2c_stream_read_pos(body.get())) << "the payload must not be copied";
    EXPECT_EQ(hex(frameBytes(*p)), "00 00 00 0D 01 02 01 00 00 05 03 01 00 07 01 36 30 30");
    // The encoder keeps the payload alive after the caller's handle is gone.
    body.reset();
    EXPECT_EQ(hex(frameBytes(*p)), "00 00 00 0D 01 02 01 00 00 05 03 01 00 07 01 36 30 30");
}

TEST(FrameEncoder, RawStreamOfHundredBytesIsHundredFiveBytes)
{
    StreamPtr raw = makeStream();
    Bytes body(100);
    for (int i = 0; i < 100; ++i)
        body[i] = static_cast<uint8_t>(i);
    b2c_stream_append_bytes(raw.get(), body.data(), 100);
    const Bytes f = encode(B2C_MESSAGE_RAW, raw.get());
    ASSERT_EQ(f.size(), 105u);
    EXPECT_EQ(hex(Bytes(f.begin(), f.begin() + 5)), "00 00 00 64 01");
    EXPECT_TRUE(Bytes(f.begin() + 5, f.end()) == body);
    EXPECT_EQ(b2c_stream_readable_size(raw.get()), 100u) << "sending does not consume";
    // Any message kind other than 0 and 1 is a raw stream.
    EXPECT_TRUE(encode(7, raw.get()) == f) << "kind 7 is framed like a raw stream";
}

TEST(FrameEncoder, MessageWithoutDataIsRefused)
{
    _B2CMessage msg{nullptr, B2C_MESSAGE_QUOTE, nullptr};
    EXPECT_FALSE(b2c::MsgEncoder::make(msg));
    msg.kind = B2C_MESSAGE_RAW;
    EXPECT_FALSE(b2c::MsgEncoder::make(msg));
}

TEST(FrameEncoder, EmptyRawStreamIsRefused)
{
    // Its frame would be 00 00 00 00 01, an empty data frame, on which the
    // receiving side closes the connection.
    StreamPtr raw = makeStream();
    _B2CMessage msg{nullptr, B2C_MESSAGE_RAW, raw.get()};
    EXPECT_FALSE(b2c::MsgEncoder::make(msg));
    b2c_stream_append_bytes(raw.get(), "x", 1);
    b2c_stream_consume(raw.get(), 1);
    EXPECT_FALSE(b2c::MsgEncoder::make(msg)) << "a drained stream is empty too";
    b2c_stream_append_int8(raw.get(), 0x07);
    b2c::FrameProducer p = b2c::MsgEncoder::make(msg);
    ASSERT_TRUE(p);
    EXPECT_EQ(hex(frameBytes(*p)), "00 00 00 01 01 07");
}

TEST(FrameEncoder, BodyBeyondTheFrameCapIsRefused)
{
    // 64 MiB is the longest body a receiver accepts (length field 04 00 00 00).
    const unsigned cap = 64u << 20;
    StreamPtr raw = makeStream(cap + 1);
    ASSERT_TRUE(raw);
    ASSERT_EQ(b2c_stream_prepare_write(raw.get(), cap + 1), static_cast<int>(cap + 1));
    std::memset(b2c_stream_write_pos(raw.get()), 0x5A, cap + 1);
    ASSERT_EQ(b2c_stream_commit(raw.get(), static_cast<int>(cap + 1)), static_cast<int>(cap + 1));
    _B2CMessage msg{nullptr, B2C_MESSAGE_RAW, raw.get()};
    EXPECT_FALSE(b2c::MsgEncoder::make(msg)) << "length field 04 00 00 01";
    b2c_stream_consume(raw.get(), 1);
    b2c::FrameProducer p = b2c::MsgEncoder::make(msg);
    ASSERT_TRUE(p);
    b2c::ByteRange r[2];
    ASSERT_EQ(p->ranges(r), 2u);
    EXPECT_EQ(hex(Bytes(r[0].data, r[0].data + r[0].size)), "04 00 00 00 01");
    EXPECT_EQ(r[1].size, cap);
    // A quote message: 9 header bytes plus the payload count.
    b2c_stream_consume(raw.get(), 9);  // 64 MiB - 9 readable
    _B2CQuoteMsg q{1, 0, 5, 3, 1, 1, raw.get()};
    _B2CMessage quote{nullptr, B2C_MESSAGE_QUOTE, &q};
    EXPECT_TRUE(b2c::MsgEncoder::make(quote)) << "9 + (64 MiB - 9) bytes";
    b2c_stream_append_int8(raw.get(), 0);
    EXPECT_FALSE(b2c::MsgEncoder::make(quote)) << "9 + (64 MiB - 8) bytes";
}

TEST(FrameEncoder, HeartbeatIsFiveZeroBytes)
{
    b2c::FrameProducer hb = b2c::HeartbeatEncoder::shared();
    EXPECT_EQ(hex(frameBytes(*hb)), "00 00 00 00 00");
    EXPECT_EQ(hb, b2c::HeartbeatEncoder::shared()) << "one shared heartbeat";
}

}  // namespace
