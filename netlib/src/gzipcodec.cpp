#include "gzipcodec.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "moduobuffer.h"

namespace b2c {

namespace {

constexpr uint64_t kFirstChunk = 1024;
constexpr uint64_t kLargestChunk = 65536;

// Window bits: 15 plus 32 detects the zlib or the gzip wrapper on inflate;
// 15 plus 16 writes the gzip wrapper on deflate.
constexpr int kInflateWindowBits = 47;
constexpr int kDeflateWindowBits = 31;
constexpr int kMemLevel = 8;

// Failure result of the codec: negative zlib codes pass through, anything
// else (Z_NEED_DICT, truncation, size limits) becomes 0.
int failure(int zlibCode)
{
    return zlibCode < 0 ? zlibCode : 0;
}

// Points zlib at the input; false for input it cannot take in one go (longer
// than a uInt counts) or a null pointer with a length. Input that lies inside
// the output buffer is copied first: making room in the output moves or frees
// it.
bool setInput(z_stream& zs, const void* data, uint64_t len, const ModuoBuffer& out, std::vector<char>& copy)
{
    if (len > std::numeric_limits<uInt>::max() || (data == nullptr && len != 0))
        return false;
    if (len != 0 && out.contains(data)) {
        const char* p = static_cast<const char*>(data);
        copy.assign(p, p + len);
        data = copy.data();
    }
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    zs.avail_in = static_cast<uInt>(len);
    return true;
}

// One finishing step of inflate or deflate: makes room for `chunk` bytes,
// hands zlib the writable space (at most `limit` bytes and what a uInt
// counts) and keeps what it wrote in `got`. false when no room could be made.
bool codeStep(int (*code)(z_streamp, int), z_stream& zs, ModuoBuffer& out, uint64_t chunk, uint64_t limit, int& rc,
              uint64_t& got)
{
    if (!out.ensureWritable(chunk))
        return false;
    const uint64_t room =
        std::min({static_cast<uint64_t>(out.writableBytes()), limit, uint64_t{std::numeric_limits<uInt>::max()}});
    zs.next_out = reinterpret_cast<Bytef*>(out.beginWrite());
    zs.avail_out = static_cast<uInt>(room);
    rc = code(&zs, Z_FINISH);
    got = room - zs.avail_out;
    out.hasWritten(got);
    return true;
}

// The codec's result once the stream is ended: a failure to end fails a
// finished stream, and a failure leaves the output as it was.
int ended(int result, int endRc, ModuoBuffer& out, uint32_t oldReadable)
{
    if (result == 1 && endRc != Z_OK)
        result = failure(endRc);
    if (result != 1)
        out.truncate(oldReadable);
    return result;
}

}  // namespace

int GzipCodec::decompress(const void* data, uint64_t len, ModuoBuffer& out, uint64_t maxOutput)
{
    z_stream zs{};
    std::vector<char> copy;
    if (!setInput(zs, data, len, out, copy))
        return 0;
    int rc = inflateInit2(&zs, kInflateWindowBits);
    if (rc != Z_OK)
        return failure(rc);

    const uint32_t oldReadable = out.readableBytes();
    uint64_t produced = 0;
    uint64_t chunk = kFirstChunk;
    int result = 0;
    for (;;) {
        // One byte past the limit is enough to see that the limit is passed.
        uint64_t allowed = maxOutput - produced;
        if (allowed < std::numeric_limits<uint64_t>::max())
            ++allowed;
        uint64_t got = 0;
        if (!codeStep(inflate, zs, out, chunk, allowed, rc, got))
            break;
        produced += got;
        if (produced > maxOutput)
            break;  // a decompression bomb
        if (rc == Z_STREAM_END) {
            result = 1;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            result = failure(rc);
            break;
        }
        // Output space left over without the end of the stream: the input
        // ended early. A truncated stream is a failure, not a short success.
        if (zs.avail_out != 0)
            break;
        if (chunk < kLargestChunk)
            chunk *= 2;
    }
    return ended(result, inflateEnd(&zs), out, oldReadable);
}

int GzipCodec::compress(const void* data, uint64_t len, ModuoBuffer& out)
{
    z_stream zs{};
    std::vector<char> copy;
    if (!setInput(zs, data, len, out, copy))
        return 0;
    int rc = deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kDeflateWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK)
        return failure(rc);

    const uint32_t oldReadable = out.readableBytes();
    uint64_t chunk = kFirstChunk;
    int result = 0;
    for (;;) {
        uint64_t got = 0;
        if (!codeStep(deflate, zs, out, chunk, std::numeric_limits<uint64_t>::max(), rc, got))
            break;
        if (rc == Z_STREAM_END) {
            result = 1;
            break;
        }
        // With all input given and the finish flush, anything but "needs more
        // output space" is an error.
        if ((rc != Z_OK && rc != Z_BUF_ERROR) || zs.avail_out != 0) {
            result = failure(rc);
            break;
        }
        if (chunk < kLargestChunk)
            chunk *= 2;
    }
    return ended(result, deflateEnd(&zs), out, oldReadable);
}

bool GzipCodec::isGzip(const ModuoBuffer& in, uint64_t offset)
{
    if (offset + 2 > in.readableBytes())
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in.peek()) + offset;
    return p[0] == 0x1F && p[1] == 0x8B;
}

}  // namespace b2c
