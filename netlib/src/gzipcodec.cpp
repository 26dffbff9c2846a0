#include "gzipcodec.h"

#include <zlib.h>

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

// Input that lies inside the output buffer is copied first: making room in
// the output moves or frees it. Returns the input to use.
const void* detachedInput(const void* data, uint64_t len, const ModuoBuffer& out, std::vector<char>& copy)
{
    if (len == 0 || !out.contains(data))
        return data;
    const char* p = static_cast<const char*>(data);
    copy.assign(p, p + len);
    return copy.data();
}

}  // namespace

int GzipCodec::decompress(const void* data, uint64_t len, ModuoBuffer& out, uint64_t maxOutput)
{
    if (len > std::numeric_limits<uInt>::max() || (data == nullptr && len != 0))
        return 0;
    std::vector<char> copy;
    data = detachedInput(data, len, out, copy);
    z_stream zs{};
    int rc = inflateInit2(&zs, kInflateWindowBits);
    if (rc != Z_OK)
        return failure(rc);

    const uint32_t oldReadable = out.readableBytes();
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    zs.avail_in = static_cast<uInt>(len);
    uint64_t produced = 0;
    uint64_t chunk = kFirstChunk;
    int result = 0;
    for (;;) {
        if (!out.ensureWritable(chunk))
            break;
        // One byte past the limit is enough to see that the limit is passed.
        uint64_t room = out.writableBytes();
        uint64_t allowed = maxOutput - produced;
        if (allowed < std::numeric_limits<uint64_t>::max())
            ++allowed;
        if (room > allowed)
            room = allowed;
        if (room > std::numeric_limits<uInt>::max())
            room = std::numeric_limits<uInt>::max();
        zs.next_out = reinterpret_cast<Bytef*>(out.beginWrite());
        zs.avail_out = static_cast<uInt>(room);
        rc = inflate(&zs, Z_FINISH);
        const uint64_t got = room - zs.avail_out;
        out.hasWritten(got);
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
    const int endRc = inflateEnd(&zs);
    if (result == 1 && endRc != Z_OK)
        result = failure(endRc);
    if (result != 1)
        out.truncate(oldReadable);
    return result;
}

int GzipCodec::compress(const void* data, uint64_t len, ModuoBuffer& out)
{
    if (len > std::numeric_limits<uInt>::max() || (data == nullptr && len != 0))
        return 0;
    std::vector<char> copy;
    data = detachedInput(data, len, out, copy);
    z_stream zs{};
    int rc = deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kDeflateWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK)
        return failure(rc);

    const uint32_t oldReadable = out.readableBytes();
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    zs.avail_in = static_cast<uInt>(len);
    uint64_t chunk = kFirstChunk;
    int result = 0;
    for (;;) {
        if (!out.ensureWritable(chunk))
            break;
        uint64_t room = out.writableBytes();
        if (room > std::numeric_limits<uInt>::max())
            room = std::numeric_limits<uInt>::max();
        zs.next_out = reinterpret_cast<Bytef*>(out.beginWrite());
        zs.avail_out = static_cast<uInt>(room);
        rc = deflate(&zs, Z_FINISH);
        const uint64_t got = room - zs.avail_out;
        out.hasWritten(got);
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
    const int endRc = deflateEnd(&zs);
    if (result == 1 && endRc != Z_OK)
        result = failure(endRc);
    if (result != 1)
        out.truncate(oldReadable);
    return result;
}

bool GzipCodec::isGzip(const ModuoBuffer& in, uint64_t offset)
{
    if (offset + 2 > in.readableBytes())
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in.peek()) + offset;
    return p[0] == 0x1F && p[1] == 0x8B;
}

}  // namespace b2c
