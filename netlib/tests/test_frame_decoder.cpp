// Incoming frames: the three client decoders cut the input into frames
// whatever the chunking, skip heartbeats, refuse oversized or malformed
// frames, and hand the bytes after a login frame to the next decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "clientauthkeydecoder.h"
#include "clientauthresultdecoder.h"
#include "moduobuffer.h"
#include "normaldecoder.h"
#include "streambytes.h"

namespace {

using b2c::DecodedFrame;
using b2c::DecodeStatus;
using b2c::FrameDecoder;

// A frame as the wire carries it: big-endian length, type, body.
Bytes frame(uint8_t type, const Bytes& body)
{
    const uint32_t n = static_cast<uint32_t>(body.size());
    Bytes f = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
               static_cast<uint8_t>(n), type};
    f.insert(f.end(), body.begin(), body.end());
    return f;
}
Bytes dataFrame(const Bytes& body)
{
    return frame(1, body);
}
Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kHeartbeat = {0, 0, 0, 0, 0};

Bytes challengeFrame()
{
    Bytes body = {0x04};
    for (int i = 0; i < 24; ++i)
        body.push_back(static_cast<uint8_t>(100 + i));
    return dataFrame(body);
}
Bytes resultFrame(int32_t r)
{
    return dataFrame({0x04, static_cast<uint8_t>(r >> 24), static_cast<uint8_t>(r >> 16), static_cast<uint8_t>(r >> 8),
                      static_cast<uint8_t>(r)});
}

struct Delivered {
    int kind;
    _B2CQuoteMsg header;  // kind QUOTE (payload not kept)
    _B2CAuthMsg auth;     // kind AUTH
    Bytes body;           // kinds QUOTE and RAW
};

// The decode loop of a connection, as the decoder header describes it.
struct FakeConnection {
    b2c::ModuoBuffer input{1024};
    const FrameDecoder* decoder = &b2c::ClientAuthKeyDecoder::instance();
    bool open = true;
    bool closed = false;
    std::vector<Delivered> got;

    void receive(const uint8_t* p, size_t n)
    {
        if (closed)
            return;
        input.append(p, n);
        for (;;) {
            DecodedFrame f;
            const FrameDecoder& d = *decoder;
            const DecodeStatus st = d.decodeOne(input, f);
            if (st == DecodeStatus::NeedMore)
                break;
            if (st == DecodeStatus::Fatal) {
                closed = true;
                break;
            }
            if (st == DecodeStatus::Skipped)
                continue;
            if (open || d.deliversWhenClosed()) {
                _B2CMessage msg = f.message(nullptr);
                Delivered rec{msg.kind, {}, {}, {}};
                if (msg.kind == B2C_MESSAGE_AUTH)
                    rec.auth = *static_cast<_B2CAuthMsg*>(msg.data);
                if (msg.kind == B2C_MESSAGE_QUOTE) {
                    auto* q = static_cast<_B2CQuoteMsg*>(msg.data);
                    rec.header = *q;
                    rec.body = readableBytes(q->payload);
                }
                if (msg.kind == B2C_MESSAGE_RAW)
                    rec.body = readableBytes(static_cast<_B2CStream*>(msg.data));
                got.push_back(rec);
            }
            decoder = &d.next();
        }
    }
    void receive(const Bytes& b) { receive(b.data(), b.size()); }
    // Feeds b in pieces of the given sizes (cycled).
    void receiveChunked(const Bytes& b, const std::vector<size_t>& sizes)
    {
        size_t at = 0, k = 0;
        while (at < b.size()) {
            size_t n = std::min(sizes[k++ % sizes.size()], b.size() - at);
            receive(b.data() + at, n);
            at += n;
        }
    }
};

