// The JSON pull reader: field filling, leniency, and every error text with its
// line and column (worked out by hand from the bytes consumed at the throw).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ajson.h"

namespace {

struct Item {
    std::string name;
    int32_t value = 0;
    int8_t small = 0;
    int16_t mid = 0;
    int64_t big = 0;
    uint8_t market = 0;
    char code[16] = {};
    std::vector<int32_t> list;
    AJSON_FIELDS(name, value, small, mid, big, market, code, list)
};

struct Outer {
    std::vector<Item> items;
    int32_t n = 7;
    AJSON_NAMED_FIELDS("items,n", items, n)
};

// Member names that a careless macro would capture.
struct Awkward {
    int32_t index = 0;
    int32_t f = 0;
    std::vector<int32_t> list;
    AJSON_FIELDS(index, f, list)
};

Item parseItem(const std::string& text)
{
    Item item;
    ajson::parse(item, text.data(), text.size());
    return item;
}

std::string errorOf(const std::string& text)
{
    try {
        parseItem(text);
    } catch (const ajson::exception& e) {
        return e.what();
    }
    return "<parsed>";
}

struct BadJson {
    std::string text;
    std::string message;
};

TEST(AJson, ErrorsNameLineColumnAndMessage)
{
    const BadJson table[] = {
        {"", "error at line :0 col :0 msg:read object must start with {!"},
        {"[1]", "error at line :0 col :1 msg:read object must start with {!"},
        {R"({"a":1 "b":2})", "error at line :0 col :10 msg:invalid json document!"},
        {R"({1:2})", "error at line :0 col :2 msg:object key must be string"},
        {R"({"a" 1})", "error at line :0 col :6 msg:invalid json document!"},
        {"{\"name\":\"ab\ncd\"}", "error at line :1 col :0 msg:not a valid quote string!"},
        {"{\"name\":\"ab", "error at line :0 col :11 msg:not a valid quote string!"},
        {R"({"value":1.2.3})", "error at line :0 col :13 msg:not a valid number!"},
        {R"({/x})", "error at line :0 col :2 msg:not a comment!"},
        {R"({"list":5})", "error at line :0 col :9 msg:array must start with [."},
        {R"({"list":[1 2]})", "error at line :0 col :12 msg:no valid array!"},
        {R"({"value":[1]})", "error at line :0 col :10 msg:not a valid signed integral like number."},
        {R"({"name":12})", "error at line :0 col :10 msg:not a valid string."},
        {R"({"name":"a\qb"})", "error at line :0 col :14 msg:not a valid string."},
        {R"({"name":"\u0000"})", "error at line :0 col :16 msg:not a valid string."},
        {R"({"name":"\u12"})", "error at line :0 col :14 msg:not a valid string."},
        {R"({"name":"\u12g4"})", "error at line :0 col :16 msg:not a valid string."},
        {R"({"code":[]})", "error at line :0 col :9 msg:not a valid string."},
        {R"({"name":abc)", "error at line :0 col :11 msg:not a valid string!"},
        {R"({"value":1,})", "error at line :0 col :12 msg:object key must be string"},
        {"{\r\n\"a\" 1}", "error at line :1 col :5 msg:invalid json document!"},
        {"{\n  \"list\": [1,\n  :]}", "error at line :2 col :3 msg:not a valid signed integral like number."},
    };
    for (const auto& row : table)
        EXPECT_EQ(errorOf(row.text), row.message) << "for " << row.text;
}

// The faults of a reader that loops or wraps: each ends with the reader's error.
TEST(AJson, CutOffAndOverflowingInputEndWithAnError)
{
    const BadJson table[] = {
        // A block comment still open at the end of the input.
        {R"({"a":1 /* open)", "error at line :0 col :14 msg:not a comment!"},
        // A cut-off array of the record, and a skipped one.
        {R"({"list":[1,2)", "error at line :0 col :12 msg:no valid array!"},
        {R"({"list":[1,)", "error at line :0 col :11 msg:not a valid signed integral like number."},
        {R"({"zz":[1,2)", "error at line :0 col :10 msg:no valid array!"},
        {R"({"zz":[1 })", "error at line :0 col :10 msg:no valid array!"},
        {R"({"zz":[1 :])", "error at line :0 col :10 msg:no valid array!"},
        {R"({"zz":{"a":1)", "error at line :0 col :12 msg:invalid json document!"},
        {R"({"zz":{"a":])", "error at line :0 col :12 msg:invalid json document!"},
        {R"({"zz":{"a" 1}})", "error at line :0 col :12 msg:invalid json document!"},
        // An integer beyond 64 bits, and an exponent beyond any double.
        {R"({"value":18446744073709551616})", "error at line :0 col :29 msg:not a valid number!"},
        {R"({"value":1e401})", "error at line :0 col :14 msg:not a valid number!"},
        {R"({"value":1e-99999999999999999999999})", "error at line :0 col :15 msg:not a valid number!"},
    };
    for (const auto& row : table)
        EXPECT_EQ(errorOf(row.text), row.message) << "for " << row.text;

    // Deeply nested skipped values are refused instead of exhausting the stack.
    std::string deep = "{\"zz\":" + std::string(100000, '[');
    EXPECT_NE(errorOf(deep).find("msg:invalid json document!"), std::string::npos);
}

TEST(AJson, NothingIsReadPastTheLengthOrANul)
{
    // The length cuts "123}" to "12": the object then ends without "}".
    const char text[] = "{\"value\":123}";
    Item item;
    try {
        ajson::parse(item, text, 11);
        ADD_FAILURE() << "a cut object was accepted";
    } catch (const ajson::exception& e) {
        EXPECT_STREQ(e.what(), "error at line :0 col :11 msg:invalid json document!");
    }
    const char withNul[] = "{\"value\":1\0}";
    EXPECT_EQ(errorOf(std::string(withNul, sizeof withNul - 1)), "error at line :0 col :10 msg:invalid json document!");
    // A null text is an empty input whatever the length says.
    try {
        ajson::parse(item, nullptr, 5);
        ADD_FAILURE() << "a null text was accepted";
    } catch (const ajson::exception& e) {
        EXPECT_STREQ(e.what(), "error at line :0 col :0 msg:read object must start with {!");
    }
    // Reading stops inside a quoted string that runs into the length.
    const char quoted[] = "{\"name\":\"abc\"}";
    try {
        ajson::parse(item, quoted, 11);
        ADD_FAILURE() << "a cut string was accepted";
    } catch (const ajson::exception& e) {
        EXPECT_STREQ(e.what(), "error at line :0 col :11 msg:not a valid quote string!");
    }
}

struct IntCase {
    std::string text;
    int64_t expected;
};

TEST(AJson, IntegerFieldsAcceptNumbersTextsAndTrue)
{
    const IntCase table[] = {
        {R"({"value":42})", 42},
        {R"({"value":"42"})", 42},
        {R"({"value":" -17xyz"})", -17},
        {R"({"value":"abc"})", 0},
        {R"({"value":TRUE})", 1},
        {R"({"value":true})", 1},
        {R"({"value":"tRuE"})", 1},
        {R"({"value":3.9})", 3},
        {R"({"value":-3.9})", -3},
        {R"({"value":-5})", -5},
        {R"({"value":1e3})", 1000},
        {R"({"value":1e-2})", 0},
        {R"({"value":1e400})", 2147483647},
        {R"({"value":-1e400})", -2147483648LL},
        {R"({"value":4294967297})", 1},
        {R"({"value":"3000000000"})", 2147483647},
        {R"({"value":1,"value":2})", 2},
    };
    for (const auto& row : table) {
        try {
            EXPECT_EQ(parseItem(row.text).value, row.expected) << row.text;
        } catch (const ajson::exception& e) {
            ADD_FAILURE() << row.text << " threw " << e.what();
        }
    }
    Item item = parseItem(R"({"mid":70000,"small":200,"market":-56,"big":-9223372036854775808})");
    EXPECT_EQ(item.mid, 4464);
    EXPECT_EQ(item.small, -56);
    EXPECT_EQ(item.market, 200);
    EXPECT_EQ(item.big, INT64_MIN);
    EXPECT_EQ(parseItem(R"({"big":18446744073709551615})").big, -1);
    EXPECT_EQ(parseItem(R"({"big":"9223372036854775807"})").big, INT64_MAX);
}

TEST(AJson, NumberTokensScaleByRepeatedMultiplication)
{
    ajson a("1e3", 3);
    a.next();
    EXPECT_EQ(a.token().kind, ajson::Floating);
    EXPECT_DOUBLE_EQ(a.token().value, 1000.0);
    ajson b("1e-2 ", 5);
    b.next();
    EXPECT_NEAR(b.token().value, 0.01, 1e-15);
    ajson c("-12.5,", 6);
    c.next();
    EXPECT_EQ(c.token().kind, ajson::Floating);
    EXPECT_TRUE(c.token().negative);
    EXPECT_DOUBLE_EQ(c.token().value, 12.5);
    ajson d("-7]", 3);
    d.next();
    EXPECT_EQ(d.token().kind, ajson::Negative);
    EXPECT_EQ(d.token().magnitude, 7u);
}

TEST(AJson, StringsDecodeTheirEscapes)
{
    EXPECT_EQ(parseItem(R"({"name":"a\"b\\c\/d\b\f\n\r\t"})").name, std::string("a\"b\\c/d\b\f\n\r\t"));
    EXPECT_EQ(parseItem(R"({"name":"\u0041\u00e9\u4E2D"})").name, std::string("A\xC3\xA9\xE4\xB8\xAD"));
    EXPECT_EQ(parseItem(R"({name:abc})").name, "abc");
}

