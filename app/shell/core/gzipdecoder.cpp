// gzip member -> bytes, over zlib's raw inflate. The header is walked here
// (flags FEXTRA, FNAME, FCOMMENT, FHCRC) so that the trailer's CRC is never
// consulted, as the callers expect; every length read from the header is
// checked against the input before it is used.
#include "shell/core/gzipdecoder.h"

#include <zlib.h>

#include <climits>

namespace {

constexpr size_t kHeaderLen = 10;
constexpr size_t kTrailerLen = 8;
constexpr unsigned char kFhcrc = 0x02;
constexpr unsigned char kFextra = 0x04;
constexpr unsigned char kFname = 0x08;
constexpr unsigned char kFcomment = 0x10;

// Position after a zero-terminated field starting at `pos`; `end` when the
// terminator is missing.
size_t skipZeroTerminated(const unsigned char* data, size_t pos, size_t end)
{
    while (pos < end && data[pos] != 0)
        ++pos;
    return pos < end ? pos + 1 : end + 1;
}

// Offset of the deflate data, or 0 when the header runs past `end`.
size_t deflateStart(const unsigned char* data, size_t end)
{
    const unsigned char flags = data[3];
    size_t pos = kHeaderLen;
    if (flags & kFextra) {
        if (pos + 2 > end)
            return 0;
        const size_t xlen = size_t(data[pos]) | (size_t(data[pos + 1]) << 8);
        pos += 2 + xlen;
    }
    if ((flags & kFname) && pos <= end)
        pos = skipZeroTerminated(data, pos, end);
    if ((flags & kFcomment) && pos <= end)
        pos = skipZeroTerminated(data, pos, end);
    if (flags & kFhcrc)
        pos += 2;
    return pos <= end ? pos : 0;
}

}  // namespace

extern "C" int32_t gzip_size_check(const unsigned char* data, size_t len)
{
    if (!data || len < kHeaderLen + kTrailerLen)
        return 0;
    if (data[0] != 0x1F || data[1] != 0x8B || data[2] != 8)
        return 0;
    const unsigned char* t = data + len - 4;
    const uint32_t size = uint32_t(t[0]) | (uint32_t(t[1]) << 8) | (uint32_t(t[2]) << 16) | (uint32_t(t[3]) << 24);
    return size <= GZIP_MAX_SIZE ? int32_t(size) : 0;
}

extern "C" int gzip_inflate(const unsigned char* data, size_t len, unsigned char* out, size_t out_len)
{
    if (!data || !out || out_len == 0 || out_len > GZIP_MAX_SIZE || gzip_size_check(data, len) <= 0)
        return 0;
    // The deflate data lies between the header and the 8-byte trailer.
    const size_t end = len - kTrailerLen;
    const size_t start = deflateStart(data, end);
    if (start == 0 || start > UINT_MAX)
        return 0;

    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return 0;
    zs.next_in = const_cast<Bytef*>(data + start);
    zs.avail_in = uInt(end - start);
    zs.next_out = out;
    zs.avail_out = uInt(out_len);
    const int rc = inflate(&zs, Z_FINISH);
    const uLong produced = zs.total_out;
    inflateEnd(&zs);
    return rc == Z_STREAM_END && produced == out_len ? 1 : 0;
}
