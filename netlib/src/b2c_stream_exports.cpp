// C exports of streams, encodings, gzip, the quote header and the login
// exchange. Each checks its arguments, reaches the buffer and calls one method.
#include <cstddef>
#include <exception>
#include <memory>
#include <new>

#include "authexchange.h"
#include "b2c.h"
#include "b2cstream.h"
#include "gzipcodec.h"
#include "moduobuffer.h"

static_assert(sizeof(_B2CAuthMsg) == 60, "_B2CAuthMsg is 60 bytes");
static_assert(offsetof(_B2CAuthMsg, kind) == 0, "_B2CAuthMsg layout");
static_assert(offsetof(_B2CAuthMsg, key) == 4, "_B2CAuthMsg layout");
static_assert(offsetof(_B2CAuthMsg, id) == 36, "_B2CAuthMsg layout");
static_assert(offsetof(_B2CAuthMsg, extra) == 44, "_B2CAuthMsg layout");
static_assert(offsetof(_B2CQuoteMsg, version) == 0 && offsetof(_B2CQuoteMsg, word) == 2 &&
                  offsetof(_B2CQuoteMsg, kind) == 4 && offsetof(_B2CQuoteMsg, command) == 5 &&
                  offsetof(_B2CQuoteMsg, flag) == 6 && offsetof(_B2CQuoteMsg, request_id) == 8 &&
                  offsetof(_B2CQuoteMsg, payload) == 16 && sizeof(_B2CQuoteMsg) == 24,
              "_B2CQuoteMsg layout");
static_assert(offsetof(_B2CMessage, connection) == 0 && offsetof(_B2CMessage, kind) == sizeof(void*) &&
                  offsetof(_B2CMessage, data) == 2 * sizeof(void*) && sizeof(_B2CMessage) == 3 * sizeof(void*),
              "_B2CMessage layout");

using b2c::AuthExchange;
using b2c::GzipCodec;
using b2c::ModuoBuffer;

namespace {

ModuoBuffer* buf(_B2CStream* s)
{
    return s != nullptr ? s->buffer.get() : nullptr;
}

template <typename T>
int readValue(_B2CStream* s, T* out, int consume)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr || out == nullptr)
        return 0;
    return b->readValue(*out, consume != 0) ? 1 : 0;
}

template <typename T>
int appendValue(_B2CStream* s, T v)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr)
        return 0;
    try {
        return b->appendValue(v) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// Runs a codec over `in`'s readable bytes into `out` (the codec copies input
// that lies in the output buffer before making room there).
template <typename Codec>
int codecStreams(_B2CStream* in, _B2CStream* out, Codec codec)
{
    ModuoBuffer* src = buf(in);
    ModuoBuffer* dst = buf(out);
    if (src == nullptr || dst == nullptr)
        return 0;
    try {
        return codec(src->peek(), src->readableBytes(), *dst);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int inflateInto(const void* data, uint64_t len, ModuoBuffer& out)
{
    return GzipCodec::decompress(data, len, out);
}
int deflateInto(const void* data, uint64_t len, ModuoBuffer& out)
{
    return GzipCodec::compress(data, len, out);
}

}  // namespace

extern "C" {

B2C_API _B2CStream* b2c_stream_create(unsigned capacity)
{
    try {
        return new _B2CStream{std::make_shared<ModuoBuffer>(capacity)};
    } catch (const std::exception&) {
        return nullptr;
    }
}

B2C_API _B2CStream* b2c_stream_ref(_B2CStream* s)
{
    if (s == nullptr)
        return nullptr;
    try {
        return new _B2CStream{s->buffer};
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

B2C_API void b2c_stream_release(_B2CStream* s)
{
    delete s;
}

B2C_API int b2c_stream_read_int8(_B2CStream* s, int8_t* out, int consume)
{
    return readValue(s, out, consume);
}
B2C_API int b2c_stream_read_int16(_B2CStream* s, int16_t* out, int consume)
{
    return readValue(s, out, consume);
}
B2C_API int b2c_stream_read_int32(_B2CStream* s, int32_t* out, int consume)
{
    return readValue(s, out, consume);
}
B2C_API int b2c_stream_read_int64(_B2CStream* s, int64_t* out, int consume)
{
    return readValue(s, out, consume);
}
B2C_API int b2c_stream_read_float(_B2CStream* s, float* out, int consume)
{
    return readValue(s, out, consume);
}
B2C_API int b2c_stream_read_double(_B2CStream* s, double* out, int consume)
{
    return readValue(s, out, consume);
}
B2C_API int b2c_stream_append_int8(_B2CStream* s, int8_t v)
{
    return appendValue(s, v);
}
B2C_API int b2c_stream_append_int16(_B2CStream* s, int16_t v)
{
    return appendValue(s, v);
}
B2C_API int b2c_stream_append_int32(_B2CStream* s, int32_t v)
{
    return appendValue(s, v);
}
B2C_API int b2c_stream_append_int64(_B2CStream* s, int64_t v)
{
    return appendValue(s, v);
}
B2C_API int b2c_stream_append_float(_B2CStream* s, float v)
{
    return appendValue(s, v);
}
B2C_API int b2c_stream_append_double(_B2CStream* s, double v)
{
    return appendValue(s, v);
}

B2C_API int b2c_stream_read_compress_int64(_B2CStream* s, int64_t* out, int consume)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr || out == nullptr)
        return 0;
    return b->readCompressInt64(*out, consume != 0) ? 1 : 0;
}

B2C_API int b2c_stream_append_compress_int64(_B2CStream* s, int64_t v)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr)
        return 0;
    try {
        return b->appendCompressInt64(v) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

B2C_API int b2c_stream_read_compress_double(_B2CStream* s, double* out, int scale_index, int consume)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr || out == nullptr)
        return 0;
    return b->readCompressDouble(*out, scale_index, consume != 0) ? 1 : 0;
}

B2C_API int b2c_stream_append_compress_double(_B2CStream* s, double x, int scale_index)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr)
        return 0;
    try {
        return b->appendCompressDouble(x, scale_index) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

B2C_API int b2c_stream_read_bytes(_B2CStream* s, void* out, unsigned n, int consume)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr || (out == nullptr && n != 0))
        return 0;
    return b->read(out, n, consume != 0) ? 1 : 0;
}

