// Compressed int64 and compressed double: byte forms at every length boundary,
// reading back, and malformed input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "streambytes.h"

namespace {

struct IntCase {
    int64_t value;
    const char* bytes;  // hex of the encoded form
};

// Hand-encoded: the low 7n bits of the two's-complement value, 7 bits a byte,
// most significant first, 0x80 on the last byte.
const IntCase kIntCases[] = {
    {0, "80"},
    {1, "81"},
    {-1, "FF"},
    {63, "BF"},
    {-63, "C1"},
    {64, "00 C0"},
    {-64, "7F C0"},
    {300, "02 AC"},
    {8191, "3F FF"},
    {-8191, "40 81"},
    {8192, "00 40 80"},
    {-8192, "7F 40 80"},
    {1048575, "3F 7F FF"},
    {1048576, "00 40 00 80"},
    {134217727, "3F 7F 7F FF"},
    {134217728, "00 40 00 00 80"},
    {(int64_t{1} << 34) - 1, "3F 7F 7F 7F FF"},
    {int64_t{1} << 34, "00 40 00 00 00 80"},
    {(int64_t{1} << 41) - 1, "3F 7F 7F 7F 7F FF"},
    {int64_t{1} << 41, "00 40 00 00 00 00 80"},
    {(int64_t{1} << 48) - 1, "3F 7F 7F 7F 7F 7F FF"},
    {int64_t{1} << 48, "00 40 00 00 00 00 00 80"},
    {(int64_t{1} << 55) - 1, "3F 7F 7F 7F 7F 7F 7F FF"},
    {int64_t{1} << 55, "00 40 00 00 00 00 00 00 80"},
    {(int64_t{1} << 62) - 1, "3F 7F 7F 7F 7F 7F 7F 7F FF"},
    {-((int64_t{1} << 62) - 1), "40 00 00 00 00 00 00 00 81"},
    // Beyond the nine-byte form: ten bytes carry every int64.
    {int64_t{1} << 62, "00 40 00 00 00 00 00 00 00 80"},
    {-(int64_t{1} << 62), "7F 40 00 00 00 00 00 00 00 80"},
    {std::numeric_limits<int64_t>::max(), "00 7F 7F 7F 7F 7F 7F 7F 7F FF"},
    {std::numeric_limits<int64_t>::min(), "7F 00 00 00 00 00 00 00 00 80"},
};

TEST(CompressedInt, WritesTheTableForms)
{
    for (const IntCase& c : kIntCases) {
        StreamPtr s = makeStream(2);
        ASSERT_EQ(b2c_stream_append_compress_int64(s.get(), c.value), 1);
        EXPECT_EQ(hex(readableBytes(s.get())), c.bytes) << "value " << c.value;
    }
}

// The bytes of a hex text such as "7F C0".
Bytes fromHex(const char* text)
{
    Bytes out;
    for (const char* p = text; *p != '\0';) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoul(std::string(p, 2), nullptr, 16)));
        p += 2;
    }
    return out;
}

TEST(CompressedInt, ReadsTheTableFormsAndConsumesExactly)
{
    for (const IntCase& c : kIntCases) {
        StreamPtr s = makeStream(2);
        const Bytes form = fromHex(c.bytes);  // the hand-encoded bytes, not the writer's
        b2c_stream_append_bytes(s.get(), form.data(), static_cast<unsigned>(form.size()));
        const unsigned encoded = b2c_stream_readable_size(s.get());
        b2c_stream_append_int8(s.get(), 0x55);  // a following byte must stay
        int64_t peeked = 0, v = 0;
        ASSERT_EQ(b2c_stream_read_compress_int64(s.get(), &peeked, 0), 1) << c.bytes;
        EXPECT_EQ(peeked, c.value) << c.bytes;
        EXPECT_EQ(b2c_stream_readable_size(s.get()), encoded + 1) << "peek consumed " << c.bytes;
        ASSERT_EQ(b2c_stream_read_compress_int64(s.get(), &v, 1), 1) << c.bytes;
        EXPECT_EQ(v, c.value) << c.bytes;
        EXPECT_EQ(hex(readableBytes(s.get())), "55") << "after " << c.bytes;
    }
}

TEST(CompressedInt, ReaderAcceptsLongerFormsUpToTheStopByte)
{
    StreamPtr s = makeStream();
    const uint8_t raw[] = {0x00, 0x00, 0x81, 0x7F, 0x7F, 0xFF};  // 1, then -1 in three bytes
    b2c_stream_append_bytes(s.get(), raw, sizeof raw);
    int64_t v = 0;
    ASSERT_EQ(b2c_stream_read_compress_int64(s.get(), &v, 1), 1);
    EXPECT_EQ(v, 1);
    ASSERT_EQ(b2c_stream_read_compress_int64(s.get(), &v, 1), 1);
    EXPECT_EQ(v, -1);
}

TEST(CompressedInt, NothingReadableGivesZero)
{
    StreamPtr s = makeStream();
    int64_t v = 5;
    EXPECT_EQ(b2c_stream_read_compress_int64(s.get(), &v, 1), 0);
    EXPECT_EQ(v, 5);
}