// A logged-in stream: quote message, heartbeat, raw frame, gzip quote body,
// 0x33 quote, empty-payload quote, a large quote.
Bytes normalTraffic(Bytes& bigPayload)
{
    bigPayload.resize(70000);
    for (size_t i = 0; i < bigPayload.size(); ++i)
        bigPayload[i] = static_cast<uint8_t>(i * 31);
    Bytes big = {0x02, 1, 0x00, 0x02, 5, 0x27, 1, 0x00, 0x09};
    big.insert(big.end(), bigPayload.begin(), bigPayload.end());
    return cat({dataFrame({0x02, 1, 0x12, 0x34, 5, 0x03, 1, 0xBE, 0xEF, 0xAA, 0xBB, 0xCC}), kHeartbeat,
                dataFrame({0x07, 1, 2, 3}), dataFrame({0x02, 0x1F, 0x8B, 0x08, 0x00}),
                dataFrame({0x33, 1, 0, 0, 5, 0x26, 1, 0, 3, 0x44}),
                dataFrame({0x33, 0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), kHeartbeat,
                dataFrame({0x02, 1, 0, 0, 5, 0x05, 1, 0, 4}), dataFrame(big)});
}

void expectNormalTraffic(const FakeConnection& c, const Bytes& bigPayload)
{
    ASSERT_FALSE(c.closed);
    ASSERT_EQ(c.got.size(), 7u);
    EXPECT_EQ(c.got[0].kind, B2C_MESSAGE_QUOTE);
    EXPECT_EQ(c.got[0].header.version, 1);
    EXPECT_EQ(c.got[0].header.word, 0x1234);
    EXPECT_EQ(c.got[0].header.kind, 5);
    EXPECT_EQ(c.got[0].header.command, 3);
    EXPECT_EQ(c.got[0].header.flag, 1);
    EXPECT_EQ(c.got[0].header.request_id, 0xBEEF);
    EXPECT_EQ(hex(c.got[0].body), "AA BB CC");
    EXPECT_EQ(c.got[1].kind, B2C_MESSAGE_RAW);
    EXPECT_EQ(hex(c.got[1].body), "07 01 02 03");
    EXPECT_EQ(c.got[2].kind, B2C_MESSAGE_RAW) << "a gzip quote body arrives raw";
    EXPECT_EQ(hex(c.got[2].body), "02 1F 8B 08 00");
    EXPECT_EQ(c.got[3].kind, B2C_MESSAGE_QUOTE) << "0x33 is a quote message";
    EXPECT_EQ(c.got[3].header.command, 0x26);
    EXPECT_EQ(c.got[3].header.request_id, 3);
    EXPECT_EQ(hex(c.got[3].body), "44");
    EXPECT_EQ(c.got[4].kind, B2C_MESSAGE_RAW) << "a gzip body after 0x33 arrives raw too";
    EXPECT_EQ(hex(c.got[4].body), "33 1F 8B 08 00 00 00 00 00 00");
    EXPECT_EQ(c.got[5].kind, B2C_MESSAGE_QUOTE);
    EXPECT_EQ(c.got[5].header.request_id, 4);
    EXPECT_TRUE(c.got[5].body.empty());
    EXPECT_EQ(c.got[6].kind, B2C_MESSAGE_QUOTE);
    EXPECT_EQ(c.got[6].header.request_id, 9);
    EXPECT_TRUE(c.got[6].body == bigPayload) << "large payload differs";
}

FakeConnection loggedIn()
{
    FakeConnection c;
    c.decoder = &b2c::NormalDecoder::instance();
    return c;
}

TEST(FrameDecoder, NormalDecoderDeliversEverythingInOneRead)
{
    Bytes big;
    const Bytes traffic = normalTraffic(big);
    FakeConnection c = loggedIn();
    c.receive(traffic);
    expectNormalTraffic(c, big);
    EXPECT_EQ(c.input.readableBytes(), 0u);
}

TEST(FrameDecoder, NormalDecoderDeliversOneByteAtATime)
{
    Bytes big;
    const Bytes traffic = normalTraffic(big);
    FakeConnection c = loggedIn();
    c.receiveChunked(traffic, {1});
    expectNormalTraffic(c, big);
}

TEST(FrameDecoder, NormalDecoderDeliversWhateverTheChunking)
{
    Bytes big;
    const Bytes traffic = normalTraffic(big);
    std::mt19937 gen(12345);
    for (int round = 0; round < 20; ++round) {
        std::vector<size_t> sizes;
        for (int i = 0; i < 64; ++i)
            sizes.push_back(1 + gen() % (round < 10 ? 17 : 9000));
        FakeConnection c = loggedIn();
        c.receiveChunked(traffic, sizes);
        SCOPED_TRACE("round " + std::to_string(round));
        expectNormalTraffic(c, big);
    }
}

TEST(FrameDecoder, SplitFrameIsDeliveredAfterTheSecondRead)
{
    const Bytes f = dataFrame({0x09, 1, 2, 3, 4});
    FakeConnection c = loggedIn();
    c.receive(f.data(), 7);
    EXPECT_TRUE(c.got.empty());
    c.receive(f.data() + 7, f.size() - 7);
    ASSERT_EQ(c.got.size(), 1u);
    EXPECT_EQ(hex(c.got[0].body), "09 01 02 03 04");
}

TEST(FrameDecoder, NonDataFrameIsConsumedWhole)
{
    // A type-0 frame that carries a body: its body must not be read as a frame.
    const Bytes odd = frame(0, {0x00, 0x00, 0x00, 0x02, 0x01, 0xEE, 0xEE});
    FakeConnection c = loggedIn();
    c.receive(cat({odd, dataFrame({0x08, 0x01})}));
    ASSERT_FALSE(c.closed);
    ASSERT_EQ(c.got.size(), 1u);
    EXPECT_EQ(hex(c.got[0].body), "08 01");
}

TEST(FrameDecoder, ShortAndEmptyFramesReadNothingBeyondThem)
{
    FakeConnection c = loggedIn();
    const Bytes empty = dataFrame({});
    c.receive(cat({dataFrame({0x02}), dataFrame({0x02, 1, 2}), dataFrame({0x33, 1, 2, 3, 4, 5, 6, 7}),
                   dataFrame({0x06}), empty, dataFrame({0x05})}));
    // Quote frames too short for a header arrive raw; the empty data frame,
    // which cannot hold its kind byte, is fatal and nothing after it is read.
    EXPECT_TRUE(c.closed) << "an empty data frame must close the connection";
    ASSERT_EQ(c.got.size(), 4u);
    EXPECT_EQ(c.got[0].kind, B2C_MESSAGE_RAW);
    EXPECT_EQ(hex(c.got[0].body), "02");
    EXPECT_EQ(hex(c.got[1].body), "02 01 02");
    EXPECT_EQ(hex(c.got[2].body), "33 01 02 03 04 05 06 07");
    EXPECT_EQ(hex(c.got[3].body), "06");
    EXPECT_EQ(c.input.readableBytes(), 11u) << "the refused frame and what follows stay unconsumed";
}

TEST(FrameDecoder, OversizedLengthIsFatalBeforeTheBodyArrives)
{
    FakeConnection c = loggedIn();
    const Bytes header = {0x04, 0x00, 0x00, 0x01, 0x01};  // 64 MiB + 1
    c.receive(header);
    EXPECT_TRUE(c.closed);
    EXPECT_EQ(c.input.capacity(), 1032u) << "nothing may be allocated for the refused frame";

    FakeConnection d = loggedIn();
    d.receive(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x01});
    EXPECT_TRUE(d.closed);
}

