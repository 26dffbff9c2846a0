// gzip/zlib compression of byte ranges into a ModuoBuffer (the range may lie
// inside that buffer).
//
// inflate detects the zlib or gzip wrapper (window bits 15 + 32); deflate
// writes gzip (level -1, method 8, window bits 31, memory level 8, strategy 0).
// Output is appended in chunks starting at 1024 bytes and doubling up to 64 KiB.
#pragma once

#include <cstdint>

namespace b2c {

class ModuoBuffer;

class GzipCodec {
public:
    // Largest output of one decompression: a bigger result is refused.
    static constexpr uint64_t kMaxInflated = uint64_t{256} << 20;

    // Results: 1 on success; on failure 0 or the negative zlib code, and
    // nothing is appended to `out` (its readable bytes are left as they were).
    // Decompression fails on corrupt input, on input that ends before the end
    // of the compressed stream, and when the output would pass `maxOutput`.
    static int decompress(const void* data, uint64_t len, ModuoBuffer& out, uint64_t maxOutput = kMaxInflated);
    static int compress(const void* data, uint64_t len, ModuoBuffer& out);

    // True when at least offset + 2 bytes are readable and those at
    // offset are the gzip magic 1F 8B.
    static bool isGzip(const ModuoBuffer& in, uint64_t offset);
};

}  // namespace b2c
