// Compressed int64 and double readers over arbitrary bytes: never read past
// the readable bytes, consume exactly the value's bytes, and every value read
// writes back to bytes that read to the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "moduobuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int scale = data[0] % 9 - 1;  // -1..7: bad indices too
    b2c::ModuoBuffer in(0);
    in.append(data + 1, size - 1);
    // Alternate int and double reads until nothing more decodes.
    for (unsigned round = 0;; ++round) {
        const uint32_t before = in.readableBytes();
        if (round % 2 == 0) {
            int64_t v = 0;
            if (!in.readCompressInt64(v, true))
                break;
            const uint32_t used = before - in.readableBytes();
            if (used == 0 || used > 10)
                abort();
            b2c::ModuoBuffer out(0);
            out.appendCompressInt64(v);
            int64_t back = 0;
            if (!out.readCompressInt64(back, true) || back != v || out.readableBytes() != 0)
                abort();
            if (out.readIndex() != 8 || out.writeIndex() != 8)
                abort();
        } else {
            double d = 0;
            if (!in.readCompressDouble(d, scale, true)) {
                if (scale < 0 || scale > 6) {
                    if (in.readableBytes() != before)
                        abort();
                    int64_t v = 0;
                    if (!in.readCompressInt64(v, true))
                        break;
                    continue;
                }
                break;
            }
            b2c::ModuoBuffer out(0);
            if (!out.appendCompressDouble(d, scale))
                abort();
        }
    }
    return 0;
}
