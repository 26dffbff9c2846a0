// gzip/zlib over arbitrary bytes: inflating never crashes, a failure appends
// nothing, and anything compressed inflates back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gzipcodec.h"
#include "moduobuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Arbitrary input as compressed data, with a small output limit so that
    // bombs are cut short quickly.
    b2c::ModuoBuffer out(4);
    out.append("ab", 2);
    const int rc = b2c::GzipCodec::decompress(data, size, out, 1u << 20);
    if (rc != 1 && out.readableBytes() != 2)
        abort();

    // Arbitrary input as plain data: compress, then inflate back.
    b2c::ModuoBuffer packed(4);
    if (b2c::GzipCodec::compress(data, size, packed) != 1)
        abort();
    b2c::ModuoBuffer plain(4);
    if (b2c::GzipCodec::decompress(packed.peek(), packed.readableBytes(), plain) != 1)
        abort();
    if (plain.readableBytes() != size || (size && std::memcmp(plain.peek(), data, size) != 0))
        abort();

    // The same stream cut short must fail.
    if (packed.readableBytes() > 1) {
        b2c::ModuoBuffer cut(4);
        if (b2c::GzipCodec::decompress(packed.peek(), packed.readableBytes() - 1, cut) == 1)
            abort();
    }
    return 0;
}
