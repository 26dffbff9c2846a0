// Streams: fixed-width byte forms, consuming and room-making, raw bytes,
// direct access and shared handles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "b2cstream.h"
#include "moduobuffer.h"
#include "streambytes.h"

namespace {

// Indices of the buffer behind a handle.
uint32_t readIndex(_B2CStream* s)
{
    return s->buffer->readIndex();
}
uint32_t writeIndex(_B2CStream* s)
{
    return s->buffer->writeIndex();
}

TEST(StreamBuffer, NewStreamHasPrependAndRequestedCapacity)
{
    StreamPtr s = makeStream(1024);
    ASSERT_TRUE(s);
    EXPECT_EQ(readIndex(s.get()), 8u);
    EXPECT_EQ(writeIndex(s.get()), 8u);
    EXPECT_EQ(s->buffer->capacity(), 1032u);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 0u);
    EXPECT_EQ(b2c_stream_writeable_size(s.get()), 1024u);
}

TEST(StreamBuffer, FixedWidthWritersAreBigEndian)
{
    StreamPtr s = makeStream(4);
    b2c_stream_append_int8(s.get(), -2);
    b2c_stream_append_int16(s.get(), 0x1234);
    b2c_stream_append_int32(s.get(), -2);
    b2c_stream_append_int64(s.get(), 0x0102030405060708LL);
    b2c_stream_append_float(s.get(), 1.0f);
    b2c_stream_append_double(s.get(), -2.5);
    const Bytes expected = {0xFE,                                             // int8 -2
                            0x12, 0x34,                                       // int16
                            0xFF, 0xFF, 0xFF, 0xFE,                           // int32 -2
                            0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,   // int64, high word first
                            0x3F, 0x80, 0x00, 0x00,                           // float 1.0
                            0xC0, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};  // double -2.5
    EXPECT_EQ(hex(readableBytes(s.get())), hex(expected));
}

TEST(StreamBuffer, FixedWidthReadersDecodeBigEndian)
{
    StreamPtr s = makeStream();
    const uint8_t raw[] = {0x80, 0xFF, 0xFE, 0x80, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0xFD, 0xC0, 0x49, 0x0F, 0xDB, 0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18};
    ASSERT_EQ(b2c_stream_append_bytes(s.get(), raw, sizeof raw), 1);
    int8_t i8 = 0;
    int16_t i16 = 0;
    int32_t i32 = 0;
    int64_t i64 = 0;
    float f = 0;
    double d = 0;
    ASSERT_EQ(b2c_stream_read_int8(s.get(), &i8, 1), 1);
    ASSERT_EQ(b2c_stream_read_int16(s.get(), &i16, 1), 1);
    ASSERT_EQ(b2c_stream_read_int32(s.get(), &i32, 1), 1);
    ASSERT_EQ(b2c_stream_read_int64(s.get(), &i64, 1), 1);
    ASSERT_EQ(b2c_stream_read_float(s.get(), &f, 1), 1);
    ASSERT_EQ(b2c_stream_read_double(s.get(), &d, 1), 1);
    EXPECT_EQ(i8, -128);
    EXPECT_EQ(i16, -2);
    EXPECT_EQ(i32, -2147483647);
    EXPECT_EQ(i64, -3);
    EXPECT_EQ(f, -3.14159274f);
    EXPECT_EQ(d, 3.141592653589793);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 0u);
}

TEST(StreamBuffer, ReadingTheLastByteResetsBothIndices)
{
    StreamPtr s = makeStream();
    b2c_stream_append_int32(s.get(), 7);
    b2c_stream_append_int32(s.get(), 9);
    int32_t v = 0;
    ASSERT_EQ(b2c_stream_read_int32(s.get(), &v, 1), 1);
    EXPECT_EQ(readIndex(s.get()), 12u);
    ASSERT_EQ(b2c_stream_read_int32(s.get(), &v, 1), 1);
    EXPECT_EQ(v, 9);
    EXPECT_EQ(readIndex(s.get()), 8u);
    EXPECT_EQ(writeIndex(s.get()), 8u);
}

TEST(StreamBuffer, PeekLeavesTheReadIndex)
{
    StreamPtr s = makeStream();
    b2c_stream_append_int16(s.get(), 0x0102);
    int16_t v = 0;
    ASSERT_EQ(b2c_stream_read_int16(s.get(), &v, 0), 1);
    EXPECT_EQ(v, 0x0102);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 2u);
    EXPECT_EQ(readIndex(s.get()), 8u);
}

