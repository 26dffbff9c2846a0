/* Unpacks a gzip member (RFC 1952) held whole in memory, for HTTP bodies that
 * a server compressed on its own. Two steps: the size check reads the header
 * magic and the trailer's uncompressed size, the caller allocates exactly that
 * many bytes, and the inflate fills them. Checksums are not verified. */
#ifndef TARVOLIN_GZIPDECODER_H
#define TARVOLIN_GZIPDECODER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Largest uncompressed size the size check accepts (64 MiB). */
#define GZIP_MAX_SIZE (64 * 1024 * 1024)

/* The uncompressed size from the trailer (the last four bytes, little-endian)
 * when `data` starts 1F 8B 08, holds at least 18 bytes and that size is at
 * most GZIP_MAX_SIZE; otherwise 0. A result of 0 means "not gzip data". */
int32_t gzip_size_check(const unsigned char* data, size_t len);

/* Inflates the member in `data` into `out`, which holds `out_len` bytes (the
 * size check's result). Reads only `data[0, len)` and writes only
 * `out[0, out_len)`. Returns 1 when the deflate stream ended and produced
 * exactly `out_len` bytes; 0 on any damage, truncation or length mismatch,
 * in which case the caller should use the raw bytes instead. */
int gzip_inflate(const unsigned char* data, size_t len, unsigned char* out, size_t out_len);

#ifdef __cplusplus
}
#endif

#endif
