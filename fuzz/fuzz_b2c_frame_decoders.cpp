// The three client decoders over arbitrary bytes fed in arbitrary chunk
// sizes: they never read outside the input, never allocate for a refused
// frame, and deliver the same messages whatever the chunking.
#include <cstdlib>

#include "clientauthkeydecoder.h"
#include "decodeloop.h"
#include "normaldecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // Bit 0 of the first byte: start logged in (normal decoder) or at the challenge.
    const b2c::FrameDecoder* start = (data[0] & 1)
                                         ? static_cast<const b2c::FrameDecoder*>(&b2c::NormalDecoder::instance())
                                         : &b2c::ClientAuthKeyDecoder::instance();
    if (!decodesAlikeInAnyChunking(data, size, start))
        abort();
    return 0;
}