TEST(StreamBuffer, ShortReadsStoreAndConsumeNothing)
{
    StreamPtr s = makeStream();
    b2c_stream_append_int16(s.get(), 0x0102);
    b2c_stream_append_int8(s.get(), 3);
    int32_t i32 = 55;
    int64_t i64 = 55;
    double d = 55;
    char out[4] = {9, 9, 9, 9};
    EXPECT_EQ(b2c_stream_read_int32(s.get(), &i32, 1), 0);
    EXPECT_EQ(b2c_stream_read_int64(s.get(), &i64, 1), 0);
    EXPECT_EQ(b2c_stream_read_double(s.get(), &d, 1), 0);
    EXPECT_EQ(b2c_stream_read_bytes(s.get(), out, 4, 1), 0);
    EXPECT_EQ(i32, 55);
    EXPECT_EQ(i64, 55);
    EXPECT_EQ(d, 55);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 3u);
}

TEST(StreamBuffer, NullArgumentsAreRefused)
{
    StreamPtr s = makeStream();
    b2c_stream_append_int32(s.get(), 1);
    EXPECT_EQ(b2c_stream_read_int32(s.get(), nullptr, 1), 0);
    EXPECT_EQ(b2c_stream_read_int32(nullptr, nullptr, 1), 0);
    EXPECT_EQ(b2c_stream_append_int32(nullptr, 1), 0);
    EXPECT_EQ(b2c_stream_append_bytes(s.get(), nullptr, 3), 0);
    EXPECT_EQ(b2c_stream_readable_size(nullptr), 0u);
    EXPECT_EQ(b2c_stream_read_pos(nullptr), nullptr);
    EXPECT_EQ(b2c_stream_ref(nullptr), nullptr);
    b2c_stream_release(nullptr);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 4u);
}

TEST(StreamBuffer, ReadBytesOfTheWholeContentEmptiesAndResets)
{
    StreamPtr s = makeStream();
    const char text[] = "600000";
    b2c_stream_append_bytes(s.get(), text, 6);
    char out[6] = {};
    ASSERT_EQ(b2c_stream_read_bytes(s.get(), out, 6, 1), 1);
    EXPECT_EQ(std::memcmp(out, text, 6), 0);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 0u);
    EXPECT_EQ(readIndex(s.get()), 8u);
    EXPECT_EQ(writeIndex(s.get()), 8u);
}

TEST(StreamBuffer, ConsumeFollowsTheRetrieveRule)
{
    StreamPtr s = makeStream();
    b2c_stream_append_bytes(s.get(), "abcdef", 6);
    b2c_stream_consume(s.get(), 2);
    EXPECT_EQ(std::string(b2c_stream_read_pos(s.get()), 4), "cdef");
    b2c_stream_consume(s.get(), 100);  // beyond the readable bytes: empties
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 0u);
    EXPECT_EQ(readIndex(s.get()), 8u);
}

TEST(StreamBuffer, RoomIsMadeBySlidingBeforeGrowing)
{
    StreamPtr s = makeStream(16);  // capacity 24
    b2c_stream_append_bytes(s.get(), "0123456789abcdef", 16);
    b2c_stream_consume(s.get(), 10);  // 6 readable at index 18, nothing writable
    // 8 more bytes: 0 writable + read index 18 >= 8 + 8, so slide.
    b2c_stream_append_bytes(s.get(), "ABCDEFGH", 8);
    EXPECT_EQ(s->buffer->capacity(), 24u) << "the buffer grew although sliding sufficed";
    EXPECT_EQ(readIndex(s.get()), 8u);
    EXPECT_EQ(std::string(b2c_stream_read_pos(s.get()), 14), "abcdefABCDEFGH");
}

TEST(StreamBuffer, RoomIsMadeByGrowingWhenSlidingCannot)
{
    StreamPtr s = makeStream(16);
    b2c_stream_append_bytes(s.get(), "0123456789abcdef", 16);
    b2c_stream_consume(s.get(), 2);  // read index 10: freed front space 2
    b2c_stream_append_bytes(s.get(), "XYZ", 3);
    // 0 writable + 10 < 3 + 8: storage resized to write index + 3.
    EXPECT_EQ(s->buffer->capacity(), 27u);
    EXPECT_EQ(readIndex(s.get()), 10u);
    EXPECT_EQ(std::string(b2c_stream_read_pos(s.get()), 17), "23456789abcdefXYZ");
}

TEST(StreamBuffer, FilledAndDrainedInTurnsNeverGrows)
{
    StreamPtr s = makeStream(16);
    for (int round = 0; round < 1000; ++round) {
        for (int i = 0; i < 4; ++i)
            b2c_stream_append_int32(s.get(), round * 4 + i);
        int32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            ASSERT_EQ(b2c_stream_read_int32(s.get(), &v, 1), 1);
            ASSERT_EQ(v, round * 4 + i);
        }
    }
    EXPECT_EQ(s->buffer->capacity(), 24u);
}