TEST(FrameDecoder, LengthAtTheCapIsAwaited)
{
    FakeConnection c = loggedIn();
    c.receive(Bytes{0x04, 0x00, 0x00, 0x00, 0x01, 0x07});  // exactly 64 MiB
    EXPECT_FALSE(c.closed);
    EXPECT_TRUE(c.got.empty());
}

TEST(FrameDecoder, ClosedConnectionDropsNormalFrames)
{
    FakeConnection c = loggedIn();
    c.open = false;
    c.receive(dataFrame({0x09, 1}));
    EXPECT_TRUE(c.got.empty());
    EXPECT_EQ(c.input.readableBytes(), 0u) << "the dropped frame is consumed";
}

TEST(FrameDecoder, LoginExchangeOneByteAtATime)
{
    Bytes big;
    const Bytes traffic = cat({challengeFrame(), resultFrame(-1), normalTraffic(big)});
    FakeConnection c;
    c.receiveChunked(traffic, {1});
    ASSERT_FALSE(c.closed);
    ASSERT_EQ(c.got.size(), 9u);
    EXPECT_EQ(c.got[0].kind, B2C_MESSAGE_AUTH);
    EXPECT_EQ(c.got[0].auth.kind, B2C_AUTH_CHALLENGE);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(c.got[0].auth.key[i], 100 + i) << "key byte " << i;
    for (int i = 24; i < 32; ++i)
        EXPECT_EQ(c.got[0].auth.key[i], 0) << "key byte " << i;
    EXPECT_EQ(c.got[1].kind, B2C_MESSAGE_AUTH);
    EXPECT_EQ(c.got[1].auth.kind, B2C_AUTH_RESULT);
    int32_t result = 0;
    std::memcpy(&result, c.got[1].auth.key, 4);
    EXPECT_EQ(result, -1);
    FakeConnection rest = loggedIn();
    rest.got.assign(c.got.begin() + 2, c.got.end());
    expectNormalTraffic(rest, big);
}

