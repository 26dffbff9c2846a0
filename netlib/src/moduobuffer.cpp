#include "moduobuffer.h"

#include <cmath>
#include <stdexcept>

#include "saturatingcast.h"

namespace b2c {

namespace {

// Scale factors of the compressed double, by scale index.
constexpr double kScale[ModuoBuffer::kMaxScaleIndex + 1] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// A compressed value is at most 10 bytes: 70 bits carry every int64.
constexpr unsigned kMaxCompressedBytes = 10;

// Encoded size of v as a compressed int64 (1 to 10).
unsigned compressedSize(int64_t v)
{
    // Magnitude as unsigned, so that the most negative value is well defined.
    const uint64_t mag = v < 0 ? ~static_cast<uint64_t>(v) + 1 : static_cast<uint64_t>(v);
    // n bytes hold |v| <= 2^(7n-1) - 1: n is the bit length plus the sign, in 7-bit groups.
    const unsigned bitLength = mag == 0 ? 0 : 64 - static_cast<unsigned>(__builtin_clzll(mag));
    const unsigned n = (bitLength + 1 + 6) / 7;
    return n < kMaxCompressedBytes ? n : kMaxCompressedBytes;
}

// Integer stored for x at a valid scale index.
int64_t scaledInteger(double x, int scaleIndex)
{
    const double y = x * kScale[scaleIndex];
    // Half away from zero; for y >= 0 exactly trunc(y + 0.5).
    return y >= 0 ? tarvolin::saturatingCast<int64_t>(y + 0.5) : tarvolin::saturatingCast<int64_t>(y - 0.5);
}

}  // namespace

ModuoBuffer::ModuoBuffer(uint64_t size)
{
    if (size > kMaxInitialSize)
        throw std::length_error("ModuoBuffer: size beyond 4 GiB");
    storage_.resize(static_cast<size_t>(size + kPrepend));
}

void ModuoBuffer::retrieve(uint64_t n)
{
    if (n < readableBytes()) {
        read_ += static_cast<uint32_t>(n);
    } else {
        retrieveAll();
    }
}

bool ModuoBuffer::ensureWritable(uint64_t n)
{
    const uint64_t writable = writableBytes();
    if (writable >= n)
        return true;
    if (writable + read_ < n + kPrepend) {
        const uint64_t needed = static_cast<uint64_t>(write_) + n;
        if (needed > kMaxCapacity)
            return false;
        storage_.resize(static_cast<size_t>(needed));
    } else {
        const uint32_t readable = readableBytes();
        std::memmove(storage_.data() + kPrepend, storage_.data() + read_, readable);
        read_ = kPrepend;
        write_ = kPrepend + readable;
    }
    return true;
}

bool ModuoBuffer::hasWritten(uint64_t n)
{
    if (n > writableBytes())
        return false;
    write_ += static_cast<uint32_t>(n);
    return true;
}

void ModuoBuffer::truncate(uint32_t keep)
{
    if (keep < readableBytes())
        write_ = read_ + keep;
}

bool ModuoBuffer::prepend(const void* data, uint32_t n)
{
    if (n > read_)
        return false;
    read_ -= n;
    std::memcpy(storage_.data() + read_, data, n);
    return true;
}

bool ModuoBuffer::appendMakingRoom(const void* data, uint64_t n)
{
    if (contains(data)) {
        // Making room moves or frees the storage: copy the bytes out first.
        const std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + n);
        if (!ensureWritable(n))
            return false;
        std::memcpy(beginWrite(), copy.data(), static_cast<size_t>(n));
    } else {
        if (!ensureWritable(n))
            return false;
        std::memcpy(beginWrite(), data, static_cast<size_t>(n));
    }
    write_ += static_cast<uint32_t>(n);
    return true;
}

bool ModuoBuffer::read(void* out, uint64_t n, bool consume)
{
    if (n > readableBytes())
        return false;
    if (n != 0)
        std::memcpy(out, peek(), static_cast<size_t>(n));
    if (consume)
        retrieve(n);
    return true;
}

bool ModuoBuffer::appendCompressInt64(int64_t v)
{
    const unsigned n = compressedSize(v);
    unsigned char out[kMaxCompressedBytes];
    const uint64_t bits = static_cast<uint64_t>(v);
    for (unsigned i = 0; i < n; ++i) {
        // Arithmetic shift (at most 63): the 10-byte form's first group
        // reaches past bit 63 and must repeat the sign.
        const unsigned shift = 7 * (n - 1 - i);
        const uint64_t group = v < 0 ? ~(~bits >> shift) : bits >> shift;
        out[i] = static_cast<unsigned char>(group & 0x7F);
    }
    out[n - 1] |= 0x80;
    return append(out, n);
}

bool ModuoBuffer::readCompressInt64(int64_t& out, bool consume)
{
    const uint32_t readable = readableBytes();
    if (readable == 0)
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(peek());
    const unsigned limit = readable < kMaxCompressedBytes ? readable : kMaxCompressedBytes;
    uint64_t value = (p[0] & 0x40) ? ~uint64_t{0} : 0;
    for (unsigned i = 0; i < limit; ++i) {
        value = (value << 7) | (p[i] & 0x7F);
        if (p[i] & 0x80) {
            out = static_cast<int64_t>(value);
            if (consume)
                retrieve(i + 1);
            return true;
        }
    }
    return false;
}

bool ModuoBuffer::appendCompressDouble(double x, int scaleIndex)
{
    if (scaleIndex < 0 || scaleIndex > kMaxScaleIndex)
        return false;
    return appendCompressInt64(scaledInteger(x, scaleIndex));
}

bool ModuoBuffer::readCompressDouble(double& out, int scaleIndex, bool consume)
{
    if (scaleIndex < 0 || scaleIndex > kMaxScaleIndex)
        return false;
    int64_t v = 0;
    if (!readCompressInt64(v, consume))
        return false;
    out = static_cast<double>(v) / kScale[scaleIndex];
    return true;
}

}  // namespace b2c
