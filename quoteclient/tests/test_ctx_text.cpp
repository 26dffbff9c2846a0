// The context text form through the exported functions: exact texts of the
// documented form, dump/parse round trips of every setting, the reader's
// rules (defaults, unknown keys, repeated keys, truncation to the field width)
// and texts that do not parse. Then the default query client against the
// local quote server.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "b2cservice.h"
#include "contexttext.h"
#include "defaultb2cqueryclient.h"
#include "enginerecorder.h"
#include "ownprocess.h"
#include "probeclient.h"
#include "quote.h"
#include "serverprocess.h"

namespace {

const char kFresh[] =
    "{\"peroid_\":0,\"dir_\":0,\"type_\":0,\"option_\":0,\"time_\":{\"start\":0,\"end\":0},"
    "\"page_\":{\"no\":0,\"length\":0},\"sort_\":{\"id\":0,\"mode\":2},\"market_field_\":[],\"blocks_\":[],"
    "\"categories_\":[],\"codes_\":[]}";

// A 17-byte code entry: up to 16 bytes of code (copied as given) and the market.
std::vector<char> entry(const std::string& code, uint8_t market)
{
    std::vector<char> e(17, '\0');
    std::memcpy(e.data(), code.data(), code.size() < 16 ? code.size() : 16);
    e[16] = static_cast<char>(market);
    return e;
}

std::vector<char> entries(const std::vector<std::vector<char>>& list)
{
    std::vector<char> all;
    for (const auto& e : list)
        all.insert(all.end(), e.begin(), e.end());
    return all;
}

std::string dump_of(quote_ctx* ctx)
{
    const char* text = quote_ctx_dump(ctx);
    return text ? text : "<null>";
}

// Parses `text` and dumps the new context; "<null>" when the parse failed.
std::string reparse(const std::string& text)
{
    quote_ctx* ctx = quote_ctx_parse(text.data(), static_cast<int>(text.size()));
    if (!ctx)
        return "<null>";
    std::string out = dump_of(ctx);
    quote_ctx_release(ctx);
    return out;
}

// The same text with the fresh context's values replaced where given.
std::string fresh_with(const std::string& from, const std::string& to)
{
    std::string s = kFresh;
    const size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        s.replace(at, from.size(), to);
    return s;
}

}  // namespace

TEST(ContextText, FreshContextDumpsTheDocumentedText)
{
    RUN_IN_OWN_PROCESS();
    quote_ctx* ctx = quote_ctx_create();
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(dump_of(ctx), kFresh);
    quote_ctx_release(ctx);
}

TEST(ContextText, EmptyObjectParsesToFreshSettings)
{
    RUN_IN_OWN_PROCESS();
    EXPECT_EQ(reparse("{}"), kFresh);
    // White space and a text after the object are not looked at.
    EXPECT_EQ(reparse(" { } trailing"), kFresh);
}

TEST(ContextText, EverySettingDumpsExactlyAndRoundTrips)
{
    RUN_IN_OWN_PROCESS();
    quote_ctx* ctx = quote_ctx_create();
    ASSERT_NE(ctx, nullptr);
    quote_ctx_set_type(ctx, -7);
    quote_ctx_set_peroid(ctx, 200);  // a byte of 128 or more dumps negative
    quote_ctx_set_direction(ctx, 1);
    quote_ctx_set_option(ctx, INT32_MIN);
    quote_ctx_set_time(ctx, INT64_MIN, 5, -1);  // end = (-1 << 32) | 5
    quote_ctx_set_page(ctx, 65535, 20);
    quote_ctx_set_sort(ctx, 65535, 0);
    const uint16_t fields[] = {0, 8, 40000};
    quote_ctx_set_market_field(ctx, fields, 3);
    quote_ctx_set_block(ctx, INT64_MAX);
    quote_ctx_set_category(ctx, 32768);
    const std::vector<char> codes = entries({entry("600000", 1), entry("000001", 200), entry("ABCDEFGHIJKLMNOP", 2)});
    quote_ctx_set_code(ctx, codes.data(), 3);
    quote_ctx_set_user_data(ctx, 77);

    const std::string expected =
        "{\"peroid_\":-56,\"dir_\":1,\"type_\":-7,\"option_\":-2147483648,"
        "\"time_\":{\"start\":-9223372036854775808,\"end\":-4294967291},"
        "\"page_\":{\"no\":-1,\"length\":20},\"sort_\":{\"id\":-1,\"mode\":0},"
        "\"market_field_\":[0,8,-25536],\"blocks_\":[9223372036854775807],\"categories_\":[-32768],"
        "\"codes_\":[{\"code\":\"600000\",\"market\":1},{\"code\":\"000001\",\"market\":-56},"
        "{\"code\":\"ABCDEFGHIJKLMNOP\",\"market\":2}]}";
    const std::string text = dump_of(ctx);
    EXPECT_EQ(text, expected);

    quote_ctx* copy = quote_ctx_parse(text.data(), static_cast<int>(text.size()));
    ASSERT_NE(copy, nullptr) << "the dump of a context must parse";
    EXPECT_EQ(dump_of(copy), expected) << "dump of the parsed dump";
    EXPECT_EQ(quote_ctx_get_page_first_no(copy), -1);
    EXPECT_EQ(quote_ctx_get_user_data(copy), 0) << "user data is not part of the text";
    quote_ctx_release(copy);
    quote_ctx_release(ctx);
}

