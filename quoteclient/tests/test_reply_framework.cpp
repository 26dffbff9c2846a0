// The command-client and reply framework on hand-built answers: error replies,
// the server-state reply, version dispatch and unreadable bodies.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "b2cclient0x03reply.h"
#include "b2cerrorreply.h"
#include "b2cservice.h"
#include "probeclient.h"
#include "replyreader.h"

namespace {

// A received answer: header fields and a payload stream holding body.
struct Answer {
    _B2CQuoteMsg header{};
    explicit Answer(uint8_t command, const std::vector<uint8_t>& body, uint8_t version = 1, uint16_t word = 0)
    {
        header.version = version;
        header.word = word;
        header.kind = 5;
        header.command = command;
        header.flag = 1;
        header.request_id = 42;
        header.payload = b2c_stream_create(64);
        if (!body.empty())
            b2c_stream_append_bytes(header.payload, body.data(), static_cast<unsigned>(body.size()));
    }
    ~Answer() { b2c_stream_release(header.payload); }
};

int64_t local_midnight(int y, int m, int d)
{
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

}  // namespace

TEST(ErrorReply, CodeAndTextFromTheBody)
{
    struct Case {
        std::vector<uint8_t> body;
        int32_t code;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{0x03, 'b', 'a', 'd'}, 3, "bad"},
        {{0xFF}, -1, ""},  // code only: empty text, sign-extended
        {{0x80, 'x'}, -128, "x"},
        {{}, QUOTE_ERROR_BAD_REPLY, ""},  // nothing at all: defined code, terminated text
    };
    for (const Case& c : cases) {
        Answer a(0x10, c.body, 1, 0);
        B2CErrorReply reply(a.header);
        reply.process();
        const QuoteReply* r = reply.reply();
        EXPECT_EQ(r->kind, QUOTE_REPLY_ERROR);
        EXPECT_EQ(r->count, 0);
        ASSERT_NE(r->data, nullptr);
        const QuoteErrorInfo* e = static_cast<const QuoteErrorInfo*>(r->data);
        EXPECT_EQ(e->code, c.code);
        ASSERT_NE(e->text, nullptr);
        EXPECT_EQ(std::string(e->text), c.text);
    }
}

TEST(ErrorReply, KeepsItsBodyAfterTheSenderReleasedTheStream)
{
    auto a = std::make_unique<Answer>(0x10, std::vector<uint8_t>{0x07, 'o', 'k'});
    B2CErrorReply reply(a->header);
    a.reset();  // the connection's buffer moves on
    reply.process();
    const QuoteErrorInfo* e = static_cast<const QuoteErrorInfo*>(reply.reply()->data);
    EXPECT_EQ(e->code, 7);
    EXPECT_STREQ(e->text, "ok");
}

TEST(ServerStateReply, DecodesEntriesAsLocalDates)
{
    B2CService engine;
    // n = 2; {1, 20261208, 1}; {2, 20261209, 0}
    const std::vector<uint8_t> body = {0x02, 0x01, 0x01, 0x35, 0x29, 0x58, 0x01, 0x02, 0x01, 0x35, 0x29, 0x59, 0x00};
    Answer a(0x03, body, 1, 1);
    B2CClient0x03Reply reply(a.header, &engine);
    reply.process();
    const QuoteReply* r = reply.reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_MARKET_STATE);
    ASSERT_EQ(r->count, 2);
    EXPECT_EQ(r->header_word, 1);
    const QuoteMarketState* m = static_cast<const QuoteMarketState*>(r->data);
    EXPECT_EQ(m[0].market, 1);
    EXPECT_EQ(m[0].date, local_midnight(2026, 12, 8));
    EXPECT_EQ(m[0].state, 1);
    EXPECT_EQ(m[1].market, 2);
    EXPECT_EQ(m[1].date, local_midnight(2026, 12, 9));
    EXPECT_EQ(m[1].state, 0);
    EXPECT_FALSE(reply.date_changed()) << "markets seen for the first time never count as a change";
}

