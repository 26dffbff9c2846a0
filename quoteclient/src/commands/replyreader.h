// ReplyReader: checked reads from an answer's payload stream for the reply
// parsers. Every read that finds too few bytes marks the reader failed (and
// keeps it failed); failed reads return zero values. A parser reads what it
// needs and returns ok() at the end, so a short or truncated body becomes an
// error reply instead of a partial payload.
#ifndef PELMAR_REPLYREADER_H
#define PELMAR_REPLYREADER_H

#include <cstddef>
#include <cstdint>

#include "b2c.h"

class ReplyReader {
public:
    explicit ReplyReader(_B2CStream* stream) : stream_(stream) {}

    bool ok() const { return ok_; }
    void fail() { ok_ = false; }
    // Readable bytes left (0 once failed).
    unsigned remaining() const;

    int8_t i8();
    uint8_t u8() { return static_cast<uint8_t>(i8()); }
    int16_t i16();
    uint16_t u16() { return static_cast<uint16_t>(i16()); }
    int32_t i32();
    int64_t i64();
    float f32();
    double f64();
    bool bytes(void* out, unsigned n);
    bool skip(unsigned n);

    // A text field of n wire bytes into out[capacity]: copies at most
    // capacity - 1 bytes and always terminates; the n bytes are consumed.
    bool text(char* out, size_t capacity, unsigned n);

    // Checks a count read from the wire before anything is sized by it: it
    // must not be negative and count * min_item_bytes must fit in the bytes
    // left. Marks the reader failed otherwise.
    bool count_fits(int64_t count, unsigned min_item_bytes);

private:
    _B2CStream* stream_;
    bool ok_ = stream_ != nullptr;
};

#endif
