// BodyWriter: builds a big-endian body as a byte vector, for the command
// handlers.
#ifndef QUOTESERVER_BODYWRITER_H
#define QUOTESERVER_BODYWRITER_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bodyreader.h"  // handlers that include this header read bodies too

class BodyWriter {
public:
    BodyWriter& u8(uint8_t v)
    {
        bytes_.push_back(v);
        return *this;
    }
    BodyWriter& i16(int16_t v) { return be(static_cast<uint16_t>(v), 2); }
    BodyWriter& i32(int32_t v) { return be(static_cast<uint32_t>(v), 4); }
    BodyWriter& i64(int64_t v) { return be(static_cast<uint64_t>(v), 8); }
    BodyWriter& f32(float v)
    {
        uint32_t b;
        std::memcpy(&b, &v, 4);
        return be(b, 4);
    }
    BodyWriter& f64(double v)
    {
        uint64_t b;
        std::memcpy(&b, &v, 8);
        return be(b, 8);
    }
    BodyWriter& bytes(const void* data, size_t n)
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
        return *this;
    }
    // A text in a fixed field of n bytes, NUL-padded (cut when longer).
    BodyWriter& text(const std::string& s, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            bytes_.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
        return *this;
    }
    const std::vector<uint8_t>& data() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    BodyWriter& be(uint64_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i)
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    std::vector<uint8_t> bytes_;
};

#endif
