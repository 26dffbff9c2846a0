#include "authexchange.h"

#include <chrono>
#include <cstring>
#include <random>

namespace b2c {

namespace {

uint32_t randomSeed()
{
    try {
        std::random_device device;
        return device();
    } catch (const std::exception&) {
        // No random device: fall back to the clock rather than fail the login.
        return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

}  // namespace

void AuthExchange::genKey(_B2CAuthMsg& out)
{
    std::mt19937 gen(randomSeed());
    out.kind = B2C_AUTH_CHALLENGE;
    for (unsigned i = 0; i < kChallengeBytes; ++i)
        out.key[i] = static_cast<uint8_t>(gen() % 256);
    // The rest of the key takes part in answers to short secrets: never leave
    // it to whatever the caller's memory held.
    std::memset(out.key + kChallengeBytes, 0, sizeof out.key - kChallengeBytes);
}

void AuthExchange::encrypt(const _B2CAuthMsg& challenge, _B2CAuthMsg& answer, const char* secret, unsigned len)
{
    if (secret == nullptr)
        len = 0;
    uint8_t m[kProducts];
    const unsigned fromSecret = len < kProducts ? len : kProducts;
    if (fromSecret)
        std::memcpy(m, secret, fromSecret);
    for (unsigned i = fromSecret; i < kProducts; ++i)
        m[i] = challenge.key[kProducts + (i - fromSecret)];
    // Computed into a local first: challenge and answer may be one record.
    uint8_t out[2 * kProducts];
    for (unsigned i = 0; i < kProducts; ++i) {
        const unsigned p = unsigned{m[i]} * unsigned{challenge.key[i]};
        out[2 * i] = static_cast<uint8_t>(p >> 8);
        out[2 * i + 1] = static_cast<uint8_t>(p);
    }
    std::memcpy(answer.key, out, sizeof out);
}

bool AuthExchange::verify(const _B2CAuthMsg& challenge, const _B2CAuthMsg& answer, const char* secret, unsigned len)
{
    _B2CAuthMsg expected{};
    encrypt(challenge, expected, secret, len);
    return std::memcmp(expected.key, answer.key, 2 * kProducts) == 0;
}

}  // namespace b2c
