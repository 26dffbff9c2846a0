// The gzip decoder over arbitrary bytes: the size check gates, the inflate
// never writes outside its buffer, and what zlib packs decodes back to itself.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/core/gzipdecoder.h"

namespace {

std::vector<unsigned char> gzipOf(const uint8_t* data, size_t size)
{
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        abort();
    std::vector<unsigned char> out(deflateBound(&zs, uLong(size)) + 32);
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = uInt(size);
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END)
        abort();
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Arbitrary input as a gzip body; the output is sized exactly so that the
    // sanitizer sees any write past it. Small sizes only, to keep runs quick.
    const int32_t n = gzip_size_check(data, size);
    if (n < 0 || n > GZIP_MAX_SIZE)
        abort();
    if (n > 0 && n <= (1 << 20)) {
        std::vector<unsigned char> out(static_cast<size_t>(n));
        gzip_inflate(data, size, out.data(), out.size());
    }

    // Arbitrary input as plain text: packed by zlib, it decodes back.
    if (size > 0) {
        const std::vector<unsigned char> packed = gzipOf(data, size);
        if (gzip_size_check(packed.data(), packed.size()) != int32_t(size))
            abort();
        std::vector<unsigned char> plain(size);
        if (gzip_inflate(packed.data(), packed.size(), plain.data(), plain.size()) != 1)
            abort();
        if (std::memcmp(plain.data(), data, size) != 0)
            abort();
    }
    return 0;
}
