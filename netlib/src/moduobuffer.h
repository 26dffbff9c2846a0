// ModuoBuffer: the growable byte buffer behind every stream, frame and
// connection input of the library.
//
// Layout: [0, 8) prepend area | [read, write) readable | [write, capacity) writable.
// The first 8 bytes are never touched by reads and writes; a frame encoder
// writes its 5-byte header backwards into them. Invariant:
// 8 <= readIndex <= writeIndex <= capacity, all below 4 GiB.
//
// Consuming: retrieving n bytes advances the read index, or, when n reaches the
// readable count, sets both indices back to 8 (a drained buffer starts over).
// Making room for n bytes: nothing when enough is writable; else slide the
// readable bytes down to 8 when the freed front space suffices; else grow.
//
// All multi-byte values are big-endian. Not locked: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace b2c {

class ModuoBuffer {
public:
    static constexpr uint32_t kPrepend = 8;
    // Largest capacity (prepend included): the indices are 32-bit.
    static constexpr uint64_t kMaxCapacity = 0xFFFFFFFFull;
    // Largest size a new buffer may ask for.
    static constexpr uint64_t kMaxInitialSize = kMaxCapacity - kPrepend;

    // A buffer of capacity size + 8 with both indices at 8. Throws
    // std::length_error when size exceeds kMaxInitialSize.
    explicit ModuoBuffer(uint64_t size = 1024);

    uint32_t readIndex() const { return read_; }
    uint32_t writeIndex() const { return write_; }
    uint64_t capacity() const { return storage_.size(); }
    uint32_t readableBytes() const { return write_ - read_; }
    uint32_t writableBytes() const { return static_cast<uint32_t>(storage_.size() - write_); }

    const char* peek() const { return storage_.data() + read_; }
    char* beginWrite() { return storage_.data() + write_; }

    // Consuming rule above. n may exceed the readable count.
    void retrieve(uint64_t n);
    void retrieveAll() { read_ = write_ = kPrepend; }

    // Makes n bytes writable (slide or grow). False, with nothing changed, when
    // the capacity would pass kMaxCapacity.
    bool ensureWritable(uint64_t n);
    // Advances the write index after bytes were written at beginWrite().
    // False, with nothing changed, when n exceeds the writable count.
    bool hasWritten(uint64_t n);
    // Drops readable bytes past the first `keep` (used to undo a failed append).
    void truncate(uint32_t keep);
    // Writes n bytes just in front of the read index and moves it back over
    // them. False when fewer than n bytes lie in front of it (prepend included).
    bool prepend(const void* data, uint32_t n);

    bool append(const void* data, uint64_t n)
    {
        if (n > writableBytes())
            return appendMakingRoom(data, n);
        if (n != 0)
            std::memcpy(beginWrite(), data, static_cast<size_t>(n));
        write_ += static_cast<uint32_t>(n);
        return true;
    }
    // True when p points into this buffer's storage (making room would move it).
    bool contains(const void* p) const
    {
        const auto at = reinterpret_cast<uintptr_t>(p);
        const auto begin = reinterpret_cast<uintptr_t>(storage_.data());
        return at >= begin && at < begin + storage_.size();
    }
    // Copies n bytes out; false (nothing copied) when fewer are readable.
    bool read(void* out, uint64_t n, bool consume);

    // Fixed-width big-endian values: integers of 1, 2, 4, 8 bytes, float, double.
    template <typename T>
    bool appendValue(T v)
    {
        static_assert(std::is_arithmetic<T>::value, "arithmetic values only");
        unsigned char raw[sizeof(T)];
        std::memcpy(raw, &v, sizeof(T));
        toBigEndian(raw, sizeof(T));
        return append(raw, sizeof(T));
    }
    template <typename T>
    bool readValue(T& out, bool consume)
    {
        static_assert(std::is_arithmetic<T>::value, "arithmetic values only");
        if (readableBytes() < sizeof(T))
            return false;
        unsigned char raw[sizeof(T)];
        std::memcpy(raw, peek(), sizeof(T));
        toBigEndian(raw, sizeof(T));
        std::memcpy(&out, raw, sizeof(T));
        if (consume)
            retrieve(sizeof(T));
        return true;
    }

    // Compressed int64: 1 to 9 bytes for |v| <= 2^62-1, 10 beyond.
    bool appendCompressInt64(int64_t v);
    // False, consuming nothing, when no stop byte lies within the first
    // min(readable, 10) bytes.
    bool readCompressInt64(int64_t& out, bool consume);
    // Compressed double at scale index 0..6 (other indices are refused).
    bool appendCompressDouble(double x, int scaleIndex);
    bool readCompressDouble(double& out, int scaleIndex, bool consume);
    static constexpr int kMaxScaleIndex = 6;

private:
    // append() when room must be made first; the data may lie in this buffer.
    bool appendMakingRoom(const void* data, uint64_t n);

    static void toBigEndian(unsigned char* p, size_t n)
    {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        for (size_t i = 0, j = n - 1; i < j; ++i, --j) {
            unsigned char t = p[i];
            p[i] = p[j];
            p[j] = t;
        }
#else
        (void)p;
        (void)n;
#endif
    }

    std::vector<char> storage_;
    uint32_t read_ = kPrepend;
    uint32_t write_ = kPrepend;
};

}  // namespace b2c