B2C_API int b2c_stream_append_bytes(_B2CStream* s, const void* data, unsigned n)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr || (data == nullptr && n != 0))
        return 0;
    try {
        return b->append(data, n) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

B2C_API int b2c_stream_consume(_B2CStream* s, unsigned n)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr)
        return 0;
    b->retrieve(n);
    return 1;
}

B2C_API const char* b2c_stream_read_pos(_B2CStream* s)
{
    ModuoBuffer* b = buf(s);
    return b != nullptr ? b->peek() : nullptr;
}

B2C_API unsigned b2c_stream_readable_size(_B2CStream* s)
{
    ModuoBuffer* b = buf(s);
    return b != nullptr ? b->readableBytes() : 0;
}

B2C_API int b2c_stream_prepare_write(_B2CStream* s, unsigned n)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr)
        return 0;
    try {
        if (!b->ensureWritable(n))
            return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const uint32_t writable = b->writableBytes();
    return writable > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(writable);
}

B2C_API char* b2c_stream_write_pos(_B2CStream* s)
{
    ModuoBuffer* b = buf(s);
    return b != nullptr ? b->beginWrite() : nullptr;
}

B2C_API unsigned b2c_stream_writeable_size(_B2CStream* s)
{
    ModuoBuffer* b = buf(s);
    return b != nullptr ? b->writableBytes() : 0;
}

B2C_API int b2c_stream_commit(_B2CStream* s, int n)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr || n < 0)
        return 0;
    // Committing past the writable bytes would expose bytes outside the buffer.
    return b->hasWritten(static_cast<uint64_t>(n)) ? n : 0;
}

B2C_API bool b2c_stream_is_gzip(_B2CStream* s, unsigned offset)
{
    ModuoBuffer* b = buf(s);
    return b != nullptr && GzipCodec::isGzip(*b, offset);
}

B2C_API int b2c_stream_gzip_decompress(_B2CStream* in, _B2CStream* out)
{
    return codecStreams(in, out, inflateInto);
}

B2C_API int b2c_stream_gzip_view_decompress(const void* data, unsigned len, _B2CStream* out)
{
    ModuoBuffer* b = buf(out);
    if (b == nullptr)
        return 0;
    try {
        return GzipCodec::decompress(data, len, *b);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

B2C_API int b2c_stream_gzip_compress(_B2CStream* in, _B2CStream* out)
{
    return codecStreams(in, out, deflateInto);
}

B2C_API int b2c_stream_gzip_view_compress(const void* data, unsigned len, _B2CStream* out)
{
    ModuoBuffer* b = buf(out);
    if (b == nullptr)
        return 0;
    try {
        return GzipCodec::compress(data, len, *b);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

B2C_API int b2c_stream_decode_quote_msg(_B2CStream* s, _B2CQuoteMsg* out)
{
    ModuoBuffer* b = buf(s);
    if (b == nullptr || out == nullptr || b->readableBytes() < 8)
        return 0;
    uint8_t version = 0, kind = 0, command = 0, flag = 0;
    uint16_t word = 0, requestId = 0;
    b->readValue(version, true);
    b->readValue(word, true);
    b->readValue(kind, true);
    b->readValue(command, true);
    b->readValue(flag, true);
    b->readValue(requestId, true);
    out->version = version;
    out->word = word;
    out->kind = kind;
    out->command = command;
    out->flag = flag;
    out->request_id = requestId;
    out->payload = s;
    return 1;
}

B2C_API void b2c_auth_msg_gen_key(_B2CAuthMsg* out)
{
    if (out != nullptr)
        AuthExchange::genKey(*out);
}

B2C_API int b2c_auth_msg_encrypt(const _B2CAuthMsg* challenge, _B2CAuthMsg* answer, const char* secret, unsigned len)
{
    if (challenge == nullptr || answer == nullptr)
        return 0;
    AuthExchange::encrypt(*challenge, *answer, secret, len);
    return 1;
}

B2C_API bool b2c_auth_msg_verify(const _B2CAuthMsg* challenge, const _B2CAuthMsg* answer, const char* secret,
                                 unsigned len)
{
    if (challenge == nullptr || answer == nullptr)
        return false;
    return AuthExchange::verify(*challenge, *answer, secret, len);
}

}  // extern "C"
