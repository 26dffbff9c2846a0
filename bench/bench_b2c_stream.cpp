// Streams: compressed int64 encode/decode, fixed-width big-endian read/write,
// gzip compress/decompress, and frame decoding (no gzip).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "b2c.h"
#include "gzipcodec.h"
#include "moduobuffer.h"
#include "normaldecoder.h"

namespace {

// Values of mixed magnitudes, as prices, volumes and deltas travel.
std::vector<int64_t> sampleValues(size_t n)
{
    std::mt19937_64 gen(42);
    std::vector<int64_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        const unsigned bits = 1 + gen() % 40;
        const int64_t mag = static_cast<int64_t>(gen() & ((uint64_t{1} << bits) - 1));
        v[i] = (gen() & 1) ? -mag : mag;
    }
    return v;
}

constexpr size_t kValues = 4096;

void BM_CompressInt64Encode(benchmark::State& state)
{
    const auto values = sampleValues(kValues);
    b2c::ModuoBuffer buf(kValues * 10);
    for (auto _ : state) {
        buf.retrieveAll();
        for (int64_t v : values)
            buf.appendCompressInt64(v);
        benchmark::DoNotOptimize(buf.peek());
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_CompressInt64Encode);

void BM_CompressInt64Decode(benchmark::State& state)
{
    const auto values = sampleValues(kValues);
    b2c::ModuoBuffer encoded(kValues * 10);
    for (int64_t v : values)
        encoded.appendCompressInt64(v);
    const std::string bytes(encoded.peek(), encoded.readableBytes());
    b2c::ModuoBuffer buf(bytes.size());
    for (auto _ : state) {
        buf.retrieveAll();
        buf.append(bytes.data(), bytes.size());
        int64_t v = 0, sum = 0;
        while (buf.readCompressInt64(v, true))
            sum += v;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_CompressInt64Decode);

void BM_FixedWidthWrite(benchmark::State& state)
{
    b2c::ModuoBuffer buf(kValues * 14);
    for (auto _ : state) {
        buf.retrieveAll();
        for (size_t i = 0; i < kValues; ++i) {
            buf.appendValue<int32_t>(static_cast<int32_t>(i));
            buf.appendValue<int64_t>(static_cast<int64_t>(i) << 20);
            buf.appendValue<uint16_t>(static_cast<uint16_t>(i));
        }
        benchmark::DoNotOptimize(buf.peek());
    }
    state.SetItemsProcessed(state.iterations() * kValues * 3);
}
BENCHMARK(BM_FixedWidthWrite);

void BM_FixedWidthRead(benchmark::State& state)
{
    b2c::ModuoBuffer src(kValues * 14);
    for (size_t i = 0; i < kValues; ++i) {
        src.appendValue<int32_t>(static_cast<int32_t>(i));
        src.appendValue<int64_t>(static_cast<int64_t>(i) << 20);
        src.appendValue<uint16_t>(static_cast<uint16_t>(i));
    }
    const std::string bytes(src.peek(), src.readableBytes());
    b2c::ModuoBuffer buf(bytes.size());
    for (auto _ : state) {
        buf.retrieveAll();
        buf.append(bytes.data(), bytes.size());
        int64_t sum = 0;
        int32_t a = 0;
        int64_t b = 0;
        uint16_t c = 0;
        for (size_t i = 0; i < kValues; ++i) {
            buf.readValue(a, true);
            buf.readValue(b, true);
            buf.readValue(c, true);
            sum += a + b + c;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kValues * 3);
}
BENCHMARK(BM_FixedWidthRead);

// Quote-like text of about 1 MB.
std::string sampleText()
{
    std::string s;
    std::mt19937 gen(7);
    while (s.size() < (1u << 20)) {
        s += std::to_string(600000 + gen() % 4000) + "," + std::to_string(gen() % 3) + "," +
             std::to_string(gen() % 100000) + ";";
    }
    return s;
}

void BM_GzipCompress(benchmark::State& state)
{
    const std::string text = sampleText();
    b2c::ModuoBuffer out(text.size());
    for (auto _ : state) {
        out.retrieveAll();
        b2c::GzipCodec::compress(text.data(), text.size(), out);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_GzipCompress)->Unit(benchmark::kMillisecond);

void BM_GzipDecompress(benchmark::State& state)
{
    const std::string text = sampleText();
    b2c::ModuoBuffer packed(text.size());
    b2c::GzipCodec::compress(text.data(), text.size(), packed);
    b2c::ModuoBuffer out(text.size());
    for (auto _ : state) {
        out.retrieveAll();
        b2c::GzipCodec::decompress(packed.peek(), packed.readableBytes(), out);
    }
    // Throughput counted in decompressed bytes.
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_GzipDecompress)->Unit(benchmark::kMillisecond);

// Frames of quote messages with a payload of range(0) bytes, as one read delivers them.
void BM_NormalDecoderFrame(benchmark::State& state)
{
    const size_t payload = static_cast<size_t>(state.range(0));
    constexpr size_t kFrames = 256;
    std::string wire;
    for (size_t i = 0; i < kFrames; ++i) {
        const uint32_t len = static_cast<uint32_t>(9 + payload);
        const char header[] = {static_cast<char>(len >> 24),
                               static_cast<char>(len >> 16),
                               static_cast<char>(len >> 8),
                               static_cast<char>(len),
                               1,
                               2,
                               1,
                               0,
                               0,
                               5,
                               0x27,
                               1,
                               0,
                               static_cast<char>(i)};
        wire.append(header, sizeof header);
        wire.append(payload, 'p');
    }
    b2c::ModuoBuffer input(wire.size());
    const b2c::NormalDecoder& decoder = b2c::NormalDecoder::instance();
    for (auto _ : state) {
        input.retrieveAll();
        input.append(wire.data(), wire.size());
        size_t delivered = 0;
        for (;;) {
            b2c::DecodedFrame f;
            const b2c::DecodeStatus st = decoder.decodeOne(input, f);
            if (st == b2c::DecodeStatus::NeedMore || st == b2c::DecodeStatus::Fatal)
                break;
            if (st == b2c::DecodeStatus::Decoded)
                ++delivered;
        }
        benchmark::DoNotOptimize(delivered);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_NormalDecoderFrame)->Arg(16)->Arg(256)->Arg(4096);

}  // namespace