TEST(StreamBuffer, DirectAccessWritesInPlace)
{
    StreamPtr s = makeStream(4);
    b2c_stream_append_int8(s.get(), 1);
    const int writable = b2c_stream_prepare_write(s.get(), 100);
    ASSERT_GE(writable, 100);
    EXPECT_EQ(static_cast<unsigned>(writable), b2c_stream_writeable_size(s.get()));
    char* w = b2c_stream_write_pos(s.get());
    std::memcpy(w, "hello", 5);
    EXPECT_EQ(b2c_stream_commit(s.get(), 5), 5);
    EXPECT_EQ(hex(readableBytes(s.get())), "01 68 65 6C 6C 6F");
}

TEST(StreamBuffer, PrepareWriteReturnsTheWritableCountWhenItSuffices)
{
    StreamPtr s = makeStream(64);
    EXPECT_EQ(b2c_stream_prepare_write(s.get(), 10), 64);
    EXPECT_EQ(s->buffer->capacity(), 72u);
}

TEST(StreamBuffer, CommitBeyondTheWritableBytesIsRefused)
{
    StreamPtr s = makeStream(8);
    EXPECT_EQ(b2c_stream_commit(s.get(), 9), 0);
    EXPECT_EQ(b2c_stream_commit(s.get(), -1), 0);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 0u);
    EXPECT_EQ(b2c_stream_commit(s.get(), 8), 8);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 8u);
}

TEST(StreamBuffer, RefSharesTheBufferUntilTheLastRelease)
{
    _B2CStream* a = b2c_stream_create(8);
    _B2CStream* b = b2c_stream_ref(a);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(a, b);
    b2c_stream_append_int16(a, 0x0A0B);
    EXPECT_EQ(b2c_stream_readable_size(b), 2u);
    b2c_stream_release(a);
    int16_t v = 0;
    ASSERT_EQ(b2c_stream_read_int16(b, &v, 1), 1);
    EXPECT_EQ(v, 0x0A0B);
    b2c_stream_release(b);
}

TEST(StreamBuffer, AppendingItsOwnBytesWhileGrowing)
{
    StreamPtr s = makeStream(4);
    b2c_stream_append_bytes(s.get(), "abcd", 4);
    // The source lies in the buffer that must grow to take it.
    ASSERT_EQ(b2c_stream_append_bytes(s.get(), b2c_stream_read_pos(s.get()), 4), 1);
    EXPECT_EQ(std::string(b2c_stream_read_pos(s.get()), 8), "abcdabcd");
}

TEST(StreamBuffer, OversizedCreateIsRefused)
{
    EXPECT_EQ(b2c_stream_create(std::numeric_limits<unsigned>::max()), nullptr);
}

TEST(StreamBuffer, GrowthBeyondFourGiBIsRefused)
{
    b2c::ModuoBuffer b(16);
    EXPECT_FALSE(b.ensureWritable(uint64_t{1} << 32));
    EXPECT_EQ(b.capacity(), 24u);
}

TEST(StreamBuffer, QuoteHeaderIsSplitOff)
{
    StreamPtr s = makeStream();
    const uint8_t raw[] = {0x01, 0x12, 0x34, 0x05, 0x27, 0x01, 0xBE, 0xEF, 0xAA, 0xBB};
    b2c_stream_append_bytes(s.get(), raw, sizeof raw);
    _B2CQuoteMsg q{};
    ASSERT_EQ(b2c_stream_decode_quote_msg(s.get(), &q), 1);
    EXPECT_EQ(q.version, 1);
    EXPECT_EQ(q.word, 0x1234);
    EXPECT_EQ(q.kind, 5);
    EXPECT_EQ(q.command, 0x27);
    EXPECT_EQ(q.flag, 1);
    EXPECT_EQ(q.request_id, 0xBEEF);
    EXPECT_EQ(q.payload, s.get());
    EXPECT_EQ(hex(readableBytes(s.get())), "AA BB");
}

TEST(StreamBuffer, QuoteHeaderNeedsEightBytes)
{
    StreamPtr s = makeStream();
    b2c_stream_append_bytes(s.get(), "\x01\x00\x00\x05\x27\x01\x00", 7);
    _B2CQuoteMsg q{};
    q.version = 77;
    EXPECT_EQ(b2c_stream_decode_quote_msg(s.get(), &q), 0);
    EXPECT_EQ(q.version, 77);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 7u);
    b2c_stream_append_int8(s.get(), 9);
    ASSERT_EQ(b2c_stream_decode_quote_msg(s.get(), &q), 1);
    EXPECT_EQ(q.request_id, 9);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 0u) << "the payload of an 8-byte message is empty";
}

}  // namespace
