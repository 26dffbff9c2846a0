// The gzip decoder against members written by Python's gzip/zlib
// (gzipvectors.py): stored, fixed and dynamic blocks, every header flag, and
// damaged input that must fail without touching memory outside the buffers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/core/gzipdecoder.h"
#include "gzipvectors.h"

namespace {

using Bytes = std::vector<unsigned char>;

template <size_t N>
Bytes bytes(const unsigned char (&a)[N])
{
    return Bytes(a, a + N);
}

Bytes bytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// The text gzipvectors.py packed into kDynamic and kAllFlags.
std::string dynamicText()
{
    std::string s;
    char line[160];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(line, sizeof line,
                      "{\"code\":\"%06d\",\"name\":\"\xe8\x82\xa1\xe7\xa5\xa8%d\",\"price\":%d.%02d,\"vol\":%d},\n",
                      600000 + i * 7, i, 10 + i % 13, (i * 37) % 100, i * i * 131);
        s += line;
    }
    return s;
}

// Decodes with a guard zone after the output; returns "" and sets ok=false on
// failure. The guard must survive either way.
Bytes decode(const Bytes& in, bool& ok)
{
    const int32_t size = gzip_size_check(in.data(), in.size());
    ok = false;
    if (size <= 0)
        return {};
    Bytes out(size_t(size) + 16, 0xA5);
    ok = gzip_inflate(in.data(), in.size(), out.data(), size_t(size)) == 1;
    for (size_t i = size_t(size); i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xA5) << "write past the output at " << i;
    out.resize(size_t(size));
    return out;
}

void setTrailerSize(Bytes& g, uint32_t n)
{
    const size_t t = g.size() - 4;
    for (int i = 0; i < 4; ++i)
        g[t + i] = (unsigned char)(n >> (8 * i));
}

TEST(GzipDecoder, DecodesPythonMembers)
{
    const std::string text = dynamicText();
    ASSERT_EQ(text.size(), 2508u);
    const struct {
        const char* name;
        Bytes gz;
        Bytes plain;
    } cases[] = {
        {"stored block", bytes(kStored), bytes(kStoredPlain)},
        {"fixed codes", bytes(kFixed), bytes(kFixedPlain)},
        {"dynamic codes", bytes(kDynamic), bytes(text)},
        {"FEXTRA FNAME FCOMMENT FHCRC", bytes(kAllFlags), bytes(text)},
        {"stored block after a fixed block", bytes(kFixedThenStored), bytes(kFixedThenStoredPlain)},
        {"repeat 16 across lengths, distance 1 length 258", bytes(kDynamicRepeat), Bytes(262, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gzip_size_check(c.gz.data(), c.gz.size()), int32_t(c.plain.size()));
        bool ok = false;
        const Bytes out = decode(c.gz, ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(out, c.plain);
    }
}

TEST(GzipDecoder, SizeCheckGate)
{
    const Bytes good = bytes(kStored);
    Bytes wrongMagic = good;
    wrongMagic[1] = 0x8C;
    Bytes wrongMethod = good;
    wrongMethod[2] = 7;
    Bytes zero = good;
    setTrailerSize(zero, 0);
    Bytes atCap = good;
    setTrailerSize(atCap, 64u << 20);
    Bytes overCap = good;
    setTrailerSize(overCap, (64u << 20) + 1);
    Bytes negative = good;
    setTrailerSize(negative, 0x80000001u);
    const Bytes seventeen = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0, 1};
    const Bytes eighteen = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 0, 1, 0, 0, 0};
    const struct {
        const char* name;
        Bytes in;
        int32_t want;
    } cases[] = {
        {"valid member", good, 25},
        {"not 1F 8B", wrongMagic, 0},
        {"method other than 8", wrongMethod, 0},
        {"trailer size 0", zero, 0},
        {"trailer size 64 MiB", atCap, 64 << 20},
        {"trailer size above 64 MiB", overCap, 0},
        {"trailer size above 2 GiB", negative, 0},
        {"17 bytes", seventeen, 0},
        {"18 bytes", eighteen, 1},
        {"empty", {}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gzip_size_check(c.in.data(), c.in.size()), c.want) << c.name;
    EXPECT_EQ(gzip_size_check(nullptr, 100), 0);
}

TEST(GzipDecoder, DamagedInputFailsInsideTheBuffers)
{
    const Bytes good = bytes(kDynamic);
    Bytes smaller = good;
    setTrailerSize(smaller, 2507);  // output would overflow
    Bytes larger = good;
    setTrailerSize(larger, 2509);                       // stream ends early
    Bytes truncated(good.begin(), good.begin() + 300);  // input ends mid-stream
    truncated.insert(truncated.end(), good.end() - 8, good.end());
    Bytes reserved = bytes(kStored);
    reserved[10] = 0x07;  // final block of type 3
    Bytes noNameEnd = bytes(kStored);
    noNameEnd[3] = 0x08;  // FNAME without its zero byte
    for (size_t i = 10; i + 8 < noNameEnd.size(); ++i)
        noNameEnd[i] = 'x';
    Bytes hugeExtra = bytes(kStored);
    hugeExtra[3] = 0x04;
    hugeExtra[10] = 0xFF;
    hugeExtra[11] = 0xFF;
    const struct {
        const char* name;
        Bytes in;
    } cases[] = {
        {"trailer size one short", smaller},      {"trailer size one long", larger},
        {"input cut in the middle", truncated},   {"reserved block type", reserved},
        {"file name runs to the end", noNameEnd}, {"extra field longer than the input", hugeExtra},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(gzip_size_check(c.in.data(), c.in.size()), 0);
        bool ok = true;
        decode(c.in, ok);
        EXPECT_FALSE(ok);
    }
    unsigned char out[25];
    EXPECT_EQ(gzip_inflate(kStored, sizeof kStored, out, 0), 0) << "no room";
    EXPECT_EQ(gzip_inflate(kStored, 17, out, sizeof out), 0) << "too short to be gzip";
}

}  // namespace