TEST(FrameDecoder, LoginFramesArrivingTogetherWithTheNextAreAllDelivered)
{
    Bytes big;
    FakeConnection c;
    c.receive(cat({challengeFrame(), resultFrame(0x01020304), normalTraffic(big)}));
    ASSERT_FALSE(c.closed) << "bytes after the challenge must not close the connection";
    ASSERT_EQ(c.got.size(), 9u);
    int32_t result = 0;
    std::memcpy(&result, c.got[1].auth.key, 4);
    EXPECT_EQ(result, 0x01020304);
    EXPECT_TRUE(c.got[8].body == big);
}

TEST(FrameDecoder, LoginDecodersDeliverWhileNotOpen)
{
    FakeConnection c;
    c.open = false;
    c.receive(cat({challengeFrame(), resultFrame(5)}));
    ASSERT_EQ(c.got.size(), 2u);
    EXPECT_EQ(c.decoder, &b2c::NormalDecoder::instance());
}

TEST(FrameDecoder, HeartbeatBeforeALoginFrameCloses)
{
    {
        FakeConnection c;  // in place of the challenge
        c.receive(cat({kHeartbeat, challengeFrame()}));
        EXPECT_TRUE(c.closed);
        EXPECT_TRUE(c.got.empty());
    }
    {
        FakeConnection c;  // in place of the result, after a good challenge
        c.receive(cat({challengeFrame(), kHeartbeat, resultFrame(-1)}));
        EXPECT_TRUE(c.closed);
        ASSERT_EQ(c.got.size(), 1u) << "only the challenge is delivered";
        EXPECT_EQ(c.got[0].auth.kind, B2C_AUTH_CHALLENGE);
    }
    {
        FakeConnection c;  // a heartbeat alone, arriving in two reads
        c.receive(Bytes(kHeartbeat.begin(), kHeartbeat.begin() + 2));
        EXPECT_FALSE(c.closed) << "too short to judge yet";
        c.receive(Bytes(kHeartbeat.begin() + 2, kHeartbeat.end()));
        EXPECT_TRUE(c.closed);
    }
}

TEST(FrameDecoder, WrongSizedLoginFramesClose)
{
    {
        FakeConnection c;  // a data frame where the challenge belongs
        c.receive(dataFrame({0x02, 1, 0, 0, 5, 3, 1, 0, 1}));
        EXPECT_TRUE(c.closed);
        EXPECT_TRUE(c.got.empty());
    }
    {
        FakeConnection c;  // a challenge of 26 bytes
        Bytes body(26, 0x11);
        body[0] = 0x04;
        c.receive(dataFrame(body));
        EXPECT_TRUE(c.closed);
    }
    {
        FakeConnection c;  // challenge, then something that is not a result
        c.receive(cat({challengeFrame(), dataFrame({0x04, 1, 2, 3, 4, 5})}));
        EXPECT_TRUE(c.closed);
        EXPECT_EQ(c.got.size(), 1u);
    }
    {
        FakeConnection c;  // a huge length where the challenge belongs
        c.receive(Bytes{0x7F, 0xFF, 0xFF, 0xFF, 0x01});
        EXPECT_TRUE(c.closed);
    }
}

TEST(FrameDecoder, IncompleteLoginFramesWait)
{
    const Bytes ch = challengeFrame();
    FakeConnection c;
    c.receive(ch.data(), 29);
    EXPECT_FALSE(c.closed);
    EXPECT_TRUE(c.got.empty());
    c.receive(ch.data() + 29, 1);
    EXPECT_EQ(c.got.size(), 1u);
}

}  // namespace