TEST(AJson, FixedTextsKeepAtMostTheirWidth)
{
    Item shortCode = parseItem(R"({"code":"600000"})");
    EXPECT_EQ(std::string(shortCode.code), "600000");
    Item longCode = parseItem(R"({"code":"0123456789ABCDEFGH"})");
    EXPECT_EQ(std::string(longCode.code, 16), "0123456789ABCDEF");
}

TEST(AJson, ArraysAcceptATrailingCommaAndRepeatedKeysAppend)
{
    EXPECT_EQ(parseItem(R"({"list":[1,2,]})").list, (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(parseItem(R"({"list":[]})").list.empty());
    EXPECT_EQ(parseItem(R"({"list":[1],"list":[2,3]})").list, (std::vector<int32_t>{1, 2, 3}));

    std::vector<Item> top;
    const std::string text = R"([{"value":1},{"value":2},])";
    ajson::parse(top, text.data(), text.size());
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[1].value, 2);

    Outer outer;
    const std::string nested = R"({"items":[{"name":"x","list":[4]}],"n":3})";
    ajson::parse(outer, nested.data(), nested.size());
    ASSERT_EQ(outer.items.size(), 1u);
    EXPECT_EQ(outer.items[0].name, "x");
    EXPECT_EQ(outer.items[0].list, (std::vector<int32_t>{4}));
    EXPECT_EQ(outer.n, 3);
}

TEST(AJson, UnknownKeysAreSkippedAndCaseMatters)
{
    Item item = parseItem(R"({"Value":5,"zz":{"a":[1,{"b":2}],"c":x,7:1},"value":9})");
    EXPECT_EQ(item.value, 9);
    // A skipped key followed directly by a comma or a closing brace is accepted.
    EXPECT_EQ(parseItem(R"({"zz":,"value":4})").value, 4);
    EXPECT_EQ(parseItem(R"({"zz":})").value, 0);
    // Missing keys keep the record's defaults.
    Outer outer;
    const std::string text = "{}";
    ajson::parse(outer, text.data(), text.size());
    EXPECT_EQ(outer.n, 7);
}

TEST(AJson, AnyMemberNameCanBeAField)
{
    Awkward a;
    const std::string text = R"({"list":[3],"f":2,"index":1})";
    ajson::parse(a, text.data(), text.size());
    EXPECT_EQ(a.index, 1);
    EXPECT_EQ(a.f, 2);
    EXPECT_EQ(a.list, (std::vector<int32_t>{3}));
}

TEST(AJson, CommentsAndTrailingTextAreIgnored)
{
    EXPECT_EQ(parseItem("/*c*/{//x\n\"value\"/**/:/*y*/5}").value, 5);
    EXPECT_EQ(parseItem(R"({"value":1} /x trailing)").value, 1);
}

}  // namespace