TEST(ServerStateReply, OnlyADateChangeOfAKnownMarketCounts)
{
    B2CService engine;
    const auto apply = [&](std::vector<uint8_t> body) {
        Answer a(0x03, body, 1, 1);
        B2CClient0x03Reply reply(a.header, &engine);
        reply.process();
        EXPECT_EQ(reply.reply()->kind, QUOTE_REPLY_MARKET_STATE);
        return reply.date_changed();
    };
    EXPECT_FALSE(apply({0x02, 0x01, 0x01, 0x35, 0x29, 0x58, 0x01, 0x02, 0x01, 0x35, 0x29, 0x58, 0x01}));
    // Same dates, other state bytes.
    EXPECT_FALSE(apply({0x02, 0x01, 0x01, 0x35, 0x29, 0x58, 0x05, 0x02, 0x01, 0x35, 0x29, 0x58, 0x06}));
    QuoteMarketState s{};
    ASSERT_TRUE(engine.server_state().get(2, &s));
    EXPECT_EQ(s.state, 6);
    // Market 2 moves to the next day.
    EXPECT_TRUE(apply({0x01, 0x02, 0x01, 0x35, 0x29, 0x59, 0x06}));
    // A new market alone never counts.
    EXPECT_FALSE(apply({0x01, 0x14, 0x01, 0x35, 0x29, 0x59, 0x06}));
}

TEST(ServerStateReply, ShortOrTruncatedBodiesBecomeErrorReplies)
{
    const std::vector<std::vector<uint8_t>> bodies = {
        {},                                          // no count
        {0x01},                                      // count, no entry
        {0x01, 0x01, 0x01, 0x35, 0x29},              // entry cut in the date
        {0x02, 0x01, 0x01, 0x35, 0x29, 0x58, 0x01},  // second entry missing
        {0xFF, 0x01, 0x01, 0x35, 0x29, 0x58, 0x01},  // count beyond the bytes
    };
    for (size_t i = 0; i < bodies.size(); ++i) {
        B2CService engine;
        Answer a(0x03, bodies[i], 1, 1);
        B2CClient0x03Reply reply(a.header, &engine);
        reply.process();
        const QuoteReply* r = reply.reply();
        EXPECT_EQ(r->kind, QUOTE_REPLY_ERROR) << "body " << i;
        EXPECT_EQ(r->count, 0) << "body " << i;
        const QuoteErrorInfo* e = static_cast<const QuoteErrorInfo*>(r->data);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, QUOTE_ERROR_BAD_REPLY) << "body " << i;
        EXPECT_STREQ(e->text, B2CBasicReply::kBadReplyText);
        EXPECT_FALSE(engine.server_state().get(1, nullptr)) << "nothing of a bad body is stored";
    }
}

namespace {

class CountingReply : public B2CBasicReply {
public:
    using B2CBasicReply::B2CBasicReply;
    int parsed = 0;
    int parsed_other = 0;
    bool parse() override
    {
        ++parsed;
        reply_.kind = 77;
        return true;
    }
};

class OtherReply : public CountingReply {
public:
    using CountingReply::CountingReply;
    bool parse_other() override
    {
        ++parsed_other;
        return true;
    }
};

}  // namespace

TEST(BasicReply, VersionPicksParseOrParseOther)
{
    Answer v1(0x20, {}, 1);
    Answer v2(0x20, {}, 2);
    CountingReply a(v1.header);
    a.process();
    EXPECT_EQ(a.parsed, 1);
    CountingReply b(v2.header);
    b.process();
    EXPECT_EQ(b.parsed, 1) << "without its own parse_other a reply parses like version 1";
    OtherReply c(v2.header);
    c.process();
    EXPECT_EQ(c.parsed, 0);
    EXPECT_EQ(c.parsed_other, 1);
}

TEST(ReplyReader, ChecksEveryReadAndEveryCount)
{
    Answer a(0x20, {0x00, 0x02, 0x12, 0x34, 'a', 'b', 'c'});
    ReplyReader in(a.header.payload);
    EXPECT_EQ(in.i16(), 2);
    EXPECT_TRUE(in.count_fits(2, 2));
    EXPECT_FALSE(ReplyReader(a.header.payload).count_fits(-1, 1)) << "negative counts are refused";
    // 2^62 items of 4 bytes is 2^64 bytes: far more than the 5 bytes left,
    // even though the product wraps to 0 in 64 bits.
    EXPECT_FALSE(ReplyReader(a.header.payload).count_fits(int64_t{1} << 62, 4)) << "a count whose size overflows";
    EXPECT_TRUE(ReplyReader(a.header.payload).count_fits(5, 1));
    EXPECT_FALSE(ReplyReader(a.header.payload).count_fits(6, 1));
    EXPECT_EQ(in.u16(), 0x1234);
    char text[3];
    EXPECT_TRUE(in.text(text, sizeof(text), 3));
    EXPECT_STREQ(text, "ab") << "texts are cut to fit and terminated";
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(in.i32(), 0);
    EXPECT_FALSE(in.ok()) << "a read past the end fails the reader";
    EXPECT_EQ(in.i8(), 0) << "and it stays failed";
}

