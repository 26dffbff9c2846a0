// gzip and zlib: data made by other implementations (Python's zlib, the
// system's gzip program) decodes; our output decodes with the system's gzip;
// truncated, corrupt and oversized input fails and appends nothing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "b2cstream.h"
#include "gzipcodec.h"
#include "moduobuffer.h"
#include "streambytes.h"

namespace {

// 120 bytes of text, compressed by Python's zlib.compress(data, 9) (zlib
// wrapper) and gzip.compress(data, mtime=0) (gzip wrapper).
const std::string kPlain =
    "600000,1,10.52;000001,2,12.34;600000,1,10.52;000001,2,12.34;"
    "600000,1,10.52;000001,2,12.34;600000,1,10.52;000001,2,12.34;";
const Bytes kPythonZlib = {0x78, 0xda, 0x33, 0x33, 0x00, 0x01, 0x1d, 0x43, 0x1d, 0x43, 0x03, 0x3d,
                           0x53, 0x23, 0x6b, 0x30, 0xcf, 0x50, 0xc7, 0x48, 0xc7, 0xd0, 0x48, 0xcf,
                           0xd8, 0xc4, 0xda, 0x8c, 0x66, 0xb2, 0x00, 0x6b, 0xcb, 0x16, 0xf9};
const Bytes kPythonGzip = {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x33, 0x33,
                           0x00, 0x01, 0x1d, 0x43, 0x1d, 0x43, 0x03, 0x3d, 0x53, 0x23, 0x6b, 0x30,
                           0xcf, 0x50, 0xc7, 0x48, 0xc7, 0xd0, 0x48, 0xcf, 0xd8, 0xc4, 0xda, 0x8c,
                           0x66, 0xb2, 0x00, 0x25, 0x2c, 0xf6, 0xb8, 0x78, 0x00, 0x00, 0x00};
// gzip.compress(b"", mtime=0)
const Bytes kPythonGzipEmpty = {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03,
                                0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::string readableText(_B2CStream* s)
{
    return std::string(b2c_stream_read_pos(s), b2c_stream_readable_size(s));
}

// A scratch file removed at scope exit.
struct TempFile {
    std::string path;
    TempFile()
    {
        char name[] = "/tmp/b2c_gzip_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        path = name;
    }
    ~TempFile() { std::remove(path.c_str()); }
    void write(const std::string& data) const { std::ofstream(path, std::ios::binary) << data; }
    std::string read() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

// Runs a shell command and returns its standard output.
std::string runCommand(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr)
        return out;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, p)) > 0)
        out.append(chunk, n);
    pclose(p);
    return out;
}

// Varied text that compresses to well below its size.
std::string sampleText(size_t size)
{
    std::string s;
    for (unsigned i = 0; s.size() < size; ++i)
        s += std::to_string(i * 7919u % 100000u) + ",quote;";
    s.resize(size);
    return s;
}

TEST(Gzip, DecodesPythonZlibAndGzipOutput)
{
    for (const Bytes* in : {&kPythonZlib, &kPythonGzip}) {
        StreamPtr out = makeStream(4);
        ASSERT_EQ(b2c_stream_gzip_view_decompress(in->data(), in->size(), out.get()), 1);
        EXPECT_EQ(readableText(out.get()), kPlain);
    }
    StreamPtr out = makeStream(4);
    EXPECT_EQ(b2c_stream_gzip_view_decompress(kPythonGzipEmpty.data(), kPythonGzipEmpty.size(), out.get()), 1);
    EXPECT_EQ(b2c_stream_readable_size(out.get()), 0u);
}

TEST(Gzip, StreamFormUsesTheReadableBytesWithoutConsuming)
{
    StreamPtr in = makeStream();
    b2c_stream_append_int8(in.get(), 2);  // a body kind byte in front, as received
    b2c_stream_append_bytes(in.get(), kPythonGzip.data(), kPythonGzip.size());
    EXPECT_TRUE(b2c_stream_is_gzip(in.get(), 1));
    EXPECT_FALSE(b2c_stream_is_gzip(in.get(), 0));
    b2c_stream_consume(in.get(), 1);
    StreamPtr out = makeStream();
    b2c_stream_append_bytes(out.get(), "head:", 5);
    ASSERT_EQ(b2c_stream_gzip_decompress(in.get(), out.get()), 1);
    EXPECT_EQ(readableText(out.get()), "head:" + kPlain) << "the result is appended";
    EXPECT_EQ(b2c_stream_readable_size(in.get()), kPythonGzip.size());
}

TEST(Gzip, IsGzipNeedsOffsetPlusTwoBytes)
{
    StreamPtr s = makeStream();
    b2c_stream_append_bytes(s.get(), "\x1f\x8b", 2);
    EXPECT_TRUE(b2c_stream_is_gzip(s.get(), 0));
    EXPECT_FALSE(b2c_stream_is_gzip(s.get(), 1));
    EXPECT_FALSE(b2c_stream_is_gzip(s.get(), 0xFFFFFFFFu));
    EXPECT_FALSE(b2c_stream_is_gzip(nullptr, 0));
}