TEST(CompressedInt, MissingStopByteConsumesNothing)
{
    StreamPtr s = makeStream();
    const uint8_t raw[] = {0x02, 0x2C};  // the start of a longer value, no stop bit yet
    b2c_stream_append_bytes(s.get(), raw, sizeof raw);
    int64_t v = 5;
    EXPECT_EQ(b2c_stream_read_compress_int64(s.get(), &v, 1), 0);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 2u);
    double d = 5;
    EXPECT_EQ(b2c_stream_read_compress_double(s.get(), &d, 2, 1), 0);
    EXPECT_EQ(d, 5);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 2u);
    // The rest of the value arrives: now it reads.
    b2c_stream_append_int8(s.get(), static_cast<int8_t>(0x80));
    ASSERT_EQ(b2c_stream_read_compress_int64(s.get(), &v, 1), 1);
    EXPECT_EQ(v, (2 << 14) | (0x2C << 7));
}

TEST(CompressedInt, MoreThanTenBytesWithoutStopIsRefused)
{
    StreamPtr s = makeStream();
    for (int i = 0; i < 10; ++i)
        b2c_stream_append_int8(s.get(), 0x01);
    b2c_stream_append_int8(s.get(), static_cast<int8_t>(0x81));  // stop byte as the 11th
    int64_t v = 5;
    EXPECT_EQ(b2c_stream_read_compress_int64(s.get(), &v, 1), 0);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(b2c_stream_readable_size(s.get()), 11u);
}

struct DoubleCase {
    double x;
    int scale;
    const char* bytes;  // the compressed int64 stored
    double readBack;
};

// Stored integer: x * 10^scale rounded half away from zero.
const DoubleCase kDoubleCases[] = {
    {12.345, 2, "09 D3", 12.35},    // 1235 = 9 * 128 + 0x53
    {-12.345, 2, "76 AD", -12.35},  // -1235
    {-1.234, 2, "7F 85", -1.23},    // -123, not -122
    {1.234, 2, "00 FB", 1.23},      // 123
    {0.5, 0, "81", 1},
    {-0.5, 0, "FF", -1},
    {2.5, 0, "83", 3},
    {-2.5, 0, "FD", -3},
    {0.4, 0, "80", 0},
    {-0.4, 0, "80", 0},
    {10.52, 4, "06 35 F0", 10.52},  // 105200 = 6 * 16384 + 0x35 * 128 + 0x70
    {3.0, 6, "01 37 0D C0", 3.0},   // 3000000 = 2^21 + 0x37 * 16384 + 13 * 128 + 64
    {7.0, 0, "87", 7.0},
};

TEST(CompressedDouble, StoresTheRoundedScaledInteger)
{
    for (const DoubleCase& c : kDoubleCases) {
        StreamPtr s = makeStream(2);
        ASSERT_EQ(b2c_stream_append_compress_double(s.get(), c.x, c.scale), 1);
        EXPECT_EQ(hex(readableBytes(s.get())), c.bytes) << c.x << " at scale " << c.scale;
        double back = 0;
        ASSERT_EQ(b2c_stream_read_compress_double(s.get(), &back, c.scale, 1), 1);
        EXPECT_DOUBLE_EQ(back, c.readBack) << c.x << " at scale " << c.scale;
    }
}

TEST(CompressedDouble, ScaleOutsideZeroToSixIsRefused)
{
    for (int scale : {-1, 7, 100, std::numeric_limits<int>::min()}) {
        StreamPtr s = makeStream();
        EXPECT_EQ(b2c_stream_append_compress_double(s.get(), 1.5, scale), 0) << scale;
        EXPECT_EQ(b2c_stream_readable_size(s.get()), 0u) << scale;
        b2c_stream_append_int8(s.get(), static_cast<int8_t>(0x81));
        double d = 9;
        EXPECT_EQ(b2c_stream_read_compress_double(s.get(), &d, scale, 1), 0) << scale;
        EXPECT_EQ(d, 9) << scale;
        EXPECT_EQ(b2c_stream_readable_size(s.get()), 1u) << scale;
    }
}

TEST(CompressedDouble, NanAndOutOfRangeValuesAreClamped)
{
    struct {
        double x;
        const char* bytes;
    } cases[] = {
        {std::nan(""), "80"},
        {INFINITY, "00 7F 7F 7F 7F 7F 7F 7F 7F FF"},
        {-INFINITY, "7F 00 00 00 00 00 00 00 00 80"},
        {1e30, "00 7F 7F 7F 7F 7F 7F 7F 7F FF"},
        {-1e30, "7F 00 00 00 00 00 00 00 00 80"},
    };
    for (const auto& c : cases) {
        StreamPtr s = makeStream();
        ASSERT_EQ(b2c_stream_append_compress_double(s.get(), c.x, 3), 1);
        EXPECT_EQ(hex(readableBytes(s.get())), c.bytes) << c.x;
    }
}

}  // namespace