TEST(ContextClient, SendsNothingForAReleasedContext)
{
    B2CService engine;
    auto context = std::make_shared<ContextBase>(&engine);
    auto client = std::make_shared<ProbeClient>(*context, kProbeOnce, std::vector<uint8_t>{});
    context.reset();
    EXPECT_FALSE(client->alive());
    EXPECT_EQ(engine.send(client, false), 0);
    EXPECT_EQ(engine.pending_count(), 0u);
}

TEST(ContextClient, NeedsAnOwnedContext)
{
    B2CService engine;
    ContextBase unowned(&engine);
    EXPECT_THROW(ProbeClient(unowned, kProbeOnce, {}), std::bad_weak_ptr);
}

namespace {

// gzip of the header {1, 0, 0, 5, 0x10, 1, 0, 7} and the body {0xFE, "busy"},
// made with Python's gzip module.
const std::vector<uint8_t> kGzipErrorAnswer = {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x63,
                                               0x64, 0x60, 0x60, 0x15, 0x60, 0x64, 0x60, 0xff, 0x97, 0x54, 0x5a,
                                               0x5c, 0x09, 0x00, 0xb6, 0xbe, 0x7e, 0x50, 0x0d, 0x00, 0x00, 0x00};

_B2CStream* raw_stream(uint8_t kind, const std::vector<uint8_t>& rest)
{
    _B2CStream* s = b2c_stream_create(64);
    b2c_stream_append_int8(s, static_cast<int8_t>(kind));
    b2c_stream_append_bytes(s, rest.data(), static_cast<unsigned>(rest.size()));
    return s;
}

}  // namespace

TEST(CompressedAnswer, UnpacksKind02And33)
{
    for (uint8_t kind : {0x02, 0x33}) {
        _B2CStream* raw = raw_stream(kind, kGzipErrorAnswer);
        _B2CQuoteMsg header{};
        _B2CStream* inflated = B2CService::unpack_compressed(raw, &header);
        b2c_stream_release(raw);
        ASSERT_NE(inflated, nullptr) << "kind " << int(kind);
        EXPECT_EQ(header.payload, inflated);
        EXPECT_EQ(header.version, 1);
        EXPECT_EQ(header.kind, 5);
        EXPECT_EQ(header.command, 0x10);
        EXPECT_EQ(header.request_id, 7);
        B2CErrorReply reply(header);
        b2c_stream_release(inflated);
        reply.process();
        const QuoteErrorInfo* e = static_cast<const QuoteErrorInfo*>(reply.reply()->data);
        EXPECT_EQ(e->code, -2);
        EXPECT_STREQ(e->text, "busy");
    }
}

TEST(CompressedAnswer, AnythingElseIsDropped)
{
    std::vector<uint8_t> cut(kGzipErrorAnswer.begin(), kGzipErrorAnswer.begin() + 20);
    std::vector<uint8_t> corrupt = kGzipErrorAnswer;
    corrupt[12] ^= 0xFF;
    const std::vector<std::pair<uint8_t, std::vector<uint8_t>>> cases = {
        {0x05, kGzipErrorAnswer},             // another body kind
        {0x02, {1, 0, 0, 5, 0x10, 1, 0, 7}},  // not gzip
        {0x02, cut},                          // truncated gzip
        {0x02, corrupt},                      // corrupt gzip
        {0x02, {0x1f, 0x8b}},                 // magic alone
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        _B2CStream* raw = raw_stream(cases[i].first, cases[i].second);
        _B2CQuoteMsg header{};
        _B2CStream* inflated = B2CService::unpack_compressed(raw, &header);
        EXPECT_EQ(inflated, nullptr) << "case " << i;
        b2c_stream_release(inflated);
        b2c_stream_release(raw);
    }
    _B2CQuoteMsg header{};
    EXPECT_EQ(B2CService::unpack_compressed(nullptr, &header), nullptr);
}