TEST(Gzip, DecodesTheSystemGzipOutput)
{
    const std::string plain = sampleText(300000);  // several output chunks of up to 64 KiB
    TempFile file;
    file.write(plain);
    const std::string packed = runCommand("gzip -c -9 < " + file.path);
    ASSERT_GT(packed.size(), 20u) << "the system gzip produced nothing";
    StreamPtr out = makeStream(4);
    ASSERT_EQ(b2c_stream_gzip_view_decompress(packed.data(), packed.size(), out.get()), 1);
    EXPECT_EQ(b2c_stream_readable_size(out.get()), plain.size());
    EXPECT_TRUE(readableText(out.get()) == plain) << "decompressed text differs";
}

TEST(Gzip, OutputDecodesWithTheSystemGzip)
{
    for (size_t size : {size_t{0}, size_t{1}, size_t{120}, size_t{200000}}) {
        const std::string plain = sampleText(size);
        StreamPtr in = makeStream();
        b2c_stream_append_bytes(in.get(), plain.data(), plain.size());
        StreamPtr out = makeStream(4);
        ASSERT_EQ(b2c_stream_gzip_compress(in.get(), out.get()), 1) << size;
        const Bytes packed = readableBytes(out.get());
        ASSERT_GE(packed.size(), 18u);
        EXPECT_EQ(packed[0], 0x1f);
        EXPECT_EQ(packed[1], 0x8b);
        EXPECT_EQ(packed[2], 0x08) << "method deflate";
        TempFile file;
        file.write(std::string(packed.begin(), packed.end()));
        EXPECT_TRUE(runCommand("gzip -dc < " + file.path) == plain) << "gzip -d disagrees for size " << size;
    }
}

TEST(Gzip, ViewCompressRoundTrips)
{
    const std::string plain = sampleText(5000);
    StreamPtr packed = makeStream();
    ASSERT_EQ(b2c_stream_gzip_view_compress(plain.data(), plain.size(), packed.get()), 1);
    EXPECT_LT(b2c_stream_readable_size(packed.get()), plain.size());
    StreamPtr out = makeStream();
    ASSERT_EQ(b2c_stream_gzip_decompress(packed.get(), out.get()), 1);
    EXPECT_TRUE(readableText(out.get()) == plain);
}

TEST(Gzip, TruncatedInputFailsAndAppendsNothing)
{
    for (size_t cut : {size_t{1}, size_t{8}, size_t{20}, kPythonGzip.size() - 1}) {
        StreamPtr out = makeStream();
        b2c_stream_append_bytes(out.get(), "keep", 4);
        const int rc = b2c_stream_gzip_view_decompress(kPythonGzip.data(), kPythonGzip.size() - cut, out.get());
        EXPECT_NE(rc, 1) << "cut " << cut;
        EXPECT_EQ(readableText(out.get()), "keep") << "cut " << cut;
    }
    StreamPtr out = makeStream();
    EXPECT_NE(b2c_stream_gzip_view_decompress(kPythonGzip.data(), 0, out.get()), 1) << "empty input";
}

TEST(Gzip, CorruptInputFails)
{
    Bytes bad = kPythonZlib;
    bad[10] ^= 0xFF;
    bad[11] ^= 0x55;
    StreamPtr out = makeStream();
    EXPECT_NE(b2c_stream_gzip_view_decompress(bad.data(), bad.size(), out.get()), 1);
    EXPECT_EQ(b2c_stream_readable_size(out.get()), 0u);
    const char notCompressed[] = "plain text, not compressed";
    EXPECT_NE(b2c_stream_gzip_view_decompress(notCompressed, sizeof notCompressed, out.get()), 1);
    EXPECT_EQ(b2c_stream_readable_size(out.get()), 0u);
}

TEST(Gzip, OutputBeyondTheLimitIsRefused)
{
    // 100 KB of zeros; a 64 KiB limit must refuse it and leave the output alone.
    const std::string zeros(100000, '\0');
    b2c::ModuoBuffer packed(16);
    ASSERT_EQ(b2c::GzipCodec::compress(zeros.data(), zeros.size(), packed), 1);
    b2c::ModuoBuffer out(16);
    out.append("x", 1);
    EXPECT_EQ(b2c::GzipCodec::decompress(packed.peek(), packed.readableBytes(), out, 65536), 0);
    EXPECT_EQ(out.readableBytes(), 1u);
    EXPECT_EQ(b2c::GzipCodec::decompress(packed.peek(), packed.readableBytes(), out, 100000), 1);
    EXPECT_EQ(out.readableBytes(), 100001u);
}

