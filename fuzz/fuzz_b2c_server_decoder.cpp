// The server side's decoder path: the login answer decoder, then the normal
// decoder, over arbitrary bytes fed in arbitrary chunk sizes. Nothing is read
// outside the input, and the same messages come out whatever the chunking.
#include <cstdlib>

#include "decodeloop.h"
#include "serverauthdecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    if (!decodesAlikeInAnyChunking(data, size, &b2c::ServerAuthDecoder::instance()))
        abort();
    return 0;
}
