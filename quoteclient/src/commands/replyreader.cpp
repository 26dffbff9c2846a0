#include "replyreader.h"

#include <algorithm>
#include <cstring>

unsigned ReplyReader::remaining() const
{
    return ok_ ? b2c_stream_readable_size(stream_) : 0;
}

int8_t ReplyReader::i8()
{
    int8_t v = 0;
    if (ok_ && !b2c_stream_read_int8(stream_, &v, 1))
        ok_ = false;
    return ok_ ? v : 0;
}

int16_t ReplyReader::i16()
{
    int16_t v = 0;
    if (ok_ && !b2c_stream_read_int16(stream_, &v, 1))
        ok_ = false;
    return ok_ ? v : 0;
}

int32_t ReplyReader::i32()
{
    int32_t v = 0;
    if (ok_ && !b2c_stream_read_int32(stream_, &v, 1))
        ok_ = false;
    return ok_ ? v : 0;
}

int64_t ReplyReader::i64()
{
    int64_t v = 0;
    if (ok_ && !b2c_stream_read_int64(stream_, &v, 1))
        ok_ = false;
    return ok_ ? v : 0;
}

float ReplyReader::f32()
{
    float v = 0;
    if (ok_ && !b2c_stream_read_float(stream_, &v, 1))
        ok_ = false;
    return ok_ ? v : 0.0f;
}

double ReplyReader::f64()
{
    double v = 0;
    if (ok_ && !b2c_stream_read_double(stream_, &v, 1))
        ok_ = false;
    return ok_ ? v : 0.0;
}

bool ReplyReader::bytes(void* out, unsigned n)
{
    if (n == 0)
        return ok_;
    if (ok_ && !b2c_stream_read_bytes(stream_, out, n, 1))
        ok_ = false;
    if (!ok_)
        std::memset(out, 0, n);
    return ok_;
}

bool ReplyReader::skip(unsigned n)
{
    if (!ok_ || b2c_stream_readable_size(stream_) < n) {
        ok_ = false;
        return false;
    }
    if (n > 0)
        b2c_stream_consume(stream_, n);
    return true;
}

bool ReplyReader::text(char* out, size_t capacity, unsigned n)
{
    if (capacity == 0)
        return skip(n);
    std::memset(out, 0, capacity);
    if (!ok_ || b2c_stream_readable_size(stream_) < n) {
        ok_ = false;
        return false;
    }
    const size_t copy = std::min<size_t>(n, capacity - 1);
    if (copy > 0)
        std::memcpy(out, b2c_stream_read_pos(stream_), copy);
    if (n > 0)
        b2c_stream_consume(stream_, n);
    return true;
}

bool ReplyReader::count_fits(int64_t count, unsigned min_item_bytes)
{
    if (!ok_ || count < 0) {
        ok_ = false;
        return false;
    }
    // Compared by division: count * min_item_bytes may not fit in 64 bits.
    const uint64_t readable = b2c_stream_readable_size(stream_);
    if (min_item_bytes != 0 && static_cast<uint64_t>(count) > readable / min_item_bytes) {
        ok_ = false;
        return false;
    }
    return true;
}