TEST(Gzip, DecompressionBombIsRefused)
{
    // The system gzip packs 257 MiB of zeros into about 256 KB; the exported
    // functions refuse more than 256 MiB of output.
    const std::string packed = runCommand("head -c 269484032 /dev/zero | gzip -c -1");
    ASSERT_GT(packed.size(), 1000u) << "the system gzip produced nothing";
    StreamPtr out = makeStream();
    EXPECT_NE(b2c_stream_gzip_view_decompress(packed.data(), packed.size(), out.get()), 1);
    EXPECT_EQ(b2c_stream_readable_size(out.get()), 0u);
}

TEST(Gzip, SameStreamInAndOut)
{
    StreamPtr s = makeStream();
    b2c_stream_append_bytes(s.get(), kPythonZlib.data(), kPythonZlib.size());
    ASSERT_EQ(b2c_stream_gzip_decompress(s.get(), s.get()), 1);
    b2c_stream_consume(s.get(), kPythonZlib.size());
    EXPECT_EQ(readableText(s.get()), kPlain);
}

TEST(Gzip, ViewFormsAcceptBytesOfTheOutputStreamItself)
{
    // The input lies inside the stream that must grow to take the output.
    StreamPtr s = makeStream(0);
    b2c_stream_append_bytes(s.get(), kPythonGzip.data(), kPythonGzip.size());
    ASSERT_EQ(b2c_stream_gzip_view_decompress(b2c_stream_read_pos(s.get()), b2c_stream_readable_size(s.get()), s.get()),
              1);
    b2c_stream_consume(s.get(), kPythonGzip.size());
    EXPECT_EQ(readableText(s.get()), kPlain);

    StreamPtr t = makeStream(0);
    const std::string plain = sampleText(3000);
    b2c_stream_append_bytes(t.get(), plain.data(), plain.size());
    ASSERT_EQ(b2c_stream_gzip_view_compress(b2c_stream_read_pos(t.get()), b2c_stream_readable_size(t.get()), t.get()),
              1);
    b2c_stream_consume(t.get(), plain.size());
    StreamPtr back = makeStream();
    ASSERT_EQ(b2c_stream_gzip_decompress(t.get(), back.get()), 1);
    EXPECT_TRUE(readableText(back.get()) == plain);
}

TEST(Gzip, OutputChunksDoubleFrom1024UpTo65536)
{
    // Into an empty stream (capacity 8, nothing writable) every chunk grows the
    // storage by exactly its size: 1024, 2048, ..., 65536, then 65536 again.
    struct {
        size_t size;
        uint64_t capacity;
    } cases[] = {
        {1000, 8 + 1024},
        {5000, 8 + 1024 + 2048 + 4096},
        {300000, 8 + 1024 + 2048 + 4096 + 8192 + 16384 + 32768 + 65536 + 3 * 65536},
    };
    for (const auto& c : cases) {
        const std::string plain = sampleText(c.size);
        TempFile file;
        file.write(plain);
        const std::string packed = runCommand("gzip -c < " + file.path);
        ASSERT_GT(packed.size(), 20u) << "the system gzip produced nothing";
        StreamPtr out = makeStream(0);
        ASSERT_EQ(b2c_stream_gzip_view_decompress(packed.data(), packed.size(), out.get()), 1) << c.size;
        EXPECT_EQ(out->buffer->capacity(), c.capacity) << "chunk sizes for " << c.size << " bytes";
        EXPECT_TRUE(readableText(out.get()) == plain) << c.size;
    }
}

TEST(Gzip, CompressMatchesPythonWithTheSameParameters)
{
    // Python: c = zlib.compressobj(-1, zlib.DEFLATED, 31, 8, 0);
    // c.compress(data) + c.flush(). Header: no mtime, XFL 0 (default level), OS 3.
    const Bytes expected = {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x33, 0x33,
                            0x00, 0x01, 0x1d, 0x43, 0x1d, 0x43, 0x03, 0x3d, 0x53, 0x23, 0x6b, 0x30,
                            0xcf, 0x50, 0xc7, 0x48, 0xc7, 0xd0, 0x48, 0xcf, 0xd8, 0xc4, 0xda, 0x8c,
                            0x66, 0xb2, 0x00, 0x25, 0x2c, 0xf6, 0xb8, 0x78, 0x00, 0x00, 0x00};
    StreamPtr out = makeStream(0);
    ASSERT_EQ(b2c_stream_gzip_view_compress(kPlain.data(), kPlain.size(), out.get()), 1);
    EXPECT_EQ(hex(readableBytes(out.get())), hex(expected));
    const Bytes empty = {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03,
                         0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    StreamPtr none = makeStream(0);
    ASSERT_EQ(b2c_stream_gzip_view_compress("", 0, none.get()), 1);
    EXPECT_EQ(hex(readableBytes(none.get())), hex(empty));
}

}  // namespace