TEST(ContextText, CodeRecordsGiveTheirCodeAndMarketByte)
{
    RUN_IN_OWN_PROCESS();
    QuoteCodeInfo records[2] = {};
    std::memcpy(records[0].code, "600519", 6);
    std::memcpy(records[0].name, "NAME", 4);
    records[0].market = 1;
    std::memcpy(records[1].code, "0123456789abcdef", 16);  // fills the field, no terminator
    records[1].market = 2;
    quote_ctx* ctx = quote_ctx_create();
    quote_ctx_set_code1(ctx, records, 2);
    EXPECT_EQ(dump_of(ctx), fresh_with("\"codes_\":[]",
                                       "\"codes_\":[{\"code\":\"600519\",\"market\":1},"
                                       "{\"code\":\"0123456789abcdef\",\"market\":2}]"));
    quote_ctx_release(ctx);
}

TEST(ContextText, ListsAndScalarsOfManyValuesRoundTrip)
{
    RUN_IN_OWN_PROCESS();
    const std::string text =
        "{\"peroid_\":33,\"dir_\":-1,\"type_\":2147483647,\"option_\":12,"
        "\"time_\":{\"start\":1700000000,\"end\":9223372036854775807},"
        "\"page_\":{\"no\":32767,\"length\":-32768},\"sort_\":{\"id\":32767,\"mode\":-128},"
        "\"market_field_\":[1,2,3,-1,32767],\"blocks_\":[-9223372036854775808,0,1,4611686018427387904],"
        "\"categories_\":[7,-2],\"codes_\":[{\"code\":\"\",\"market\":0},{\"code\":\"X\",\"market\":127}]}";
    EXPECT_EQ(reparse(text), text);
}

TEST(ContextText, StringsAreEscapedAsDocumented)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        std::string code;
        uint8_t market;
        std::string json;
    } cases[] = {
        {"a\"b\\c", 1, "\"a\\\"b\\\\c\""},
        {"\b\t\n\f\r\x01\x7F", 1, "\"\\b\\t\\n\\f\\r\\u0001\\u007F\""},
        // U+00E9, U+4E2D, U+1F600 (a surrogate pair).
        {"\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", 1, "\"\\u00E9\\u4E2D\\uD83D\\uDE00\""},
        // Bytes that start no valid sequence: each as \u00XX.
        {"\xFFx\xC3", 1, "\"\\u00FFx\\u00C3\""},
        {"\xC0\xAF\xED\xA0\x80", 1, "\"\\u00C0\\u00AF\\u00ED\\u00A0\\u0080\""},
        // A sequence cut by the 16-byte width: the market byte 0xB8 after it
        // must not be read as its continuation.
        {"AAAAAAAAAAAAAAA\xE4", 0xB8, "\"AAAAAAAAAAAAAAA\\u00E4\""},
        // A NUL ends the text.
        {std::string("ab\0cd", 5), 1, "\"ab\""},
    };
    for (const auto& c : cases) {
        quote_ctx* ctx = quote_ctx_create();
        const std::vector<char> e = entry(c.code, c.market);
        quote_ctx_set_code(ctx, e.data(), 1);
        const std::string market = std::to_string(static_cast<int8_t>(c.market));
        EXPECT_EQ(dump_of(ctx),
                  fresh_with("\"codes_\":[]", "\"codes_\":[{\"code\":" + c.json + ",\"market\":" + market + "}]"))
            << "code bytes of case " << c.json;
        quote_ctx_release(ctx);
    }
}

