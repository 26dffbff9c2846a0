// The login exchange: challenges, answers and their verification.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "streambytes.h"

namespace {

_B2CAuthMsg countingChallenge()
{
    _B2CAuthMsg c{};
    c.kind = B2C_AUTH_CHALLENGE;
    for (int i = 0; i < 24; ++i)
        c.key[i] = static_cast<uint8_t>(i + 1);
    return c;
}

TEST(AuthExchange, GenKeyFillsTwentyFourBytesAndZeroesTheRest)
{
    _B2CAuthMsg rec;
    std::memset(&rec, 0xCD, sizeof rec);
    b2c_auth_msg_gen_key(&rec);
    EXPECT_EQ(rec.kind, B2C_AUTH_CHALLENGE);
    for (int i = 24; i < 32; ++i)
        EXPECT_EQ(rec.key[i], 0) << "key byte " << i;
}

TEST(AuthExchange, GenKeyDiffersBetweenCalls)
{
    std::set<std::string> seen;
    for (int i = 0; i < 8; ++i) {
        _B2CAuthMsg rec{};
        b2c_auth_msg_gen_key(&rec);
        seen.insert(std::string(reinterpret_cast<const char*>(rec.key), 24));
    }
    EXPECT_GT(seen.size(), 1u);
}

TEST(AuthExchange, AnswerWithNineByteSecretUsesChallengeBytesSixteenOn)
{
    const _B2CAuthMsg ch = countingChallenge();
    _B2CAuthMsg ans{};
    ans.kind = B2C_AUTH_ANSWER_ID;
    ans.id[0] = 77;
    b2c_auth_msg_encrypt(&ch, &ans, "abcdefghi", 9);
    // m = "abcdefghi" then challenge bytes 16..22 (17..23); product m[i] * (i + 1).
    EXPECT_EQ(hex(Bytes(ans.key, ans.key + 32)),
              "00 61 00 C4 01 29 01 90 01 F9 02 64 02 D1 03 40 03 B1 "
              "00 AA 00 C6 00 E4 01 04 01 26 01 4A 01 70");
    EXPECT_EQ(ans.kind, B2C_AUTH_ANSWER_ID) << "encrypt leaves the kind alone";
    EXPECT_EQ(ans.id[0], 77u) << "encrypt leaves the id alone";
}

TEST(AuthExchange, AnswerUsesOnlySixteenSecretBytes)
{
    _B2CAuthMsg ch{};
    std::memset(ch.key, 0xFF, 24);
    _B2CAuthMsg ans{};
    const std::string secret(20, '\xFF');
    b2c_auth_msg_encrypt(&ch, &ans, secret.data(), 20);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(ans.key[2 * i], 0xFE) << i;  // 255 * 255 = 0xFE01
        EXPECT_EQ(ans.key[2 * i + 1], 0x01) << i;
    }
}

TEST(AuthExchange, EmptySecretTakesAllKeyMaterialFromTheChallenge)
{
    const _B2CAuthMsg ch = countingChallenge();
    _B2CAuthMsg ans{};
    b2c_auth_msg_encrypt(&ch, &ans, nullptr, 5);  // a null secret counts as empty
    // m = challenge bytes 16..31: 17..24, then eight zeros.
    EXPECT_EQ(hex(Bytes(ans.key, ans.key + 32)),
              "00 11 00 24 00 39 00 50 00 69 00 84 00 A1 00 C0 "
              "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(AuthExchange, VerifyAcceptsTheRightAnswerOnly)
{
    _B2CAuthMsg ch{};
    b2c_auth_msg_gen_key(&ch);
    // Each answer byte pair is secret byte times challenge byte: a zero challenge
    // byte at 9 would hide the one-letter difference below (1 run in 256).
    if (ch.key[9] == 0)
        ch.key[9] = 1;
    _B2CAuthMsg ans{};
    ans.kind = B2C_AUTH_ANSWER;
    b2c_auth_msg_encrypt(&ch, &ans, "secret-key", 10);
    EXPECT_TRUE(b2c_auth_msg_verify(&ch, &ans, "secret-key", 10));
    EXPECT_FALSE(b2c_auth_msg_verify(&ch, &ans, "secret-kez", 10));
    ans.key[31] ^= 1;
    EXPECT_FALSE(b2c_auth_msg_verify(&ch, &ans, "secret-key", 10));
    EXPECT_FALSE(b2c_auth_msg_verify(nullptr, &ans, "secret-key", 10));
}

TEST(AuthExchange, VerifyIgnoresStaleBytesAfterTheChallenge)
{
    // A challenge record reused from earlier traffic: gen_key clears bytes 24..31,
    // so the answer computed from the sent (24-byte) challenge verifies.
    _B2CAuthMsg server;
    std::memset(&server, 0xAB, sizeof server);
    b2c_auth_msg_gen_key(&server);
    _B2CAuthMsg received{};
    std::memcpy(received.key, server.key, 24);  // what the wire carries
    _B2CAuthMsg ans{};
    b2c_auth_msg_encrypt(&received, &ans, "pw", 2);
    EXPECT_TRUE(b2c_auth_msg_verify(&server, &ans, "pw", 2));
}

}  // namespace
