// The challenge/answer login exchange.
//
// The server sends 24 random challenge bytes; the client answers with 16
// big-endian 16-bit products m[i] * challenge[i], where m is the first 16
// bytes of the shared secret, padded from challenge byte 16 on when the secret
// is shorter. This exchange is weak (the products reveal the secret to anyone
// who sees one challenge and its answer) and is kept only because the peers
// speak it; do not rely on it for security.
#pragma once

#include "b2c.h"

namespace b2c {

class AuthExchange {
public:
    static constexpr unsigned kChallengeBytes = 24;
    static constexpr unsigned kProducts = 16;

    // kind := challenge; key[0..23] random, key[24..31] zero.
    static void genKey(_B2CAuthMsg& out);
    // Writes the 16 products into answer.key; nothing else of answer changes.
    // A null secret counts as empty.
    static void encrypt(const _B2CAuthMsg& challenge, _B2CAuthMsg& answer, const char* secret, unsigned len);
    static bool verify(const _B2CAuthMsg& challenge, const _B2CAuthMsg& answer, const char* secret, unsigned len);
};

}  // namespace b2c