TEST(ContextText, EscapedCodesReadBackToTheSameBytes)
{
    RUN_IN_OWN_PROCESS();
    // Code texts of the Basic Multilingual Plane survive the round trip.
    const std::string texts[] = {"{\"codes_\":[{\"code\":\"a\\\"b\\\\c\",\"market\":1}]}",
                                 "{\"codes_\":[{\"code\":\"\\b\\t\\n\\f\\r\\u0001\\u007F\",\"market\":1}]}",
                                 "{\"codes_\":[{\"code\":\"\\u00E9\\u4E2D\",\"market\":1}]}"};
    const std::string expected[] = {"\"a\\\"b\\\\c\"", "\"\\b\\t\\n\\f\\r\\u0001\\u007F\"", "\"\\u00E9\\u4E2D\""};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(reparse(texts[i]),
                  fresh_with("\"codes_\":[]", "\"codes_\":[{\"code\":" + expected[i] + ",\"market\":1}]"));
}

TEST(ContextText, ReaderRules)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        const char* text;
        const char* from;  // part of the fresh dump that changes
        const char* to;
    } cases[] = {
        // Unknown keys are skipped, whatever their value.
        {"{\"foo\":[1,{\"a\":2}],\"type_\":5,\"bar\":\"x\"}", "\"type_\":0", "\"type_\":5"},
        // A later scalar wins.
        {"{\"type_\":1,\"type_\":3}", "\"type_\":0", "\"type_\":3"},
        // A later list appends.
        {"{\"blocks_\":[1],\"blocks_\":[2,3]}", "\"blocks_\":[]", "\"blocks_\":[1,2,3]"},
        // Absent members of an object keep their defaults.
        {"{\"sort_\":{\"id\":9}}", "\"sort_\":{\"id\":0,\"mode\":2}", "\"sort_\":{\"id\":9,\"mode\":2}"},
        {"{\"time_\":{\"end\":4}}", "\"time_\":{\"start\":0,\"end\":0}", "\"time_\":{\"start\":0,\"end\":4}"},
        // Values beyond a field's width keep its low bits.
        {"{\"page_\":{\"no\":70000,\"length\":65535}}", "\"page_\":{\"no\":0,\"length\":0}",
         "\"page_\":{\"no\":4464,\"length\":-1}"},
        {"{\"peroid_\":200,\"dir_\":-56}", "\"peroid_\":0,\"dir_\":0", "\"peroid_\":-56,\"dir_\":-56"},
        {"{\"categories_\":[70000]}", "\"categories_\":[]", "\"categories_\":[4464]"},
        // A code market of 200 dumps as -56; written -56 it reads back as 200.
        {"{\"codes_\":[{\"code\":\"1\",\"market\":200}]}", "\"codes_\":[]",
         "\"codes_\":[{\"code\":\"1\",\"market\":-56}]"},
        // A code longer than 16 bytes keeps its first 16.
        {"{\"codes_\":[{\"code\":\"ABCDEFGHIJKLMNOPQRS\",\"market\":2}]}", "\"codes_\":[]",
         "\"codes_\":[{\"code\":\"ABCDEFGHIJKLMNOP\",\"market\":2}]"},
        // A code entry without members is an empty code of market 0.
        {"{\"codes_\":[{}]}", "\"codes_\":[]", "\"codes_\":[{\"code\":\"\",\"market\":0}]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reparse(c.text), fresh_with(c.from, c.to)) << "text " << c.text;
}

TEST(ContextText, MarketTwoHundredReadsBackAsTheSameByte)
{
    RUN_IN_OWN_PROCESS();
    const std::string text = "{\"codes_\":[{\"code\":\"9\",\"market\":-56}]}";
    quote_ctx* ctx = quote_ctx_parse(text.data(), static_cast<int>(text.size()));
    ASSERT_NE(ctx, nullptr);
    const std::string dumped = dump_of(ctx);
    ContextSettings s;
    ASSERT_TRUE(ContextText::parse(dumped.data(), dumped.size(), &s));
    ASSERT_EQ(s.codes.size(), 1u);
    EXPECT_EQ(s.codes[0].market(), 200);
    quote_ctx_release(ctx);
}

TEST(ContextText, ACodeGivenTwiceKeepsOnlyTheLaterBytes)
{
    RUN_IN_OWN_PROCESS();
    const std::string text = "{\"codes_\":[{\"code\":\"ABCDEFGH\",\"code\":\"XY\",\"market\":1}]}";
    ContextSettings s;
    ASSERT_TRUE(ContextText::parse(text.data(), text.size(), &s));
    ASSERT_EQ(s.codes.size(), 1u);
    const std::array<char, 17> want = {'X', 'Y', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(s.codes[0].bytes, want) << "bytes after the terminator must be zero";
}

TEST(ContextText, UnparsableTextsGiveNull)
{
    RUN_IN_OWN_PROCESS();
    const std::string bad[] = {
        "",
        "   ",
        "[]",
        "5",
        "\"text\"",
        "{",
        "{\"type_\":",
        "{\"type_\":1",
        "{\"type_\" 1}",
        "{type_:1,}",
        "{\"type_\":1 \"dir_\":2}",
        "{\"blocks_\":5}",
        "{\"blocks_\":[1,2}",
        "{\"time_\":[1,2]}",
        "{\"codes_\":[{\"code\":5}]}",
        "{\"codes_\":[{\"code\":\"\\x\"}]}",
        "{\"codes_\":[{\"code\":\"\\u12\"}]}",
        "{\"codes_\":[{\"code\":\"abc}]}",
        "{\"codes_\":[\"600000\"]}",
    };
    for (const auto& text : bad)
        EXPECT_EQ(quote_ctx_parse(text.data(), static_cast<int>(text.size())), nullptr) << "text [" << text << "]";
    EXPECT_EQ(quote_ctx_parse(nullptr, 10), nullptr);
    EXPECT_EQ(quote_ctx_parse("{}", -1), nullptr);
    // The length bounds the text: a cut-off object does not parse.
    EXPECT_EQ(quote_ctx_parse("{\"type_\":1}", 8), nullptr);
    EXPECT_EQ(quote_ctx_dump(nullptr), nullptr);
}

TEST(ContextText, DumpTextStaysUntilTheNextDump)
{
    RUN_IN_OWN_PROCESS();
    quote_ctx* ctx = quote_ctx_create();
    const char* first = quote_ctx_dump(ctx);
    ASSERT_NE(first, nullptr);
    const std::string copy = first;
    quote_ctx_set_type(ctx, 3);
    EXPECT_EQ(std::string(first), copy) << "a setter does not touch the last dump";
    EXPECT_EQ(dump_of(ctx), fresh_with("\"type_\":0", "\"type_\":3"));
    quote_ctx_release(ctx);
}

TEST(ContextTextWriter, NumbersIncludingTheExtremes)
{
    RUN_IN_OWN_PROCESS();
    struct Case {
        int64_t v;
        const char* text;
    } cases[] = {{0, "0"},
                 {7, "7"},
                 {-7, "-7"},
                 {10, "10"},
                 {-100, "-100"},
                 {INT64_MAX, "9223372036854775807"},
                 {INT64_MIN, "-9223372036854775808"},
                 {INT64_MIN + 1, "-9223372036854775807"}};
    for (const auto& c : cases) {
        std::string out = "x";
        ContextText::append_number(out, c.v);
        EXPECT_EQ(out, std::string("x") + c.text);
    }
}

// Its own process: the engine cannot restart within one.
TEST(DefaultQueryClient, CancellingAQueryThatWasNeverSentSendsNothing)
{
    RUN_IN_OWN_PROCESS();
    QuoteServerProcess server;
    ASSERT_GT(server.port(), 0);
    EngineRecorder engine("tcp://127.0.0.1:" + std::to_string(server.port()) + "/?auto_delay=50");
    engine.start();
    ASSERT_GE(engine.wait_state(1), 0) << "expected the login";

    B2CService* service = &B2CService::instance();
    auto context = std::make_shared<ContextBase>(service);
    auto probe = std::make_shared<ProbeClient>(*context, kProbeSilent, std::vector<uint8_t>{});
    DefaultB2CQueryClient query(service, probe);
    query.cancel();  // never sent: nothing may go out

    // Without a command client every operation does nothing.
    DefaultB2CQueryClient empty(service, nullptr);
    empty.request();
    empty.subscribe();
    empty.cancel();

    query.request();
    const uint16_t id = probe->request_id();
    ASSERT_NE(id, 0);
    EXPECT_TRUE(server.wait_line("request 0x7f " + std::to_string(id)));
    EXPECT_TRUE(service->is_pending(id));
    query.cancel();
    EXPECT_TRUE(server.wait_line("cancel " + std::to_string(id)));
    EXPECT_FALSE(service->is_pending(id));

    // One connection keeps the order: a cancel sent before the request
    // would have arrived first.
    size_t cancels = 0;
    size_t requests = 0;
    for (const std::string& line : server.lines()) {
        cancels += line.compare(0, 7, "cancel ") == 0;
        requests += line.compare(0, 13, "request 0x7f ") == 0;
    }
    EXPECT_EQ(cancels, 1u) << "only the cancel of the sent request";
    EXPECT_EQ(requests, 1u) << "the empty query client sent nothing";
}
