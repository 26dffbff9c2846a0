// BodyReader: reads a request body big-endian, for the command handlers. It
// never reads past the end: a short read sets ok() to false and yields zero.
#ifndef QUOTESERVER_BODYREADER_H
#define QUOTESERVER_BODYREADER_H

#include <cstdint>
#include <string>
#include <vector>

class BodyReader {
public:
    explicit BodyReader(const std::vector<uint8_t>& body) : body_(body) {}
    bool ok() const { return ok_; }
    size_t remaining() const { return body_.size() - pos_; }
    uint8_t u8() { return static_cast<uint8_t>(be(1)); }
    int16_t i16() { return static_cast<int16_t>(be(2)); }
    int32_t i32() { return static_cast<int32_t>(be(4)); }
    int64_t i64() { return static_cast<int64_t>(be(8)); }
    std::vector<uint8_t> rest()
    {
        std::vector<uint8_t> out(body_.begin() + static_cast<long>(pos_), body_.end());
        pos_ = body_.size();
        return out;
    }
    std::string text(size_t n)
    {
        if (remaining() < n) {
            ok_ = false;
            pos_ = body_.size();
            return std::string();
        }
        std::string s(reinterpret_cast<const char*>(body_.data() + pos_), n);
        pos_ += n;
        return s.substr(0, s.find('\0'));
    }

private:
    uint64_t be(int n)
    {
        if (remaining() < static_cast<size_t>(n)) {
            ok_ = false;
            pos_ = body_.size();
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | body_[pos_++];
        return v;
    }
    const std::vector<uint8_t>& body_;
    size_t pos_ = 0;
    bool ok_ = true;
};

#endif
